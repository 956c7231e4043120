#include "Thumbnailer.h"

#include "utils/ProtocolDefinedJsonObject.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QStringList>

bool Thumbnailer::isPictureName(const QString& fileName) {
    static const QStringList extensions = Protocol::IMAGE_EXTENSIONS.split(QLatin1Char('/'));
    for (const QString& extension : extensions) {
        if (fileName.endsWith(extension, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

Thumbnailer::Result Thumbnailer::make(const QString& localPath, QByteArray& base64Png) {
    const QFileInfo info(localPath);
    if (localPath.isEmpty() || !info.isFile())
        return Result::Missing;
    if (!isPictureName(info.fileName()))
        return Result::NotAPicture;
    QImage image(localPath);
    if (image.isNull())
        return Result::NotAPicture;

    // Pictures already small enough are sent as they are, never enlarged.
    int side = MaxSide;
    while (side > 0) {
        const QImage thumb =
            image.width() > side || image.height() > side
                ? image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                : image;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!thumb.save(&buffer, "PNG"))
            return Result::NotAPicture;
        base64Png = png.toBase64();
        // A noisy picture may not compress well; shrink it until it fits.
        if (base64Png.size() <= MaxBase64Size)
            return Result::Ok;
        side = side * 3 / 4;
        image = thumb;
    }
    return Result::NotAPicture;
}
