// svg2png: renders an SVG file into a square, transparent PNG.
//
//   svg2png INPUT.svg OUTPUT.png SIZE
//
// Runs headless (offscreen platform). Any warning the SVG module emits while
// loading or painting (unresolved reference, malformed attribute, ...) is
// treated as an error so that a broken drawable fails the build instead of
// rendering silently wrong. Note that elements outside SVG Tiny 1.2 (clipPath,
// mask, filter, ...) are skipped by Qt without any warning: don't use them.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kMaxSize = 4096;

int g_svgProblems = 0;

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const char* category = context.category ? context.category : "default";
    const bool fromSvg = std::strncmp(category, "qt.svg", 6) == 0;
    if (type == QtDebugMsg || type == QtInfoMsg) {
        return;
    }
    if (fromSvg) {
        ++g_svgProblems;
    } else if (type == QtWarningMsg) {
        return; // headless environment chatter (runtime dir, fonts, ...), irrelevant here
    }
    std::fprintf(stderr, "svg2png: %s: %s\n", category, message.toLocal8Bit().constData());
}

int usage() {
    std::fprintf(stderr, "usage: svg2png INPUT.svg OUTPUT.png SIZE\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        return usage();
    }

    // Never needs a display: force the offscreen platform.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(messageHandler);
    QGuiApplication app(argc, argv);

    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    bool sizeOk = false;
    const int size = QString::fromLocal8Bit(argv[3]).toInt(&sizeOk);
    if (!sizeOk || size <= 0 || size > kMaxSize) {
        std::fprintf(stderr, "svg2png: invalid size '%s' (expected 1..%d)\n", argv[3], kMaxSize);
        return usage();
    }

    if (!QFileInfo(input).isFile()) {
        std::fprintf(stderr, "svg2png: cannot read '%s'\n", argv[1]);
        return 1;
    }

    QSvgRenderer renderer;
    if (!renderer.load(input) || !renderer.isValid()) {
        std::fprintf(stderr, "svg2png: '%s' is not a valid SVG file\n", argv[1]);
        return 1;
    }
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        renderer.render(&painter, QRectF(0, 0, size, size));
    }

    if (g_svgProblems > 0) {
        std::fprintf(stderr, "svg2png: '%s': %d problem(s) reported while rendering\n", argv[1],
                     g_svgProblems);
        return 1;
    }

    const QString dir = QFileInfo(output).absolutePath();
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "svg2png: cannot create directory '%s'\n",
                     QDir::toNativeSeparators(dir).toLocal8Bit().constData());
        return 1;
    }
    if (!image.save(output, "PNG")) {
        QFile::remove(output); // never leave a truncated file behind for the build to pick up
        std::fprintf(stderr, "svg2png: cannot write '%s'\n", argv[2]);
        return 1;
    }
    return 0;
}
