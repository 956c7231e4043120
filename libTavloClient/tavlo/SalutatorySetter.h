#pragma once

#include "tavlo/DeviceRequestTask.h"

// Sets the device's welcome text.
class SalutatorySetter : public DeviceRequestTask {
    Q_OBJECT
public:
    SalutatorySetter(const QString& salutatory, const ServerContent& server,
                     QObject* parent = nullptr);
    ~SalutatorySetter() override;
    void run() override;

signals:
    void notify(QString description);

private:
    QString salutatory_;
};
