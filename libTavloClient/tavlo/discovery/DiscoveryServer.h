#pragma once

#include "utils/ServerContent.h"

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QObject>

#include <atomic>

class DiscoverableService;
class ServiceBrowser;

// The table of live devices. Candidates come from multicast DNS
// ("_tavlo._udp"), the devices added by hand and a broadcast sweep; each is
// confirmed by a device query before it enters the table, devices silent for
// a while are queried again, and devices that stop answering are dropped.
class DiscoveryServer : public QObject {
    Q_OBJECT
public:
    class ServerInfoGetter;
    class AutoUpdater;

    static constexpr quint16 QueryPort = 16020;
    static constexpr quint16 OwnServicePort = 16020;
    static constexpr qint64 RequeryAgeMs = 12500;
    static constexpr qint64 ExpiryAgeMs = 15000;
    static constexpr int UpdaterPeriodMs = 15000;
    static const QString ServiceType;    // "_tavlo._udp"
    static const QString OwnServiceName; // "TavloClient"

    static DiscoveryServer* instance();
    ~DiscoveryServer() override;

    bool start();
    bool stop();

    // Entry point of the query tasks, called on their pool threads.
    void onQueryServerResult(const ServerContent& server, bool valid, bool sweepEnded);
    void clearInvalidServer();
    // Queries manual devices, resolved hosts and sweeps by broadcast. A round
    // asked for while the previous one still waits for answers is skipped,
    // so that rounds cannot pile up behind silent devices.
    void queryServers();
    bool isScanning() const { return roundQueries_.load() > 0; }

    QList<ServerContent> servers() const;

signals:
    void serverDiscoveried(ServerContent server);
    void serverDisappeared(ServerContent server);
    void serverDiscoeryEnd(int count);

private slots:
    void onServiceBrowsingFailed(int errorCode);
    void onServiceAdded(QString serviceName, QString domain);
    void onServiceRemoved(QString serviceName, QString domain);
    void onServiceRegistered();
    void onServiceRegistrationError(int code);
    void onLookuped(QHostAddress address, int port);
    void onLookupError(int code);

private:
    DiscoveryServer();
    void startBrowsingLocked();
    void startQuery(const QHostAddress& address, quint16 port, bool partOfRound = false);
    void requeryQuietDevices();
    // Removes the devices silent for longer than the expiry age; the caller
    // holds the table lock and announces them after releasing it.
    QList<ServerContent> takeExpiredLocked();
    void announceGone(const QList<ServerContent>& gone);

    // Guards the device table and the resolved hosts. Signals are emitted
    // only after it is released: a slot connected directly may take locks
    // of its own.
    mutable QMutex tableMutex_;
    bool started_ = false;
    ServiceBrowser* browser_ = nullptr;
    DiscoverableService* ownService_ = nullptr;
    QHash<QString, ServerContent> devices_;
    // Multicast DNS name to the host and query port it announced; a device
    // may announce another port than 16020.
    struct ResolvedHost {
        QHostAddress address;
        quint16 port = QueryPort;
    };
    QHash<QString, ResolvedHost> resolvedHosts_;
    AutoUpdater* updater_ = nullptr;
    std::atomic<int> roundQueries_{0};
};
