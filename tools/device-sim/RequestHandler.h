#pragma once

#include "SimOptions.h"

#include <QHostAddress>
#include <QList>
#include <QVariantMap>

class EventLog;
class FileStore;
class SessionManager;

// Answers the requests a client sends to a device's request port. Each
// request gives the replies to send back, in order: usually one, several for
// a long listing, none when the device is told to keep quiet.
class RequestHandler {
public:
    RequestHandler(const FileStore& store, SessionManager& sessions, const SimFaults& faults,
                   int listingChunk, const QHostAddress& deviceAddress, EventLog& log);

    QList<QVariantMap> handle(const QVariantMap& request);

    QString salutatory() const { return salutatory_; }

private:
    QVariantMap fileUpload(const QVariantMap& request);
    QList<QVariantMap> queryResult(const QVariantMap& request);
    QList<QVariantMap> fileList(const QVariantMap& request);
    QVariantMap fileDownload(const QVariantMap& request);
    QVariantMap fileOpen(const QVariantMap& request);
    QVariantMap fileDelete(const QVariantMap& request);
    QVariantMap thumbnail(const QVariantMap& request);
    QVariantMap setSalutatory(const QVariantMap& request);

    static QVariantMap ok();
    static QVariantMap fail(const QString& reason);
    static QVariantMap fail(const QString& reason, const QVariant& sessionId);

    const FileStore& store_;
    SessionManager& sessions_;
    SimFaults faults_;
    int listingChunk_;
    QHostAddress deviceAddress_;
    EventLog& log_;
    QString salutatory_;
};
