#pragma once

#include "tavlo/DeviceRequestTask.h"

// Makes the device show one of its files on its screen.
class FileOpen : public DeviceRequestTask {
    Q_OBJECT
public:
    FileOpen(const QString& remotePath, const ServerContent& server, QObject* parent = nullptr);
    ~FileOpen() override;
    void run() override;

    // The request: secure paths ("secure:/name") name the secure area and
    // the bare file name; all others the normal area and the path as it is.
    static QVariantMap request(const QString& remotePath);

signals:
    void notify(QString description);

private:
    QString remotePath_;
};
