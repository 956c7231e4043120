#include "ui/LibMain.h"

#include "ui/MainWindow.h"
#include "ui/SingleApplication.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QIcon>

namespace {

// The forms ask for the Windows UI font; elsewhere fall back to a CJK font
// that the system has, so Chinese texts stay readable.
void substituteFonts() {
    const QStringList fallbacks{QStringLiteral("Noto Sans CJK SC"),
                                QStringLiteral("WenQuanYi Micro Hei"),
                                QStringLiteral("Source Han Sans SC")};
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), fallbacks);
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), fallbacks);
}

} // namespace

int libMain(int argc, char** argv) {
    SingleApplication app(argc, argv);
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/plugins"));
    // config.ini, the database, the log folder and the default download
    // folder all resolve against the program's directory.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    if (!app.isRunning())
        return 0;

    substituteFonts();
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
