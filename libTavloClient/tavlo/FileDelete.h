#pragma once

#include "tavlo/DeviceRequestTask.h"

// Removes one file from the device.
class FileDelete : public DeviceRequestTask {
    Q_OBJECT
public:
    FileDelete(const QString& remotePath, const ServerContent& server, QObject* parent = nullptr);
    ~FileDelete() override;
    void run() override;

signals:
    void deleteFileEnd(bool result);
    void notify(QString description);

private:
    QString remotePath_;
};
