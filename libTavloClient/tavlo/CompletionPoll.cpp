#include "tavlo/CompletionPoll.h"

#include "utils/ProtocolDefinedJsonObject.h"

#include <QElapsedTimer>
#include <QThread>

CompletionPoll::CompletionPoll(RequestChannel& channel, const TransferTimings& timings,
                               RequestChannel::SenderCheck check)
    : channel_(channel)
    , timings_(timings)
    , check_(check) {}

QVariantMap CompletionPoll::request(qint64 sessionId, const QString& md5) {
    QVariantMap map;
    map.insert(Protocol::TYPE, Protocol::QUERY_RESULT);
    map.insert(Protocol::SESSION_ID, sessionId);
    map.insert(Protocol::MD5, md5);
    return map;
}

RequestChannel::Status CompletionPoll::awaitReply(QVariantMap& reply) {
    // In short slices, so that a stop request is noticed.
    constexpr int SliceMs = 200;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const qint64 left = timings_.pollTimeoutMs - waited.elapsed();
        const int slice = int(qBound<qint64>(0, left, stopCheck_ ? SliceMs : left));
        const RequestChannel::Status status = channel_.receive(slice, check_, reply);
        if (status != RequestChannel::Status::NoReply || left <= slice ||
            (stopCheck_ && stopCheck_()))
            return status;
    }
}

CompletionPoll::Outcome CompletionPoll::run(const RequestBuilder& request, const Judge& judge) {
    for (int poll = 1; poll <= timings_.maxPolls; ++poll) {
        if (observer_)
            observer_(poll, timings_.maxPolls);
        QThread::msleep(ulong(timings_.pollSleepMs));
        // A late answer to an earlier poll must not pass for this one's.
        channel_.discardPending();
        QVariantMap reply;
        RequestChannel::Status status = channel_.send(request());
        if (status == RequestChannel::Status::Ok)
            status = awaitReply(reply);
        switch (judge(status, reply)) {
        case Verdict::Confirmed:
            return Outcome::Confirmed;
        case Verdict::Failed:
            return Outcome::Failed;
        case Verdict::Continue:
            break;
        }
    }
    return Outcome::Exhausted;
}
