#include "MdnsWatcher.h"

#include "EventLog.h"

#include "tavlo/discovery/DiscoveryServer.h"

MdnsWatcher::MdnsWatcher(EventLog& log, QObject* parent)
    : QObject(parent)
    , browser_(DiscoveryServer::ServiceType)
    , log_(log) {
    connect(&browser_, &ServiceBrowser::serviceAdded, this,
            [this](const QString& name) { log_.event(QStringLiteral("mdns-added %1").arg(name)); });
    connect(&browser_, &ServiceBrowser::serviceRemoved, this, [this](const QString& name) {
        log_.event(QStringLiteral("mdns-removed %1").arg(name));
    });
    connect(&browser_, &ServiceBrowser::browsingFailed, this,
            [this](int code) { log_.event(QStringLiteral("mdns-failed %1").arg(code)); });
}

void MdnsWatcher::start() {
    browser_.browse();
}
