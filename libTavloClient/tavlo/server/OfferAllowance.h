#pragma once

#include <QHash>
#include <QHostAddress>
#include <QMutex>

// How many file offers each peer may make. Every offer that gets through
// asks the user (or, when offers are taken unasked, reserves a file name and
// starts a download), so a peer that floods this PC with offers has them
// dropped instead. A PC offers every file of a selection at once, hence the
// generous burst; after it, offers come back at a steady rate.
class OfferAllowance {
public:
    static constexpr int Burst = 128;
    static constexpr int PerSecond = 4;
    // Peers remembered at most; the ones with a full allowance go first.
    static constexpr int MaxPeers = 1024;

    // True when `peer` may make one more offer at `nowMs` (a monotonic clock
    // in milliseconds); the offer is counted.
    bool take(const QHostAddress& peer, qint64 nowMs);

private:
    struct Bucket {
        double tokens = Burst;
        qint64 updatedMs = 0;
    };
    static void refill(Bucket& bucket, qint64 nowMs);

    QMutex mutex_;
    QHash<QString, Bucket> buckets_;
};
