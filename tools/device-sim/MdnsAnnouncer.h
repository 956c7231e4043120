#pragma once

#include "tavlo/discovery/DiscoverableService.h"

#include <QObject>

class EventLog;

// Announces the device as a multicast DNS service, the way a real device
// makes itself known to clients that browse for it.
class MdnsAnnouncer : public QObject {
    Q_OBJECT
public:
    MdnsAnnouncer(const QString& name, quint16 port, EventLog& log, QObject* parent = nullptr);
    void start();

private:
    DiscoverableService service_;
    EventLog& log_;
};
