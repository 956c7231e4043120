#pragma once

#include "tavlo/TransferTimings.h"
#include "utils/ServerContent.h"
#include "utils/TransferFailure.h"

#include <QObject>
#include <QRunnable>
#include <QVariantMap>

// The shape of the small operations (open, delete, thumbnail, welcome text):
// one request to the device, one reply, a boolean result reported when the
// task is destroyed.
class DeviceRequestTask : public QObject, public QRunnable {
    Q_OBJECT
public:
    explicit DeviceRequestTask(const ServerContent& server, QObject* parent = nullptr);

    bool result() const { return result_; }
    // Why the request failed; None after success.
    TransferFailure failure() const { return failure_; }
    // The failure in English; empty after success.
    QString errorText() const { return failure_.text(); }
    void setTimings(const TransferTimings& timings) { timings_ = timings; }

protected:
    // Sends `request` to the device's request port and reads one reply from
    // that port; transport failures only set the error text (no log line).
    bool exchange(const QVariantMap& request, QVariantMap& reply);

    ServerContent server_;
    bool result_ = false;
    TransferFailure failure_;
    TransferTimings timings_ = TransferTimings::forRequest();
};
