#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QRunnable>

// Answers one discovery request with this PC's description.
class ReplyDiscovery : public QRunnable {
public:
    ReplyDiscovery(const QByteArray& data, const QHostAddress& sender, quint16 senderPort);
    void run() override;

    // The reply body: name, version, os, uuid, type "client" and the offered
    // features.
    static QVariantMap replyMessage();
    // Old peers (below version 1.0) get no answer; unreadable versions pass.
    static bool isVersionAccepted(const QString& version);

private:
    QByteArray data_;
    QHostAddress sender_;
    quint16 senderPort_;
};
