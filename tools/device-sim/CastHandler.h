#pragma once

#include <QHash>
#include <QHostAddress>
#include <QString>
#include <QVariantMap>

class EventLog;

// How a simulated device takes part in screen casting.
struct CastSettings {
    QString password;    // empty: no password wanted
    bool noIp = false;   // the cast reply names no address
    bool legacy = false; // a device from before confirmation and passwords
};

// Answers the cast negotiation on the device's "Glimmer" port: get_auth
// (with a fresh challenge each time when a password is set), confirm,
// cancel_confirm and cast. A proof answers only the last challenge its
// client was given, and only once.
class CastHandler {
public:
    static constexpr int WrongPasswordCode = -1002;
    static constexpr int UnknownTypeCode = -1000;

    CastHandler(const CastSettings& settings, const QString& deviceUuid, EventLog& log);

    // The reply to one request from `client`; `reachedAt` is the address the
    // request came to, which the cast reply names unless told not to.
    QVariantMap handle(const QVariantMap& request, const QHostAddress& client,
                       const QHostAddress& reachedAt);

    // What the device expects in "passwd" for `randomData`.
    static QString expectedProof(const QString& password, const QString& randomData);

private:
    QVariantMap getAuth(const QString& client);
    QVariantMap confirm(const QVariantMap& request, const QString& client);
    QVariantMap cancelConfirm(const QVariantMap& request, const QString& client);
    QVariantMap cast(const QVariantMap& request, const QString& client,
                     const QHostAddress& reachedAt);
    // Null when the request may go on; otherwise the refusal to send.
    QVariantMap checkProof(const QString& type, const QVariantMap& request, const QString& client);
    QVariantMap ok() const;
    QVariantMap refuse(const QString& type, int code, const QString& reason) const;

    CastSettings settings_;
    QString deviceUuid_;
    EventLog& log_;
    QHash<QString, QString> challenges_; // client -> last random_data
};
