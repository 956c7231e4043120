#include "ui/LibMain.h"

#include "ui/MainWindow.h"
#include "ui/SingleApplication.h"
#include "utils/DataLocations.h"

#include <QCommandLineParser>
#include <QDir>
#include <QIcon>

int libMain(int argc, char** argv) {
    SingleApplication app(argc, argv);
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/plugins"));
    // The user's folders where the desktop has them (Linux); elsewhere the
    // program's folder, which is then also the working directory.
    const QString programFolder = QCoreApplication::applicationDirPath();
    DataLocations::usePerUserFolders();
    if (DataLocations::dataDirectory() == QDir::cleanPath(programFolder))
        QDir::setCurrent(programFolder);
    if (!app.isRunning())
        return 0;
    // Only the first instance may move files an earlier run left behind.
    const QStringList moved = DataLocations::moveFilesFrom(programFolder);

    QApplication::setWindowIcon(QIcon(QStringLiteral(":/drawable/logo256.png")));

    QCommandLineParser parser;
    const QCommandLineOption startHidden(
        QStringLiteral("s"), QCoreApplication::translate("main", "Use in startup progress."));
    parser.addOption(startHidden);
    parser.process(app);

    auto* window = new MainWindow();
    for (const QString& note : moved)
        qDebug("[I][%s] %s", "LibMain", qPrintable(note));
    if (!parser.isSet(startHidden))
        window->show();
    QObject::connect(&app, &SingleApplication::showUp, window, &MainWindow::show);
    QApplication::setQuitOnLastWindowClosed(false);

    const int ret = app.exec();
    delete window;
    return ret;
}
