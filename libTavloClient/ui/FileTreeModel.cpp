#include "ui/FileTreeModel.h"

#include "ui/FileTexts.h"
#include "ui/FileTypes.h"

#include <QSize>

FileTreeModel::FileTreeModel(QObject* parent)
    : ThumbnailTableModel({tr("文件名"), tr("大小"), tr("修改时间"), tr("类型")}, parent) {}

void FileTreeModel::setFiles(const QList<FileContent>& files) {
    beginResetModel();
    files_ = files;
    setRowTotal(files_.size());
    endResetModel();
}

QVariant FileTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= files_.size())
        return QVariant();
    const FileContent& file = files_.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case NameColumn:
            return file.fileName;
        case SizeColumn:
            return file.isDir() ? QVariant() : FileTexts::sizeText(file.fileSize);
        case DateColumn:
            return FileTexts::dateText(file.dateModified);
        case TypeColumn:
            return file.isDir() ? tr("目录") : tr("文件");
        }
        return QVariant();
    case Qt::DecorationRole:
        return column == NameColumn ? decoration(index.row()) : QVariant();
    case Qt::TextAlignmentRole:
        return column == NameColumn ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignCenter);
    case Qt::SizeHintRole:
        switch (column) {
        case NameColumn:
            return QSize(240, IconSize);
        case SizeColumn:
            return QSize(80, IconSize);
        case DateColumn:
            return QSize(180, IconSize);
        default:
            return QSize(40, IconSize);
        }
    case TypeRole:
        return column == NameColumn ? file.fileType : QVariant();
    case NameRole:
        return column == NameColumn ? file.fileName : QVariant();
    case DateModifiedRole:
        return column == NameColumn ? file.dateModified : QVariant();
    default:
        return QVariant();
    }
}

QVariant FileTreeModel::decoration(int row) const {
    const FileContent& file = files_.at(row);
    if (file.isDir())
        return cellPixmap(FileTypes::FolderIcon);
    if (FileTypes::isPicture(file.fileName)) {
        if (file.thumbLoaded && !file.thumbnail.isNull())
            return cellPixmap(file.thumbnail);
        if (!file.thumbLoaded && claimThumbnail(row)) {
            // Emitting from a const read: the view asks for the picture when
            // it first draws the row.
            auto* self = const_cast<FileTreeModel*>(this);
            emit self->startGetThumb(file.fileName, file.dateModified, index(row, NameColumn));
        }
    }
    return cellPixmap(FileTypes::instance().iconPathFor(file.fileName));
}

void FileTreeModel::getThumbResult(bool result, QImage image, QModelIndex index) {
    if (!isCurrent(index))
        return;
    FileContent& file = files_[index.row()];
    file.thumbnail = result ? image : QImage();
    file.thumbLoaded = true;
    thumbnailChanged(index.row());
}
