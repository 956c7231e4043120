#include "SignalWatcher.h"

#include <atomic>
#include <csignal>

namespace {

// Only a lock-free atomic may be touched from a signal handler.
std::atomic<int> caughtSignal{0};

void onSignal(int signalNumber) {
    caughtSignal = signalNumber;
}

} // namespace

SignalWatcher::SignalWatcher(QObject* parent)
    : QObject(parent) {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    poll_.setInterval(50);
    connect(&poll_, &QTimer::timeout, this, [this] {
        const int caught = caughtSignal.exchange(0);
        if (caught != 0)
            emit stopRequested(caught);
    });
    poll_.start();
}
