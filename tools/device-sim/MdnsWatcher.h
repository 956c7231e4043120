#pragma once

#include "tavlo/discovery/ServiceBrowser.h"

#include <QObject>

class EventLog;

// Reports the Tavlo services that come and go on multicast DNS, so tests can
// see the client's own announcement (and the devices').
class MdnsWatcher : public QObject {
    Q_OBJECT
public:
    explicit MdnsWatcher(EventLog& log, QObject* parent = nullptr);
    void start();

private:
    ServiceBrowser browser_;
    EventLog& log_;
};
