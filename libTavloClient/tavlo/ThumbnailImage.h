#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Pictures decoded for thumbnails. Their bytes come from a device, or from a
// local file whose content a peer may have chosen (a pushed file): a few
// bytes can announce a picture of gigabytes. A picture is decoded only when
// its format states its size first and that size is within the limit;
// anything else is no picture.
class ThumbnailImage {
public:
    // A thumbnail a device sent.
    static constexpr int MaxThumbnailSide = 4096;
    // A local picture to make a thumbnail of: large photographs pass.
    static constexpr int MaxPictureSide = 16384;
    static constexpr qint64 MaxPicturePixels = 100 * 1000 * 1000;

    static QImage decode(const QByteArray& data);
    static QImage decodeFile(const QString& path);
};
