#include "ui/RecentFilesModel.h"

#include "ui/FileTexts.h"
#include "ui/FileTypes.h"
#include "utils/ProtocolDefinedJsonObject.h"

RecentFilesModel::RecentFilesModel(QObject* parent)
    : ThumbnailTableModel({tr("文件名"), tr("上传/下载"), tr("操作时间")}, parent) {}

void RecentFilesModel::setRecords(const QList<RecentFilesContent>& records) {
    beginResetModel();
    records_ = records;
    setRowTotal(records_.size());
    endResetModel();
}

QString RecentFilesModel::fileNameOf(const RecentFilesContent& record) {
    return record.nativePath.split(QLatin1Char('/')).last();
}

QString RecentFilesModel::kindText(const QString& type) {
    if (type == Protocol::FILE_DOWNLOAD)
        return tr("下载");
    if (type == Protocol::SECURE)
        return tr("机密上传");
    return tr("上传");
}

QVariant RecentFilesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= records_.size())
        return QVariant();
    const RecentFilesContent& record = records_.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case NameColumn:
            return fileNameOf(record);
        case KindColumn:
            return kindText(record.type);
        case TimeColumn:
            return FileTexts::dateText(record.operateTime);
        }
        return QVariant();
    case Qt::DecorationRole:
        return column == NameColumn ? decoration(index.row()) : QVariant();
    case Qt::TextAlignmentRole:
        return column == NameColumn ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignCenter);
    case Qt::SizeHintRole:
        return column == NameColumn ? QSize(240, IconSize) : QSize(100, IconSize);
    case Qt::ToolTipRole:
        return record.nativePath;
    case RowIdRole:
        return record.rowid;
    case NativePathRole:
        return record.nativePath;
    case RemotePathRole:
        return record.remotePath;
    case TypeRole:
        return record.type;
    default:
        return QVariant();
    }
}

QVariant RecentFilesModel::decoration(int row) const {
    const RecentFilesContent& record = records_.at(row);
    const QString name = fileNameOf(record);
    if (FileTypes::isPicture(name)) {
        if (record.thumbLoaded && !record.thumb.isNull())
            return cellPixmap(record.thumb);
        if (!record.thumbLoaded && claimThumbnail(row)) {
            // Emitting from a const read: the view asks for the picture when
            // it first draws the row.
            auto* self = const_cast<RecentFilesModel*>(this);
            emit self->startGetThumb(record.uuid, record.nativePath, record.dateModified,
                                     index(row, NameColumn));
        }
    }
    return cellPixmap(FileTypes::instance().iconPathFor(name));
}

void RecentFilesModel::getThumbResult(bool result, QImage image, QModelIndex index) {
    if (!isCurrent(index))
        return;
    RecentFilesContent& record = records_[index.row()];
    record.thumb = result ? image : QImage();
    record.thumbLoaded = true;
    thumbnailChanged(index.row());
}
