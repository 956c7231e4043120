#include "MdnsAnnouncer.h"

#include "EventLog.h"

#include "tavlo/discovery/DiscoveryServer.h"

MdnsAnnouncer::MdnsAnnouncer(const QString& name, quint16 port, EventLog& log, QObject* parent)
    : QObject(parent)
    , service_(DiscoveryServer::ServiceType, name)
    , log_(log) {
    service_.setPort(port);
    // The name may have been changed on a collision; report the one in use.
    connect(&service_, &DiscoverableService::registered, this,
            [this] { log_.event(QStringLiteral("announced %1").arg(service_.serviceName())); });
    connect(&service_, &DiscoverableService::registrationError, this,
            [this](int code) { log_.event(QStringLiteral("announce-failed %1").arg(code)); });
}

void MdnsAnnouncer::start() {
    service_.registerService(false);
}
