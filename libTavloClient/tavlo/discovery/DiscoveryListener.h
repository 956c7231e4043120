#pragma once

#include "tavlo/UdpListener.h"
#include "utils/ServerContent.h"

#include <QMap>
#include <QMutex>

// Answers peers that look for PCs running the client (UDP 16020) and keeps
// the table of devices by address that the operate handlers look up.
class DiscoveryListener : public UdpListener {
    Q_OBJECT
public:
    static constexpr quint16 ListenPort = 16020;

    static DiscoveryListener* instance();

    ServerContent getServer(const QString& address) const;
    void setServer(const QString& address, const ServerContent& server);

protected:
    void onDatagram(const QByteArray& data, const QHostAddress& sender,
                    quint16 senderPort) override;

private:
    DiscoveryListener();

    mutable QMutex mutex_;
    QMap<QString, ServerContent> devices_;
};
