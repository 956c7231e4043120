#include "tavlo/server/OfferAllowance.h"

#include <QMutexLocker>

void OfferAllowance::refill(Bucket& bucket, qint64 nowMs) {
    if (nowMs <= bucket.updatedMs)
        return;
    // After this long any allowance is whole again; longer spans would only
    // overflow the sum.
    constexpr qint64 RefillMs = qint64(Burst) * 1000 / PerSecond;
    const qint64 elapsed = qMin(nowMs - bucket.updatedMs, RefillMs);
    bucket.tokens = qMin<double>(Burst, bucket.tokens + double(elapsed) * PerSecond / 1000.0);
    bucket.updatedMs = nowMs;
}

bool OfferAllowance::take(const QHostAddress& peer, qint64 nowMs) {
    QMutexLocker lock(&mutex_);
    const QString key = peer.toString();
    auto it = buckets_.find(key);
    if (it == buckets_.end()) {
        if (buckets_.size() >= MaxPeers) {
            // Forgetting a peer with a full allowance changes nothing for it.
            for (auto old = buckets_.begin(); old != buckets_.end();) {
                refill(old.value(), nowMs);
                if (old->tokens >= Burst)
                    old = buckets_.erase(old);
                else
                    ++old;
            }
            if (buckets_.size() >= MaxPeers)
                return false;
        }
        Bucket fresh;
        fresh.updatedMs = nowMs;
        it = buckets_.insert(key, fresh);
    }
    refill(it.value(), nowMs);
    if (it->tokens < 1)
        return false;
    it->tokens -= 1;
    return true;
}
