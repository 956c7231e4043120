#pragma once

#include <QAbstractTableModel>
#include <QImage>
#include <QPixmap>
#include <QStringList>
#include <QVector>

// What the two file lists (a device folder, the transfer history) share: a
// table under centred headers whose name column shows a 48 x 48 picture.
// Each row asks for its thumbnail once per list, and a thumbnail is only
// taken for the list that asked: the indexes carry the list's number.
class ThumbnailTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int IconSize = 48;
    static constexpr int NameColumn = 0;

    ThumbnailTableModel(const QStringList& headers, QObject* parent);

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // True when `index` belongs to the list shown now.
    bool isCurrent(const QModelIndex& index) const;

    // A cell picture, the aspect ratio ignored.
    static QPixmap cellPixmap(const QImage& image);
    static QPixmap cellPixmap(const QString& resourcePath);

protected:
    // Between beginResetModel() and endResetModel(): a new list of `rows`.
    void setRowTotal(int rows);
    // True the first time it is called for `row` in this list.
    bool claimThumbnail(int row) const;
    // Redraws the picture of `row`.
    void thumbnailChanged(int row);

private:
    QStringList headers_;
    int rows_ = 0;
    mutable QVector<bool> asked_;
    quintptr generation_ = 0;
};
