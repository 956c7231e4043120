#pragma once

#include <QHostAddress>
#include <QMap>
#include <QMutex>
#include <QStringList>

// The files this PC offered, by the address of the peer they were offered
// to: a peer may fetch exactly those. Entries are only added, for the life
// of the process; a file offered twice is listed twice.
class OfferRegistry {
public:
    static OfferRegistry& instance();

    void addOffer(const QHostAddress& device, const QString& path);
    // Takes back one entry of `path` (an offer that could not be sent).
    void removeOffer(const QHostAddress& device, const QString& path);
    // The files offered to `device`; empty when none.
    QStringList offersFor(const QHostAddress& device) const;
    bool isOffered(const QHostAddress& device, const QString& path) const;

private:
    OfferRegistry() = default;
    static QString keyOf(const QHostAddress& device);

    mutable QMutex mutex_{QMutex::Recursive};
    QMap<QString, QStringList> offers_;
};
