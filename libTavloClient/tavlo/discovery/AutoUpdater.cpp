#include "tavlo/discovery/AutoUpdater.h"

#include <QTimer>

DiscoveryServer::AutoUpdater::AutoUpdater(DiscoveryServer* server)
    : server_(server) {}

DiscoveryServer::AutoUpdater::~AutoUpdater() {
    if (isRunning()) {
        quit();
        wait(500);
    }
}

void DiscoveryServer::AutoUpdater::run() {
    QTimer timer;
    timer.setInterval(UpdaterPeriodMs);
    // The timer's thread is this one, so the update runs here.
    QObject::connect(&timer, &QTimer::timeout, &timer, [this] { onUpdate(); });
    timer.start();
    exec();
}

void DiscoveryServer::AutoUpdater::onUpdate() {
    server_->requeryQuietDevices();
}
