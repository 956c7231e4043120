#pragma once

#include <QString>
#include <QVariantMap>

// One answer of the device during the cast handshake, read once. A member of
// the wrong JSON type counts as absent, and so does an "error_code" beyond
// 32 bits.
struct CastReply {
    static constexpr int UnknownErrorCode = -1000;

    bool ok = false;                  // "result" is "ok"
    QString deviceUuid;               // "uuid"
    int errorCode = UnknownErrorCode; // "error_code"
    QString reason;                   // "reason"
    bool needPassword = false;        // "need_passwd"
    QString randomData;               // "random_data": the password challenge
    QString ip;                       // "ip": for the mirroring program

    static CastReply read(const QVariantMap& reply);
};
