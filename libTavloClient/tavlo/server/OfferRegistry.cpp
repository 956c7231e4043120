#include "tavlo/server/OfferRegistry.h"

OfferRegistry& OfferRegistry::instance() {
    static OfferRegistry registry;
    return registry;
}

QString OfferRegistry::keyOf(const QHostAddress& device) {
    // A peer seen through an IPv4-mapped IPv6 socket is the same peer.
    bool isV4 = false;
    const quint32 v4 = device.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : device.toString();
}

void OfferRegistry::addOffer(const QHostAddress& device, const QString& path) {
    QMutexLocker lock(&mutex_);
    offers_[keyOf(device)].append(path);
}

void OfferRegistry::removeOffer(const QHostAddress& device, const QString& path) {
    QMutexLocker lock(&mutex_);
    offers_[keyOf(device)].removeOne(path);
}

QStringList OfferRegistry::offersFor(const QHostAddress& device) const {
    QMutexLocker lock(&mutex_);
    return offers_.value(keyOf(device));
}

bool OfferRegistry::isOffered(const QHostAddress& device, const QString& path) const {
    return offersFor(device).contains(path);
}
