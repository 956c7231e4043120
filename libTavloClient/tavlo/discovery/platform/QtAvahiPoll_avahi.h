#pragma once

#include <avahi-common/watch.h>

#include <QObject>

// Runs Avahi's client library inside the Qt event loop of the thread that
// creates it: file descriptor watches become socket notifiers, time-outs
// become single-shot timers.
class QtAvahiPoll : public QObject {
    Q_OBJECT
public:
    explicit QtAvahiPoll(QObject* parent = nullptr);
    ~QtAvahiPoll() override;

    const AvahiPoll* api() const { return &api_; }

private:
    AvahiPoll api_;
};
