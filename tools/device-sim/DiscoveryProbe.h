#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <QVariantMap>

class EventLog;

// Plays a device looking for PCs: sends one discovery datagram (type
// "server") from an ephemeral port and reports every reply that arrives
// while it waits.
class DiscoveryProbe : public QObject {
    Q_OBJECT
public:
    DiscoveryProbe(const QVariantMap& message, const QHostAddress& target, quint16 port, int waitMs,
                   EventLog& log, QObject* parent = nullptr);

    void start();
    int replies() const { return replies_; }

signals:
    // 0 when at least one reply came, else 1.
    void finished(int exitCode);

private:
    void onReadyRead();
    void finish(int exitCode);

    QVariantMap message_;
    QHostAddress target_;
    quint16 port_;
    EventLog& log_;
    QUdpSocket socket_;
    QTimer timer_;
    int replies_ = 0;
};
