#include "tavlo/RequestChannel.h"

#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/QtJson.h"

#include <QTextCodec>

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

    static QTextCodec* const utf8 = QTextCodec::codecForName("UTF-8");
    bool ok = false;
    reply = QtJson::parse(utf8->toUnicode(data), ok).toMap();
    return ok ? Status::Ok : Status::ParseFailed;
}

RequestChannel::Status RequestChannel::exchange(const QVariantMap& request, int timeoutMs,
                                                SenderCheck check, QVariantMap& reply) {
    const Status sent = send(request);
    return sent == Status::Ok ? receive(timeoutMs, check, reply) : sent;
}

QString RequestChannel::describe(Status status) {
    switch (status) {
    case Status::Ok:
        return QString();
    case Status::SerializeFailed:
        return QStringLiteral("request could not be built");
    case Status::SendFailed:
        return QStringLiteral("request could not be sent");
    case Status::NoReply:
        return QStringLiteral("no answer from the device");
    case Status::WrongSender:
        return QStringLiteral("answer from a wrong address or port");
    case Status::ParseFailed:
        return QStringLiteral("answer is not valid JSON");
    }
    return QString();
}

RequestChannel::Result RequestChannel::resultOf(const QVariantMap& reply) {
    const QString result = reply.value(Protocol::RESULT).toString();
    if (result == Protocol::OK)
        return Result::Ok;
    if (result == Protocol::FAIL)
        return Result::Fail;
    return Result::Unknown;
}

QString RequestChannel::reasonOf(const QVariantMap& reply) {
    return reply.value(Protocol::REASON).toString();
}

QString RequestChannel::refusal(const QVariantMap& reply) {
    const QString reason = reasonOf(reply);
    return reason.isEmpty() ? QStringLiteral("refused by the device")
                            : QStringLiteral("refused by the device: ") + reason;
}

bool RequestChannel::integerOf(const QVariantMap& reply, const QString& key, qint64& value) {
    const QVariant field = reply.value(key);
    bool ok = false;
    switch (field.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        value = field.toLongLong(&ok);
        return ok;
    case QMetaType::QString: // some devices quote their numbers
        value = field.toString().toLongLong(&ok, 10);
        return ok;
    default:
        return false; // fractions, booleans and absent members are not integers
    }
}
