#include "tavlo/discovery/ServerInfoGetter.h"

#include "tavlo/discovery/ClientIdentity.h"
#include "utils/JsonFields.h"
#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/QtJson.h"

#include <QDateTime>
#include <QNetworkInterface>
#include <QTextCodec>
#include <QUdpSocket>

namespace {
const char* const Category = "DiscoveryServer";
// Every device on the network answers a sweep at the same moment, once for
// each broadcast address; the system's default buffer (about 200 answers on
// Linux, far fewer on Windows) drops the rest before they are read.
constexpr int SweepReceiveBufferBytes = 1 << 20;
} // namespace

DiscoveryServer::ServerInfoGetter::ServerInfoGetter(DiscoveryServer* server,
                                                    const QHostAddress& address, quint16 port)
    : server_(server)
    , address_(address)
    , port_(port) {
    setAutoDelete(true);
}

bool DiscoveryServer::ServerInfoGetter::isBroadcast() const {
    return address_ == QHostAddress(QHostAddress::Broadcast);
}

QByteArray DiscoveryServer::ServerInfoGetter::queryRequest(bool& ok) {
    return QtJson::serialize(ClientIdentity::describe(), ok);
}

QList<QHostAddress> DiscoveryServer::ServerInfoGetter::sweepTargets() {
    QList<QHostAddress> targets{QHostAddress(QHostAddress::Broadcast)};
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::CanBroadcast) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            const QHostAddress broadcast = entry.broadcast();
            if (broadcast.protocol() == QAbstractSocket::IPv4Protocol && !broadcast.isNull() &&
                !targets.contains(broadcast))
                targets.append(broadcast);
        }
    }
    return targets;
}

void DiscoveryServer::ServerInfoGetter::run() {
    query([this](const ServerContent& server, bool valid, bool sweepEnded) {
        server_->onQueryServerResult(server, valid, sweepEnded);
    });
    if (finished_)
        finished_();
}

void DiscoveryServer::ServerInfoGetter::query(const Report& report) const {
    ServerContent record;
    record.address = address_;
    record.port = port_;
    bool valid = false;
    const bool broadcast = isBroadcast();

    QUdpSocket socket;
    bool ok = false;
    const QByteArray request = queryRequest(ok);
    bool sent = ok && socket.bind(QHostAddress(QHostAddress::AnyIPv4), 0);
    if (sent && broadcast)
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                               SweepReceiveBufferBytes);
    if (sent) {
        // A sweep also goes to each interface's own broadcast address, so
        // devices behind a second network card or a VPN answer too.
        const QList<QHostAddress> targets =
            broadcast ? sweepTargets() : QList<QHostAddress>{address_};
        sent = false;
        for (const QHostAddress& target : targets)
            sent = socket.writeDatagram(request, target, port_) != -1 || sent;
    }

    while (sent && (socket.hasPendingDatagrams() || socket.waitForReadyRead(ReplyTimeoutMs))) {
        QByteArray data(int(qMax<qint64>(socket.pendingDatagramSize(), 0)), Qt::Uninitialized);
        QHostAddress sender;
        quint16 senderPort = 0;
        const qint64 size = socket.readDatagram(data.data(), data.size(), &sender, &senderPort);
        if (size < 0)
            continue;
        bool parsed = false;
        record = getServerContent(data.constData(), quint64(size), parsed);

        if (broadcast) {
            if (parsed) {
                record.address = sender;
                record.port = port_;
                report(record, true, false);
                valid = true;
            }
            continue; // the sweep ends after a quiet period
        }
        if (parsed && sender.isEqual(address_, QHostAddress::ConvertV4MappedToIPv4)) {
            valid = true;
        } else if (parsed) {
            qWarning("[W][%s] The host in mDns is %s:%d, but received packet from host %s:%d.",
                     Category, qPrintable(address_.toString()), int(port_),
                     qPrintable(sender.toString()), int(senderPort));
        }
        break;
    }

    socket.close();
    report(record, valid, broadcast);
}

ServerContent DiscoveryServer::ServerInfoGetter::getServerContent(const char* data, quint64 size,
                                                                  bool& ok) const {
    static QTextCodec* const utf8 = QTextCodec::codecForName("UTF-8");
    const QString text = utf8->toUnicode(data, int(size));
    const QVariantMap reply = QtJson::parse(text, ok).toMap();
    ServerContent record;
    if (!ok) {
        qCritical("[E][%s] Parse json error.", Category);
        return record;
    }
    record.address = address_;
    record.port = port_;
    record.lastSeen = QDateTime::currentMSecsSinceEpoch();
    record.name = JsonFields::textOr(reply, Protocol::NAME);
    record.version = JsonFields::textOr(reply, Protocol::VERSION);
    record.os = JsonFields::textOr(reply, Protocol::OS);
    record.uuid = JsonFields::textOr(reply, Protocol::UUID);
    record.type = JsonFields::textOr(reply, Protocol::TYPE, Protocol::SERVER);
    const QVariantList support = JsonFields::listOr(reply, Protocol::SUPPORT);
    for (const QVariant& entry : support) {
        // Feature names are strings; anything else names no feature.
        if (entry.userType() == QMetaType::QString)
            record.addSupport(entry.toString());
    }
    record.valid = true;
    return record;
}
