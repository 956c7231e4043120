#pragma once

#include "ui/ThumbnailTableModel.h"
#include "utils/FileContent.h"

#include <QList>

// One folder of a device as four columns: name, size, modification time and
// kind. Pictures ask for their thumbnail (once) when they are first shown.
class FileTreeModel : public ThumbnailTableModel {
    Q_OBJECT
public:
    enum Column { SizeColumn = 1, DateColumn, TypeColumn };
    enum Role {
        TypeRole = Qt::UserRole,             // "dir" or "file"
        NameRole = Qt::UserRole + 1,         // the entry's name
        DateModifiedRole = Qt::UserRole + 2, // qint64, ms since 1970
    };

    explicit FileTreeModel(QObject* parent = nullptr);

    // Replaces the entries, in the order given.
    void setFiles(const QList<FileContent>& files);
    QList<FileContent> files() const { return files_; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    void startGetThumb(QString filePath, qint64 dateModified, QModelIndex index);

public slots:
    // A thumbnail for the row of `index`; a result for an earlier listing is
    // dropped, a failed one (a null image) leaves the file-type icon.
    void getThumbResult(bool result, QImage image, QModelIndex index);

private:
    QVariant decoration(int row) const;

    QList<FileContent> files_;
};
