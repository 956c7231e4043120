#include "SimDevice.h"

#include "EventLog.h"
#include "FileStore.h"
#include "OfferFetcher.h"

#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/QtJson.h"
#include "utils/SupportPort.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>

namespace {

TransferSession::Config sessionConfig(const SimFaults& faults) {
    TransferSession::Config config;
    config.cutAfterBytes = faults.dropAfterBytes;
    config.cutConnections = faults.dropTimes;
    config.stallAfterBytes = faults.stallAfterBytes;
    return config;
}

// Parses a datagram as a JSON object; false for anything else.
bool parseObject(const QByteArray& data, QVariantMap& object) {
    if (data.isEmpty() || data.size() > SimDevice::MaxDatagramSize)
        return false;
    bool ok = false;
    const QVariant value = QtJson::parse(QString::fromUtf8(data), ok);
    if (!ok || value.userType() != QMetaType::QVariantMap)
        return false;
    object = value.toMap();
    return true;
}

// The port of the "Glimmer" support entry; 0 when there is none.
quint16 castPortOf(const DeviceIdentity& identity) {
    for (const QString& entry : identity.support) {
        SupportPort feature;
        // parse() takes only ports 1..65535.
        if (SupportPort::parse(entry, feature) && feature.name == QLatin1String("Glimmer"))
            return quint16(feature.port);
    }
    return 0;
}

QString endpoint(const QHostAddress& address, quint16 port) {
    return QStringLiteral("%1:%2").arg(address.toString()).arg(port);
}

} // namespace

SimDevice::SimDevice(const DeviceIdentity& identity, const SimOptions& options,
                     const FileStore& store, EventLog& log, QObject* parent)
    : QObject(parent)
    , identity_(identity)
    , options_(options)
    , log_(log)
    , sessions_(sessionConfig(options.faults), log)
    , handler_(store, sessions_, options.faults, options.listingChunk, identity.address, log)
    , castHandler_(options.cast, identity.uuid, log)
    , storeRoot_(store.root()) {
    connect(&querySocket_, &QUdpSocket::readyRead, this, &SimDevice::onQueryReadyRead);
    connect(&requestSocket_, &QUdpSocket::readyRead, this, &SimDevice::onRequestReadyRead);
    connect(&castSocket_, &QUdpSocket::readyRead, this, &SimDevice::onCastReadyRead);
}

SimDevice::~SimDevice() {
    stop();
}

bool SimDevice::start(QString* error) {
    const QString where = identity_.address.toString();
    if (!querySocket_.bind(identity_.address, options_.queryPort)) {
        *error = QStringLiteral("query port %1 on %2: %3")
                     .arg(options_.queryPort)
                     .arg(where, querySocket_.errorString());
        return false;
    }
    if (!requestSocket_.bind(identity_.address, options_.requestPort)) {
        *error = QStringLiteral("request port %1 on %2: %3")
                     .arg(options_.requestPort)
                     .arg(where, requestSocket_.errorString());
        return false;
    }
    if (options_.faults.wrongPort) {
        wrongPortSocket_ = std::make_unique<QUdpSocket>();
        if (!wrongPortSocket_->bind(identity_.address, 0)) {
            *error =
                QStringLiteral("reply port on %1: %2").arg(where, wrongPortSocket_->errorString());
            return false;
        }
    }
    // Casting is one feature among others: a device whose cast port is taken
    // (another simulated device in the same network namespace) plays the
    // rest and says so.
    const quint16 castPort = castPortOf(identity_);
    if (castPort != 0 && !castSocket_.bind(identity_.address, castPort)) {
        log_.event(QStringLiteral("cast-unavailable %1 port=%2: %3")
                       .arg(where)
                       .arg(castPort)
                       .arg(castSocket_.errorString()));
    }
    QString line = QStringLiteral("listening %1 query=%2 request=%3")
                       .arg(where)
                       .arg(queryPort())
                       .arg(requestPort());
    if (this->castPort() != 0)
        line += QStringLiteral(" cast=%1").arg(this->castPort());
    log_.event(line);
    if (!options_.peer.offerPath.isEmpty())
        sendOffer();
    return true;
}

void SimDevice::sendOffer() {
    QVariantMap offer;
    offer.insert(Protocol::TYPE, Protocol::FILE_DISTRIBUTION);
    offer.insert(Protocol::FILE_PATH, options_.peer.offerPath);
    offer.insert(Protocol::NAME, identity_.name);
    offer.insert(Protocol::UUID, identity_.uuid);
    requestSocket_.writeDatagram(QtJson::serialize(offer), options_.peer.offerTo,
                                 SimOptions::DefaultRequestPort);
    log_.event(
        QStringLiteral("offered %1 to %2")
            .arg(EventLog::oneLine(options_.peer.offerPath), options_.peer.offerTo.toString()));
}

void SimDevice::fetchOffer(const QVariantMap& offer, const QHostAddress& pc) {
    OfferFetcher::Setup setup;
    bool isV4 = false;
    const quint32 v4 = pc.toIPv4Address(&isV4);
    setup.pc = isV4 ? QHostAddress(v4) : pc;
    setup.offeredPath = offer.value(Protocol::FILE_PATH).toString();
    setup.targetFolder = storeRoot_ + QStringLiteral("/fetched");
    setup.cutAfterBytes = options_.peer.fetchCutAfter;
    setup.resumeForm = options_.peer.decimalResume ? OfferFetcher::ResumeForm::Decimal
                                                   : OfferFetcher::ResumeForm::Raw;
    setup.stopping = &stopping_;
    setup.log = &log_;
    log_.event(QStringLiteral("offer %1 from %2")
                   .arg(EventLog::oneLine(setup.offeredPath), setup.pc.toString()));
    fetchers_.start(new OfferFetcher(std::move(setup)));
}

void SimDevice::stop() {
    stopping_ = true;
    fetchers_.waitForDone();
    querySocket_.close();
    requestSocket_.close();
    castSocket_.close();
    sessions_.shutdown();
}

QVariantMap SimDevice::describe(const DeviceIdentity& identity) {
    QVariantMap map;
    map.insert(Protocol::NAME, identity.name);
    map.insert(Protocol::VERSION, identity.version);
    map.insert(Protocol::OS, identity.os);
    map.insert(Protocol::UUID, identity.uuid);
    map.insert(Protocol::TYPE, identity.type);
    map.insert(Protocol::SUPPORT, identity.support);
    return map;
}

bool SimDevice::isBroadcast(const QHostAddress& destination) {
    if (destination.isNull())
        return false;
    if (destination == QHostAddress(QHostAddress::Broadcast))
        return true;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (!entry.broadcast().isNull() && entry.broadcast() == destination)
                return true;
        }
    }
    return false;
}

void SimDevice::onQueryReadyRead() {
    while (querySocket_.hasPendingDatagrams())
        answerQuery(querySocket_.receiveDatagram());
}

void SimDevice::answerQuery(const QNetworkDatagram& datagram) {
    const QString from = endpoint(datagram.senderAddress(), quint16(datagram.senderPort()));
    QVariantMap query;
    if (!parseObject(datagram.data(), query)) {
        log_.detail(QStringLiteral("ignored query from %1: not a JSON object").arg(from));
        return;
    }
    if (query.value(Protocol::TYPE).toString() != Protocol::CLIENT) {
        log_.detail(QStringLiteral("ignored query from %1: not from a client").arg(from));
        return;
    }
    if (options_.noQuery)
        return;
    if (options_.noBroadcast && isBroadcast(datagram.destinationAddress())) {
        log_.detail(QStringLiteral("ignored query from %1: broadcast").arg(from));
        return;
    }
    querySocket_.writeDatagram(QtJson::serialize(describe(identity_)), datagram.senderAddress(),
                               quint16(datagram.senderPort()));
    log_.detail(QStringLiteral("query from %1").arg(from));
}

void SimDevice::onRequestReadyRead() {
    while (requestSocket_.hasPendingDatagrams())
        answerRequest(requestSocket_.receiveDatagram());
}

void SimDevice::answerRequest(const QNetworkDatagram& datagram) {
    const QHostAddress sender = datagram.senderAddress();
    const quint16 senderPort = quint16(datagram.senderPort());
    QVariantMap request;
    if (!parseObject(datagram.data(), request)) {
        log_.detail(QStringLiteral("ignored request from %1: not a JSON object")
                        .arg(endpoint(sender, senderPort)));
        return;
    }
    log_.detail(
        QStringLiteral("request %1 %2")
            .arg(request.value(Protocol::TYPE).toString(), QString::fromUtf8(datagram.data())));
    if (options_.faults.silentRequests)
        return;
    if (request.value(Protocol::TYPE).toString() == Protocol::FILE_DISTRIBUTION) {
        if (options_.peer.fetchOffers)
            fetchOffer(request, sender);
        return; // an offer is never answered
    }
    if (options_.faults.garbage) {
        reply(QByteArrayLiteral("<<this is not JSON>>"), sender, senderPort);
        return;
    }
    for (const QVariantMap& answer : handler_.handle(request))
        reply(QtJson::serialize(answer), sender, senderPort);
}

void SimDevice::reply(const QByteArray& data, const QHostAddress& address, quint16 port) {
    QUdpSocket& socket = wrongPortSocket_ ? *wrongPortSocket_ : requestSocket_;
    socket.writeDatagram(data, address, port);
}

void SimDevice::onCastReadyRead() {
    while (castSocket_.hasPendingDatagrams())
        answerCast(castSocket_.receiveDatagram());
}

void SimDevice::answerCast(const QNetworkDatagram& datagram) {
    const QHostAddress sender = datagram.senderAddress();
    const quint16 senderPort = quint16(datagram.senderPort());
    QVariantMap request;
    if (!parseObject(datagram.data(), request)) {
        log_.detail(QStringLiteral("ignored cast request from %1: not a JSON object")
                        .arg(endpoint(sender, senderPort)));
        return;
    }
    log_.detail(
        QStringLiteral("cast-request %1 %2")
            .arg(request.value(Protocol::TYPE).toString(), QString::fromUtf8(datagram.data())));
    if (options_.faults.silentRequests)
        return;
    // The address the client reached this device at: the one its mirroring
    // program should use.
    const QHostAddress reachedAt = identity_.address == QHostAddress(QHostAddress::AnyIPv4)
                                       ? datagram.destinationAddress()
                                       : identity_.address;
    castSocket_.writeDatagram(QtJson::serialize(castHandler_.handle(request, sender, reachedAt)),
                              sender, senderPort);
}
