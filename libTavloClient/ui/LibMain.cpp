#include "ui/LibMain.h"

#include "ui/MainWindow.h"
#include "ui/SingleApplication.h"
#include "ui/Translations.h"
#include "utils/DataLocations.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <cstring>

namespace {

const char* const Usage =
    "Usage: tavlo-client [-s] [--send FILE...]\n"
    "The desktop companion of Tavlo meeting-room displays: finds the displays on\n"
    "the local network, sends files to them, browses their files and casts the\n"
    "screen. Only one client runs per user; a second start shows its window.\n"
    "\n"
    "Options:\n"
    "  -s              start hidden in the tray (used by the autostart entry)\n"
    "  --send FILE...  send FILEs to the device selected in the running client\n"
    "                  (starting it first when none runs)\n"
    "  -h, --help      show this help and exit\n"
    "  -v, --version   show the version and exit\n";

bool isOption(const char* argument, const char* shortForm, const char* longForm) {
    return std::strcmp(argument, shortForm) == 0 || std::strcmp(argument, longForm) == 0;
}

// The files after --send, made absolute against the folder of this start.
QStringList filesToSend(int argc, char** argv) {
    QStringList files;
    bool sending = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--send") == 0) {
            sending = true;
            continue;
        }
        if (sending && argv[i][0] != '-')
            files << QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath();
    }
    return files;
}

} // namespace

int libMain(int argc, char** argv) {
    // Help and version need no display and start nothing.
    for (int i = 1; i < argc; ++i) {
        if (isOption(argv[i], "-h", "--help")) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (isOption(argv[i], "-v", "--version")) {
            std::printf("tavlo-client %s\n", TAVLO_VERSION);
            return 0;
        }
    }

    SingleApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVLO_VERSION));
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/plugins"));
    const QStringList sending = filesToSend(argc, argv);
    // The user's folders where the desktop has them (Linux); elsewhere the
    // program's folder, which is then also the working directory.
    const QString programFolder = QCoreApplication::applicationDirPath();
    DataLocations::usePerUserFolders();
    if (DataLocations::dataDirectory() == QDir::cleanPath(programFolder))
        QDir::setCurrent(programFolder);
    if (!app.isRunning()) {
        if (!sending.isEmpty() && !app.sendFilesToRunning(sending)) {
            std::fputs("tavlo-client: the running client did not take the files\n", stderr);
            return 1;
        }
        return 0;
    }
    // Only the first instance may move files an earlier run left behind.
    const QStringList moved = DataLocations::moveFilesFrom(programFolder);

    Translations::install(app, Translations::chosenLanguage());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/drawable/logo256.png")));

    QCommandLineParser parser;
    const QCommandLineOption startHidden(
        QStringLiteral("s"), QCoreApplication::translate("main", "Use in startup progress."));
    const QCommandLineOption send(QStringLiteral("send"));
    parser.addOption(startHidden);
    parser.addOption(send);
    parser.addPositionalArgument(QStringLiteral("files"), QString());
    parser.process(app);

    auto* window = new MainWindow();
    for (const QString& note : moved)
        qDebug("[I][%s] %s", "LibMain", qPrintable(note));
    if (!parser.isSet(startHidden))
        window->show();
    QObject::connect(&app, &SingleApplication::showUp, window, &MainWindow::show);
    QObject::connect(&app, &SingleApplication::filesToSend, window,
                     &MainWindow::sendFilesFromDesktop);
    window->sendFilesFromDesktop(sending);
    QApplication::setQuitOnLastWindowClosed(false);

    const int ret = app.exec();
    delete window;
    return ret;
}
