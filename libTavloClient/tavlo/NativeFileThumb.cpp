#include "tavlo/NativeFileThumb.h"

#include "tavlo/TavloClientDatabase.h"
#include "tavlo/ThumbnailImage.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

NativeFileThumb::NativeFileThumb(const QString& uuid, const QString& path, int dateModified,
                                 const QModelIndex& index, QObject* parent)
    : QObject(parent)
    , uuid_(uuid)
    , path_(path)
    , dateModified_(dateModified)
    , index_(index) {
    setAutoDelete(true);
}

void NativeFileThumb::run() {
    auto* database = TavloClientDatabase::instance();
    const qint64 dateModified = dateModified_; // sign-extended, as stored
    QByteArray thumb = database->getThumb(uuid_, path_, dateModified);
    if (!thumb.isEmpty() || !QFile::exists(path_)) {
        emit getThumbEnd(thumb, index_);
        return;
    }

    const QImage image = ThumbnailImage::decodeFile(path_);
    if (!image.isNull()) {
        const QImage scaled =
            image.scaled(ThumbSize, ThumbSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QBuffer buffer(&thumb);
        buffer.open(QIODevice::WriteOnly);
        scaled.save(&buffer, "PNG");
    }
    // An unreadable image stores an empty blob, so the next request tries again.
    database->setThumb(uuid_, path_, dateModified, thumb);
    emit getThumbEnd(thumb, index_);
}
