#include "tavlo/CompletionPoll.h"

#include "utils/ProtocolDefinedJsonObject.h"

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

CompletionPoll::Outcome CompletionPoll::run(const RequestBuilder& request, const Judge& judge) {
    for (int poll = 1; poll <= timings_.maxPolls; ++poll) {
        QThread::msleep(ulong(timings_.pollSleepMs));
        // A late answer to an earlier poll must not pass for this one's.
        channel_.discardPending();
        QVariantMap reply;
        const RequestChannel::Status status =
            channel_.exchange(request(), timings_.pollTimeoutMs, check_, reply);
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
