#include "tavlo/server/FileDistribution.h"

#include "tavlo/RequestChannel.h"
#include "tavlo/discovery/ClientIdentity.h"
#include "tavlo/server/OfferRegistry.h"
#include "utils/Config.h"
#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/QtJson.h"

#include <QUdpSocket>

FileDistribution::FileDistribution(const QString& filePath, const ServerContent& server,
                                   QObject* parent)
    : QObject(parent)
    , filePath_(filePath)
    , server_(server) {
    setAutoDelete(true);
}

QVariantMap FileDistribution::offerMessage(const QString& filePath) {
    QVariantMap offer;
    offer.insert(Protocol::TYPE, Protocol::FILE_DISTRIBUTION);
    offer.insert(Protocol::FILE_PATH, filePath);
    offer.insert(Protocol::NAME, Config::instance()->value(Config::ClientName).toString());
    offer.insert(Protocol::UUID, ClientIdentity::uuid());
    return offer;
}

void FileDistribution::run() {
    QUdpSocket socket;
    socket.bind(0);
    bool ok = false;
    const QByteArray datagram = QtJson::serialize(offerMessage(filePath_), ok);
    if (!ok)
        return;
    // Recorded before it goes out: a quick peer may ask for the file at once.
    OfferRegistry::instance().addOffer(server_.address, filePath_);
    if (socket.writeDatagram(datagram, server_.address, RequestChannel::DevicePort) == -1) {
        OfferRegistry::instance().removeOffer(server_.address, filePath_);
        return;
    }
    offered_ = true;
}
