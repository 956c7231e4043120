#pragma once

#include "CastHandler.h"
#include "RequestHandler.h"
#include "SessionManager.h"
#include "SimOptions.h"

#include <QObject>
#include <QThreadPool>
#include <QUdpSocket>

#include <atomic>
#include <memory>

class EventLog;
class FileStore;
class QNetworkDatagram;

// One simulated device on one address: answers device queries on the query
// port, requests on the request port and, when it offers "Glimmer : PORT",
// the cast negotiation on that port, replying from the port the request came
// to (unless a fault option says otherwise).
class SimDevice : public QObject {
    Q_OBJECT
public:
    // Datagrams larger than this are no requests of a client; they are dropped.
    static constexpr int MaxDatagramSize = 32768;

    SimDevice(const DeviceIdentity& identity, const SimOptions& options, const FileStore& store,
              EventLog& log, QObject* parent = nullptr);
    ~SimDevice() override;

    // Binds the sockets and prints the "listening" line.
    bool start(QString* error);
    // Ends the device's transfers (blocking until their workers stopped).
    void stop();

    quint16 queryPort() const { return querySocket_.localPort(); }
    quint16 requestPort() const { return requestSocket_.localPort(); }
    // 0 when the device offers no screen casting.
    quint16 castPort() const { return castSocket_.localPort(); }

    // The query reply: name, version, os, uuid, type and support.
    static QVariantMap describe(const DeviceIdentity& identity);
    static bool isBroadcast(const QHostAddress& destination);

private:
    void onQueryReadyRead();
    void onRequestReadyRead();
    void answerQuery(const QNetworkDatagram& datagram);
    void answerRequest(const QNetworkDatagram& datagram);
    void onCastReadyRead();
    void answerCast(const QNetworkDatagram& datagram);
    void reply(const QByteArray& data, const QHostAddress& address, quint16 port);
    void sendOffer();
    void fetchOffer(const QVariantMap& offer, const QHostAddress& pc);

    DeviceIdentity identity_;
    const SimOptions& options_;
    EventLog& log_;
    SessionManager sessions_;
    RequestHandler handler_;
    CastHandler castHandler_;
    QUdpSocket querySocket_;
    QUdpSocket requestSocket_;
    QUdpSocket castSocket_;
    std::unique_ptr<QUdpSocket> wrongPortSocket_;
    QString storeRoot_;
    QThreadPool fetchers_;
    std::atomic<bool> stopping_{false};
};
