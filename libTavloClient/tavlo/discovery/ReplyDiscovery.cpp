#include "tavlo/discovery/ReplyDiscovery.h"

#include "tavlo/discovery/ClientIdentity.h"
#include "tavlo/discovery/DiscoveryListener.h"
#include "utils/JsonFields.h"
#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/QtJson.h"

#include <QUdpSocket>

namespace {
const char* const Category = "DiscoverListener";
}

ReplyDiscovery::ReplyDiscovery(const QByteArray& data, const QHostAddress& sender,
                               quint16 senderPort)
    : data_(data)
    , sender_(sender)
    , senderPort_(senderPort)
    , replier_(&sendFromNewSocket) {
    setAutoDelete(true);
}

bool ReplyDiscovery::sendFromNewSocket(const QByteArray& datagram, const QHostAddress& to,
                                       quint16 port) {
    QUdpSocket socket;
    return socket.writeDatagram(datagram, to, port) != -1;
}

QVariantMap ReplyDiscovery::replyMessage() {
    QVariantMap reply = ClientIdentity::describe();
    reply.insert(Protocol::SUPPORT, QVariantList{Protocol::FILE_UPLOAD});
    return reply;
}

bool ReplyDiscovery::isVersionAccepted(const QString& version) {
    bool ok = false;
    const double number = version.toLower().remove(QLatin1Char('v')).toDouble(&ok);
    return !ok || number >= 1.0;
}

ReplyDiscovery::~ReplyDiscovery() {
    if (ended_)
        ended_();
}

void ReplyDiscovery::run() {
    bool ok = false;
    const QVariantMap request =
        QtJson::parse(QString::fromUtf8(data_.constData(), data_.size()), ok).toMap();
    if (!ok) {
        qCritical("[E][%s] ReplyDiscovery: pase json fail.", Category);
        return;
    }

    ServerContent peer;
    peer.version = JsonFields::textOr(request, Protocol::VERSION);
    peer.uuid = JsonFields::textOr(request, Protocol::UUID);
    peer.os = JsonFields::textOr(request, Protocol::OS);
    peer.type = JsonFields::textOr(request, Protocol::TYPE, Protocol::SERVER);
    peer.address = sender_;

    if (!isVersionAccepted(peer.version))
        return;
    // No answer to anonymous peers, nor to this PC's own queries.
    if (peer.uuid.isEmpty() || peer.uuid == ClientIdentity::uuid())
        return;

    const QByteArray reply = QtJson::serialize(replyMessage(), ok);
    if (!ok) {
        qCritical("[E][%s] ReplyDiscovery: serialize json fail.", Category);
        return;
    }
    if (!replier_(reply, sender_, senderPort_)) {
        qCritical("[E][%s] ReplyDiscovery: send data fail.", Category);
        return;
    }
    DiscoveryListener::instance()->setServer(sender_.toString(), peer);
}
