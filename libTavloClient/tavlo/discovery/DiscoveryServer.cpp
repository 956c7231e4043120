#include "tavlo/discovery/DiscoveryServer.h"

#include "tavlo/TavloClientDatabase.h"
#include "tavlo/discovery/AutoUpdater.h"
#include "tavlo/discovery/DiscoverableService.h"
#include "tavlo/discovery/ServerInfoGetter.h"
#include "tavlo/discovery/ServiceBrowser.h"
#include "utils/MetaTypes.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMutex>
#include <QThreadPool>

const QString DiscoveryServer::ServiceType = QStringLiteral("_tavlo._udp");
const QString DiscoveryServer::OwnServiceName = QStringLiteral("TavloClient");

namespace {

const char* const Category = "DiscoveryServer";

QMutex& discoveryMutex() {
    static QMutex mutex(QMutex::Recursive);
    return mutex;
}

qint64 now() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

DiscoveryServer* DiscoveryServer::instance() {
    QMutexLocker lock(&discoveryMutex());
    static DiscoveryServer* server = new DiscoveryServer();
    return server;
}

DiscoveryServer::DiscoveryServer() {
    MetaTypes::registerAll();
    updater_ = new AutoUpdater(this);
    updater_->start(QThread::InheritPriority);
    // The updater's thread ends with the event loop, before Qt is torn down.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            updater_->quit();
            updater_->wait();
        });
}

DiscoveryServer::~DiscoveryServer() {
    delete updater_;
    stop();
}

bool DiscoveryServer::start() {
    {
        QMutexLocker lock(&discoveryMutex());
        startBrowsingLocked();
    }
    queryServers();
    return true;
}

void DiscoveryServer::startBrowsingLocked() {
    if (!started_) {
        browser_ = new ServiceBrowser(ServiceType);
        connect(browser_, &ServiceBrowser::browsingFailed, this,
                &DiscoveryServer::onServiceBrowsingFailed, Qt::UniqueConnection);
        connect(browser_, &ServiceBrowser::serviceAdded, this, &DiscoveryServer::onServiceAdded,
                Qt::UniqueConnection);
        connect(browser_, &ServiceBrowser::serviceRemoved, this, &DiscoveryServer::onServiceRemoved,
                Qt::UniqueConnection);
        browser_->browse();

        ownService_ = new DiscoverableService(ServiceType, OwnServiceName, browser_);
        ownService_->setPort(OwnServicePort);
        connect(ownService_, &DiscoverableService::registered, this,
                &DiscoveryServer::onServiceRegistered, Qt::UniqueConnection);
        connect(ownService_, &DiscoverableService::registrationError, this,
                &DiscoveryServer::onServiceRegistrationError, Qt::UniqueConnection);
        ownService_->registerService(false);
    }
    started_ = true;
}

bool DiscoveryServer::stop() {
    QMutexLocker lock(&discoveryMutex());
    if (started_) {
        ownService_->releaseService();
        delete ownService_;
        ownService_ = nullptr;
        browser_->stopBrowsing();
        delete browser_;
        browser_ = nullptr;
        started_ = false;
    }
    return true;
}

QList<ServerContent> DiscoveryServer::servers() const {
    QMutexLocker lock(&tableMutex_);
    return devices_.values();
}

void DiscoveryServer::startQuery(const QHostAddress& address, quint16 port, bool partOfRound) {
    auto* getter = new ServerInfoGetter(this, address, port);
    if (partOfRound) {
        ++roundQueries_;
        getter->setFinishedHandler([this] { --roundQueries_; });
    }
    QThreadPool::globalInstance()->start(getter);
}

void DiscoveryServer::queryServers() {
    if (isScanning()) {
        qDebug("[I][%s] The previous scan is still waiting for answers; no new one.", Category);
        return;
    }
    const QList<ServerContent> manual = TavloClientDatabase::instance()->getManualDevices();
    for (const ServerContent& device : manual)
        startQuery(device.address, quint16(device.port), true);
    QList<ResolvedHost> hosts;
    {
        QMutexLocker lock(&tableMutex_);
        hosts = resolvedHosts_.values();
    }
    for (const ResolvedHost& host : qAsConst(hosts))
        startQuery(host.address, host.port, true);
    startQuery(QHostAddress(QHostAddress::Broadcast), QueryPort, true);
}

void DiscoveryServer::onServiceAdded(QString serviceName, QString domain) {
    auto* lookup = new DiscoverableService(browser_->serviceType(), serviceName, browser_);
    lookup->setDomain(domain);
    connect(lookup, &DiscoverableService::lookuped, this, &DiscoveryServer::onLookuped);
    connect(lookup, &DiscoverableService::lookupError, this, &DiscoveryServer::onLookupError);
    lookup->resolve(false);
}

void DiscoveryServer::onLookuped(QHostAddress address, int port) {
    auto* lookup = qobject_cast<DiscoverableService*>(sender());
    if (!lookup)
        return;
    const QString name = lookup->serviceName();
    qDebug("[I][%s] mDns service \"%s\" added: %s:%d", Category, qPrintable(name),
           qPrintable(address.toString()), port);
    startQuery(address, quint16(port));
    {
        QMutexLocker lock(&tableMutex_);
        resolvedHosts_.insert(name, ResolvedHost{address, quint16(port)});
    }
    lookup->deleteLater();
}

void DiscoveryServer::onLookupError(int code) {
    if (QObject* lookup = sender())
        lookup->deleteLater();
    qCritical("[E][%s] Service lookup fail: %d", Category, code);
}

void DiscoveryServer::onServiceRemoved(QString serviceName, QString) {
    ResolvedHost host;
    {
        QMutexLocker lock(&tableMutex_);
        if (!resolvedHosts_.contains(serviceName)) {
            qWarning("[W][%s] mDns service \"%s\" removed, but it doesn't have the ip.", Category,
                     qPrintable(serviceName));
            return;
        }
        host = resolvedHosts_.take(serviceName);
    }
    qDebug("[I][%s] mDns service \"%s\" removed, %s:%d", Category, qPrintable(serviceName),
           qPrintable(host.address.toString()), int(host.port));
    // The device leaves the table only if it stops answering.
    startQuery(host.address, host.port);
}

void DiscoveryServer::onServiceBrowsingFailed(int errorCode) {
    qCritical("[E][%s] Service browsing fail: %d", Category, errorCode);
}

void DiscoveryServer::onServiceRegistered() {
    qDebug("[I][%s] Service register success.", Category);
}

void DiscoveryServer::onServiceRegistrationError(int code) {
    qCritical("[E][%s] Service register fail: %d", Category, code);
}

void DiscoveryServer::onQueryServerResult(const ServerContent& server, bool valid,
                                          bool sweepEnded) {
    QList<ServerContent> gone;
    QList<ServerContent> found;
    int count = -1;
    const QString key = server.address.toString();
    {
        QMutexLocker lock(&tableMutex_);
        if (sweepEnded) {
            gone = takeExpiredLocked();
            count = devices_.size();
        } else {
            const auto it = devices_.find(key);
            if (!valid) {
                // A device heard from within the expiry age survives a failed query.
                if (it != devices_.end() && now() - it->lastSeen > ExpiryAgeMs) {
                    gone.append(it.value());
                    devices_.erase(it);
                }
            } else if (it == devices_.end()) {
                devices_.insert(key, server);
                found.append(server);
            } else if (it.value() != server) {
                gone.append(it.value());
                found.append(server);
                it.value() = server;
            } else {
                it.value() = server;
            }
        }
    }

    if (sweepEnded) {
        announceGone(gone);
        emit serverDiscoeryEnd(count);
        return;
    }
    if (!found.isEmpty() && !gone.isEmpty()) {
        emit serverDisappeared(gone.first());
        emit serverDiscoveried(server);
        qDebug("[I][%s] Tavlo device \"%s\" changed: %s", Category, qPrintable(server.name),
               qPrintable(key));
    } else if (!found.isEmpty()) {
        emit serverDiscoveried(server);
        qDebug("[I][%s] Tavlo device \"%s\" discoveried: %s", Category, qPrintable(server.name),
               qPrintable(key));
    } else if (!gone.isEmpty()) {
        emit serverDisappeared(gone.first());
        qDebug("[I][%s] Tavlo device \"%s\" disappeared: %s", Category,
               qPrintable(gone.first().name), qPrintable(key));
    }
}

void DiscoveryServer::clearInvalidServer() {
    QList<ServerContent> gone;
    {
        QMutexLocker lock(&tableMutex_);
        gone = takeExpiredLocked();
    }
    announceGone(gone);
}

QList<ServerContent> DiscoveryServer::takeExpiredLocked() {
    QList<ServerContent> gone;
    const qint64 current = now();
    for (auto it = devices_.begin(); it != devices_.end();) {
        if (current - it->lastSeen > ExpiryAgeMs) {
            gone.append(it.value());
            it = devices_.erase(it);
        } else {
            ++it;
        }
    }
    return gone;
}

void DiscoveryServer::announceGone(const QList<ServerContent>& gone) {
    for (const ServerContent& device : gone) {
        emit serverDisappeared(device);
        qDebug("[I][%s] Tavlo device disappeared: %s, name: %s.", Category,
               qPrintable(device.address.toString()), qPrintable(device.name));
    }
}

void DiscoveryServer::requeryQuietDevices() {
    QList<ServerContent> quiet;
    {
        QMutexLocker lock(&tableMutex_);
        const qint64 current = now();
        for (const ServerContent& device : qAsConst(devices_)) {
            if (current - device.lastSeen >= RequeryAgeMs)
                quiet.append(device);
        }
    }
    for (const ServerContent& device : qAsConst(quiet))
        startQuery(device.address, quint16(device.port));
}
