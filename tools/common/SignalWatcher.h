#pragma once

#include <QObject>
#include <QTimer>

// Turns SIGINT and SIGTERM into a Qt signal, so the program leaves its event
// loop and cleans up (temporary store, transfers) instead of dying.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);

signals:
    void stopRequested(int signalNumber);

private:
    QTimer poll_;
};
