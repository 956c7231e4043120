// tavlo-screenshot: saves the whole X screen as a PNG, for demos and the
// pictures in docs/ (run it on the display the client uses).
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Saves the screen as a PNG file."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("The PNG file to write."));
    parser.addOption({QStringLiteral("delay"), QStringLiteral("Seconds to wait first."),
                      QStringLiteral("SECONDS"), QStringLiteral("0")});
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "tavlo-screenshot: give one output file\n");
        return 2;
    }
    QThread::msleep(ulong(parser.value(QStringLiteral("delay")).toDouble() * 1000));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(parser.positionalArguments().first(), "PNG")) {
        std::fprintf(stderr, "tavlo-screenshot: cannot grab or save the screen\n");
        return 1;
    }
    return 0;
}
