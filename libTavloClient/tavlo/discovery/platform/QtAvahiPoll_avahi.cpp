#include "tavlo/discovery/platform/QtAvahiPoll_avahi.h"

#include <avahi-common/timeval.h>

#include <QSocketNotifier>
#include <QTimer>

// Avahi owns these through the pointers it is handed and frees them with the
// matching *_free call.
struct AvahiWatch {
    QSocketNotifier* reader = nullptr;
    QSocketNotifier* writer = nullptr;
    AvahiWatchCallback callback;
    void* userdata;
    int fd;
    AvahiWatchEvent lastEvents = AvahiWatchEvent(0);
};

struct AvahiTimeout {
    QTimer* timer = nullptr;
    AvahiTimeoutCallback callback;
    void* userdata;
};

namespace {

void fire(AvahiWatch* watch, AvahiWatchEvent event) {
    watch->lastEvents = event;
    watch->callback(watch, watch->fd, event, watch->userdata);
}

void watchUpdate(AvahiWatch* watch, AvahiWatchEvent events) {
    watch->reader->setEnabled(events & AVAHI_WATCH_IN);
    watch->writer->setEnabled(events & AVAHI_WATCH_OUT);
}

AvahiWatch* watchNew(const AvahiPoll* api, int fd, AvahiWatchEvent events,
                     AvahiWatchCallback callback, void* userdata) {
    auto* parent = static_cast<QObject*>(api->userdata);
    auto* watch = new AvahiWatch{nullptr, nullptr, callback, userdata, fd};
    watch->reader = new QSocketNotifier(fd, QSocketNotifier::Read, parent);
    watch->writer = new QSocketNotifier(fd, QSocketNotifier::Write, parent);
    QObject::connect(watch->reader, &QSocketNotifier::activated, watch->reader,
                     [watch] { fire(watch, AVAHI_WATCH_IN); });
    QObject::connect(watch->writer, &QSocketNotifier::activated, watch->writer,
                     [watch] { fire(watch, AVAHI_WATCH_OUT); });
    watchUpdate(watch, events);
    return watch;
}

AvahiWatchEvent watchGetEvents(AvahiWatch* watch) {
    return watch->lastEvents;
}

void watchFree(AvahiWatch* watch) {
    // Freed from inside its own callback at times: let Qt delete later.
    watch->reader->setEnabled(false);
    watch->writer->setEnabled(false);
    watch->reader->deleteLater();
    watch->writer->deleteLater();
    delete watch;
}

void timeoutUpdate(AvahiTimeout* timeout, const struct timeval* tv) {
    if (!tv) {
        timeout->timer->stop();
        return;
    }
    const AvahiUsec usec = -avahi_age(tv); // time left, negative when past
    timeout->timer->start(usec > 0 ? int((usec + 999) / 1000) : 0);
}

AvahiTimeout* timeoutNew(const AvahiPoll* api, const struct timeval* tv,
                         AvahiTimeoutCallback callback, void* userdata) {
    auto* parent = static_cast<QObject*>(api->userdata);
    auto* timeout = new AvahiTimeout{nullptr, callback, userdata};
    timeout->timer = new QTimer(parent);
    timeout->timer->setSingleShot(true);
    QObject::connect(timeout->timer, &QTimer::timeout, timeout->timer,
                     [timeout] { timeout->callback(timeout, timeout->userdata); });
    timeoutUpdate(timeout, tv);
    return timeout;
}

void timeoutFree(AvahiTimeout* timeout) {
    timeout->timer->stop();
    timeout->timer->deleteLater();
    delete timeout;
}

} // namespace

QtAvahiPoll::QtAvahiPoll(QObject* parent)
    : QObject(parent) {
    api_.userdata = this;
    api_.watch_new = watchNew;
    api_.watch_update = watchUpdate;
    api_.watch_get_events = watchGetEvents;
    api_.watch_free = watchFree;
    api_.timeout_new = timeoutNew;
    api_.timeout_update = timeoutUpdate;
    api_.timeout_free = timeoutFree;
}

QtAvahiPoll::~QtAvahiPoll() = default;
