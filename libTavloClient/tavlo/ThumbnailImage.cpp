#include "tavlo/ThumbnailImage.h"

#include <QBuffer>
#include <QImageReader>

namespace {

QImage readWithin(QImageReader& reader, int maxSide, qint64 maxPixels) {
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > maxSide || size.height() > maxSide ||
        qint64(size.width()) * size.height() > maxPixels)
        return QImage();
    return reader.read();
}

} // namespace

QImage ThumbnailImage::decode(const QByteArray& data) {
    if (data.isEmpty())
        return QImage();
    QByteArray bytes = data;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readWithin(reader, MaxThumbnailSide, qint64(MaxThumbnailSide) * MaxThumbnailSide);
}

QImage ThumbnailImage::decodeFile(const QString& path) {
    QImageReader reader(path);
    return readWithin(reader, MaxPictureSide, MaxPicturePixels);
}
