#pragma once

#include <QVariantMap>

// What a device's answers about a transfer mean: the grant that opens an
// upload or a download, and the answer to one completion poll. Pure readers
// of one parsed reply each; the upload and the download task log and report
// what they find.
class TransferReplies {
public:
    enum class Grant { Granted, BadSessionId, Refused, UnknownResult, BadTcpPort };

    struct Granted {
        qint64 sessionId = 0;
        quint16 tcpPort = 0;
        qint64 fileSize = 0;
    };

    // An upload's grant: `session_id` must fit the task's 32-bit integer and
    // is checked before `result` is looked at; "ok" needs a `tcp_port`.
    static Grant readUploadGrant(const QVariantMap& reply, Granted& granted);
    // A download's grant: any result but "ok" refuses; any integer
    // `session_id` is taken (absent: 0); "ok" needs a `tcp_port`; a
    // `file_size` that is absent, negative or no integer counts as 0.
    static Grant readDownloadGrant(const QVariantMap& reply, Granted& granted);

    enum class Poll { Confirmed, NotComplete, Disputed, UnknownResult, NoSessionId };

    // One completion poll's answer. Its `session_id` goes into `session`; a
    // reply without an integer one is NoSessionId whatever its result.
    static Poll readPoll(const QVariantMap& reply, qint64& session);

private:
    static bool tcpPortOf(const QVariantMap& reply, quint16& port);
};
