#include "tavlo/RequestChannel.h"

#include "utils/JsonFields.h"
#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/QtJson.h"

#include <QTextCodec>

#include <limits>

RequestChannel::RequestChannel(const QHostAddress& device, quint16 port)
    : device_(device)
    , port_(port) {
    socket_.bind(0);
}

RequestChannel::Status RequestChannel::send(const QVariantMap& request) {
    bool ok = false;
    const QByteArray datagram = QtJson::serialize(request, ok);
    if (!ok)
        return Status::SerializeFailed;
    if (socket_.writeDatagram(datagram, device_, port_) == -1)
        return Status::SendFailed;
    return Status::Ok;
}

void RequestChannel::discardPending() {
    while (socket_.hasPendingDatagrams())
        socket_.readDatagram(nullptr, 0);
}

RequestChannel::Status RequestChannel::receive(int timeoutMs, SenderCheck check,
                                               QVariantMap& reply) {
    if (!socket_.hasPendingDatagrams() && !socket_.waitForReadyRead(timeoutMs))
        return Status::NoReply;
    if (!socket_.hasPendingDatagrams())
        return Status::NoReply;

    QByteArray data(int(qMax<qint64>(socket_.pendingDatagramSize(), 0)), Qt::Uninitialized);
    const qint64 size =
        socket_.readDatagram(data.data(), data.size(), &lastSender_, &lastSenderPort_);
    if (size < 0)
        return Status::NoReply;
    data.resize(int(size));

    const bool sameAddress = lastSender_.isEqual(device_, QHostAddress::ConvertV4MappedToIPv4);
    if ((check == SenderCheck::AddressAndPort && (!sameAddress || lastSenderPort_ != port_)) ||
        (check == SenderCheck::AddressOnly && !sameAddress))
        return Status::WrongSender;

    return parseReply(data, reply);
}

RequestChannel::Status RequestChannel::parseReply(const QByteArray& datagram, QVariantMap& reply) {
    static QTextCodec* const utf8 = QTextCodec::codecForName("UTF-8");
    bool ok = false;
    reply = QtJson::parse(utf8->toUnicode(datagram), ok).toMap();
    return ok ? Status::Ok : Status::ParseFailed;
}

RequestChannel::Status RequestChannel::exchange(const QVariantMap& request, int timeoutMs,
                                                SenderCheck check, QVariantMap& reply) {
    const Status sent = send(request);
    return sent == Status::Ok ? receive(timeoutMs, check, reply) : sent;
}

TransferFailure RequestChannel::failureOf(Status status) {
    switch (status) {
    case Status::Ok:
        return TransferFailure();
    case Status::SerializeFailed:
        return TransferFailure(TransferFailure::RequestNotBuilt);
    case Status::SendFailed:
        return TransferFailure(TransferFailure::RequestNotSent);
    case Status::NoReply:
        return TransferFailure(TransferFailure::NoAnswer);
    case Status::WrongSender:
        return TransferFailure(TransferFailure::WrongSender);
    case Status::ParseFailed:
        return TransferFailure(TransferFailure::NotJson);
    }
    return TransferFailure();
}

RequestChannel::Result RequestChannel::resultOf(const QVariantMap& reply) {
    const QString result = JsonFields::textOr(reply, Protocol::RESULT);
    if (result == Protocol::OK)
        return Result::Ok;
    if (result == Protocol::FAIL)
        return Result::Fail;
    return Result::Unknown;
}

QString RequestChannel::reasonOf(const QVariantMap& reply) {
    return JsonFields::textOr(reply, Protocol::REASON);
}

TransferFailure RequestChannel::refusal(const QVariantMap& reply) {
    return TransferFailure(TransferFailure::Refused, reasonOf(reply));
}

bool RequestChannel::integerOf(const QVariantMap& reply, const QString& key, qint64& value) {
    return JsonFields::integer(reply, key, std::numeric_limits<qint64>::min(),
                               std::numeric_limits<qint64>::max(), value);
}
