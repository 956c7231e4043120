#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QRunnable>

#include <functional>

// Answers one discovery request with this PC's description.
class ReplyDiscovery : public QRunnable {
public:
    ReplyDiscovery(const QByteArray& data, const QHostAddress& sender, quint16 senderPort);
    ~ReplyDiscovery() override;
    void run() override;

    // Called when the task ends (it is destroyed).
    void setEndHandler(std::function<void()> handler) { ended_ = std::move(handler); }

    // How the reply leaves; true when it was sent. By default from a new,
    // unbound socket.
    using Replier = std::function<bool(const QByteArray&, const QHostAddress&, quint16)>;
    void setReplier(Replier replier) { replier_ = std::move(replier); }
    static bool sendFromNewSocket(const QByteArray& datagram, const QHostAddress& to, quint16 port);

    // The reply body: name, version, os, uuid, type "client" and the offered
    // features.
    static QVariantMap replyMessage();
    // Old peers (below version 1.0) get no answer; unreadable versions pass.
    static bool isVersionAccepted(const QString& version);

private:
    QByteArray data_;
    QHostAddress sender_;
    quint16 senderPort_;
    Replier replier_;
    std::function<void()> ended_;
};
