#pragma once

#include "utils/ServerContent.h"

#include <QMap>
#include <QMutex>
#include <QThread>

class QUdpSocket;

// Answers peers that look for PCs running the client (UDP 16020) and keeps
// the table of devices by address that the operate handlers look up.
class DiscoveryListener : public QThread {
    Q_OBJECT
public:
    static constexpr quint16 ListenPort = 16020;
    static constexpr int BindRetryMs = 10000;

    static DiscoveryListener* instance();

    ServerContent getServer(const QString& address) const;
    void setServer(const QString& address, const ServerContent& server);

    // Port to bind; tests move it away from the fixed port.
    void setListenPort(quint16 port) { port_ = port; }
    // True once the socket is bound and the listener answers.
    bool isListening() const;

protected:
    void run() override;

private slots:
    void onSocketReadyRead();

private:
    DiscoveryListener();

    mutable QMutex mutex_;
    QMap<QString, ServerContent> devices_;
    QUdpSocket* socket_ = nullptr;
    quint16 port_ = ListenPort;
    bool listening_ = false;
};
