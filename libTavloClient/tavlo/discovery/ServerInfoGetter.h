#pragma once

#include "tavlo/discovery/DiscoveryServer.h"

#include <QHostAddress>
#include <QList>
#include <QRunnable>

#include <functional>

class QUdpSocket;

// One device query: a unicast query of one address, or a broadcast sweep that
// collects every answer until 2000 ms pass without one.
class DiscoveryServer::ServerInfoGetter : public QRunnable {
public:
    static constexpr int ReplyTimeoutMs = 2000;

    using Report = std::function<void(const ServerContent& server, bool valid, bool sweepEnded)>;

    // `server` receives the results of run(); it may be null for query().
    ServerInfoGetter(DiscoveryServer* server, const QHostAddress& address, quint16 port);
    void run() override;
    // Performs the query on this thread and hands every result to `report`.
    void query(const Report& report) const;
    // Called at the end of run(), after the last report.
    void setFinishedHandler(std::function<void()> handler) { finished_ = std::move(handler); }

    ServerContent getServerContent(const char* data, quint64 size, bool& ok) const;

    // The query a PC sends: its name, version, os, uuid and type "client".
    static QByteArray queryRequest(bool& ok);
    // 255.255.255.255 and the directed broadcast address of every interface
    // that is up, can broadcast and is not loopback.
    static QList<QHostAddress> sweepTargets();

private:
    bool isBroadcast() const;

    DiscoveryServer* server_;
    QHostAddress address_;
    quint16 port_;
    std::function<void()> finished_;
};
