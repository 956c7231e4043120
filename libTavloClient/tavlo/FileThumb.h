#pragma once

#include "tavlo/DeviceRequestTask.h"

#include <QByteArray>
#include <QModelIndex>

// Fetches a remote file's thumbnail, from the local cache when it was made
// for the same device, path and modification time.
class FileThumb : public DeviceRequestTask {
    Q_OBJECT
public:
    FileThumb(const QString& remotePath, const ServerContent& server, qint64 dateModified,
              const QModelIndex& index, QObject* parent = nullptr);
    ~FileThumb() override;
    void run() override;

    QByteArray thumbnail() const { return thumb_; }
    // True when the last run was answered from the cache.
    bool fromCache() const { return fromCache_; }

signals:
    void getThumbEnd(bool result, QByteArray byteArray, QModelIndex mIndex);

private:
    QString remotePath_;
    QByteArray thumb_;
    QModelIndex index_;
    qint64 dateModified_;
    bool fromCache_ = false;
};
