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
    // config.ini, the database, the log folder and the default download
    // folder all lie in the program's directory, which is also made the
    // working directory.
    DataLocations::setDataDirectory(QCoreApplication::applicationDirPath());
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    if (!app.isRunning())
        return 0;

    QApplication::setWindowIcon(QIcon(QStringLiteral(":/drawable/logo256.png")));

    QCommandLineParser parser;
    const QCommandLineOption startHidden(
        QStringLiteral("s"), QCoreApplication::translate("main", "Use in startup progress."));
    parser.addOption(startHidden);
    parser.process(app);

    auto* window = new MainWindow();
    if (!parser.isSet(startHidden))
        window->show();
    QObject::connect(&app, &SingleApplication::showUp, window, &MainWindow::show);
    QApplication::setQuitOnLastWindowClosed(false);

    const int ret = app.exec();
    delete window;
    return ret;
}
