#pragma once

#include "tavlo/discovery/DiscoveryServer.h"

#include <QThread>

// Every 15000 ms queries again the devices silent for 12500 ms or more.
class DiscoveryServer::AutoUpdater : public QThread {
public:
    explicit AutoUpdater(DiscoveryServer* server);
    ~AutoUpdater() override;

    void onUpdate();

protected:
    void run() override;

private:
    DiscoveryServer* server_;
};
