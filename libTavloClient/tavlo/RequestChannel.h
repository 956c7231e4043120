#pragma once

#include "utils/TransferFailure.h"

#include <QHostAddress>
#include <QUdpSocket>
#include <QVariantMap>

// One UDP request/reply exchange with a device: the request goes to the
// device's request port (16021) as one JSON datagram from an ephemeral port,
// and one reply datagram is read back, checked for its sender and parsed.
class RequestChannel {
public:
    static constexpr quint16 DevicePort = 16021;

    enum class SenderCheck { AddressAndPort, AddressOnly, Any };
    enum class Status { Ok, SerializeFailed, SendFailed, NoReply, WrongSender, ParseFailed };
    enum class Result { Ok, Fail, Unknown };

    explicit RequestChannel(const QHostAddress& device, quint16 port = DevicePort);

    Status send(const QVariantMap& request);
    // Drops datagrams already waiting, such as a late answer to an earlier
    // request, so that the next receive() sees the answer to the next send().
    void discardPending();
    Status receive(int timeoutMs, SenderCheck check, QVariantMap& reply);
    Status exchange(const QVariantMap& request, int timeoutMs, SenderCheck check,
                    QVariantMap& reply);

    // One reply datagram, decoded as UTF-8 and parsed: Ok or ParseFailed.
    static Status parseReply(const QByteArray& datagram, QVariantMap& reply);

    QHostAddress lastSender() const { return lastSender_; }
    quint16 lastSenderPort() const { return lastSenderPort_; }

    // What went wrong, as a failure the front ends put into words.
    static TransferFailure failureOf(Status status);

    // A reply's `result`: "ok", "fail" or anything else.
    static Result resultOf(const QVariantMap& reply);
    static QString reasonOf(const QVariantMap& reply);
    // A refusal carrying the device's reason.
    static TransferFailure refusal(const QVariantMap& reply);
    // `session_id` (or any key) as an integer (JsonFields::integer); false
    // when it is none.
    static bool integerOf(const QVariantMap& reply, const QString& key, qint64& value);

private:
    QUdpSocket socket_;
    QHostAddress device_;
    quint16 port_;
    QHostAddress lastSender_;
    quint16 lastSenderPort_ = 0;
};
