#include "ui/ThumbnailTableModel.h"

ThumbnailTableModel::ThumbnailTableModel(const QStringList& headers, QObject* parent)
    : QAbstractTableModel(parent)
    , headers_(headers) {}

QModelIndex ThumbnailTableModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= rows_ || column < 0 || column >= headers_.size())
        return QModelIndex();
    return createIndex(row, column, generation_);
}

int ThumbnailTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ThumbnailTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : headers_.size();
}

QVariant ThumbnailTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= headers_.size())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role == Qt::DisplayRole)
        return headers_.at(section);
    return QVariant();
}

bool ThumbnailTableModel::isCurrent(const QModelIndex& index) const {
    return index.isValid() && index.model() == this && index.internalId() == generation_ &&
           index.row() >= 0 && index.row() < rows_;
}

void ThumbnailTableModel::setRowTotal(int rows) {
    rows_ = rows;
    asked_ = QVector<bool>(rows, false);
    ++generation_;
}

bool ThumbnailTableModel::claimThumbnail(int row) const {
    if (row < 0 || row >= asked_.size() || asked_.at(row))
        return false;
    asked_[row] = true;
    return true;
}

void ThumbnailTableModel::thumbnailChanged(int row) {
    const QModelIndex cell = index(row, NameColumn);
    emit dataChanged(cell, cell, {Qt::DecorationRole});
}

QPixmap ThumbnailTableModel::cellPixmap(const QImage& image) {
    return QPixmap::fromImage(
        image.scaled(IconSize, IconSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QPixmap ThumbnailTableModel::cellPixmap(const QString& resourcePath) {
    return QPixmap(resourcePath)
        .scaled(IconSize, IconSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
