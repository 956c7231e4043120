#pragma once

#include "tavlo/RequestChannel.h"
#include "tavlo/TransferTimings.h"

#include <functional>

// Asks a device whether a transfer is complete ("query_result" with the
// session and the file's MD5) until it answers for good or the polls run out.
class CompletionPoll {
public:
    enum class Verdict { Continue, Confirmed, Failed };
    enum class Outcome { Confirmed, Failed, Exhausted };

    using RequestBuilder = std::function<QVariantMap()>;
    // Judges one poll: the exchange status and, when it is Ok, the reply.
    using Judge = std::function<Verdict(RequestChannel::Status, const QVariantMap&)>;

    CompletionPoll(RequestChannel& channel, const TransferTimings& timings,
                   RequestChannel::SenderCheck check);

    Outcome run(const RequestBuilder& request, const Judge& judge);
    // Told before every poll: its number (from 1) and the most there will be.
    void setPollObserver(std::function<void(int poll, int polls)> observer) {
        observer_ = std::move(observer);
    }
    // Asked while waiting: true ends the poll at once (the judge then sees
    // no reply and decides).
    void setStopCheck(std::function<bool()> stopCheck) { stopCheck_ = std::move(stopCheck); }

    static QVariantMap request(qint64 sessionId, const QString& md5);

private:
    RequestChannel::Status awaitReply(QVariantMap& reply);

    RequestChannel& channel_;
    TransferTimings timings_;
    RequestChannel::SenderCheck check_;
    std::function<void(int, int)> observer_;
    std::function<bool()> stopCheck_;
};
