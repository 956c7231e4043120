#pragma once

#include "ui/ThumbnailTableModel.h"
#include "utils/RecentFilesContent.h"

#include <QList>

// The transfer history of one device as three columns: file name, kind of
// transfer and when it finished. Pictures ask for their thumbnail (once)
// when they are first shown.
class RecentFilesModel : public ThumbnailTableModel {
    Q_OBJECT
public:
    enum Column { KindColumn = 1, TimeColumn };
    enum Role {
        RowIdRole = Qt::UserRole,          // qint64, the history row
        NativePathRole = Qt::UserRole + 1, // the local file
        RemotePathRole = Qt::UserRole + 2, // the file on the device
        TypeRole = Qt::UserRole + 3,       // "file_upload", "secure" or "file_download"
    };

    explicit RecentFilesModel(QObject* parent = nullptr);

    void setRecords(const QList<RecentFilesContent>& records);
    QList<RecentFilesContent> records() const { return records_; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    static QString fileNameOf(const RecentFilesContent& record);
    static QString kindText(const QString& type);

signals:
    void startGetThumb(QString uuid, QString filePath, qlonglong dateModified, QModelIndex index);

public slots:
    // A failed or empty thumbnail leaves the row with its file-type icon.
    void getThumbResult(bool result, QImage image, QModelIndex index);

private:
    QVariant decoration(int row) const;

    QList<RecentFilesContent> records_;
};
