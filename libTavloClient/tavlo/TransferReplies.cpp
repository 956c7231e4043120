#include "tavlo/TransferReplies.h"

#include "tavlo/RequestChannel.h"
#include "utils/JsonFields.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <limits>

bool TransferReplies::tcpPortOf(const QVariantMap& reply, quint16& port) {
    qint64 value = 0;
    if (!JsonFields::integer(reply, Protocol::TCP_PORT, 1, 65535, value))
        return false;
    port = quint16(value);
    return true;
}

TransferReplies::Grant TransferReplies::readUploadGrant(const QVariantMap& reply,
                                                        Granted& granted) {
    // An id the task's integer cannot hold would be polled as another one.
    if (!JsonFields::integer(reply, Protocol::SESSION_ID, std::numeric_limits<int>::min(),
                             std::numeric_limits<int>::max(), granted.sessionId))
        return Grant::BadSessionId;
    switch (RequestChannel::resultOf(reply)) {
    case RequestChannel::Result::Fail:
        return Grant::Refused;
    case RequestChannel::Result::Unknown:
        return Grant::UnknownResult;
    case RequestChannel::Result::Ok:
        break;
    }
    return tcpPortOf(reply, granted.tcpPort) ? Grant::Granted : Grant::BadTcpPort;
}

TransferReplies::Grant TransferReplies::readDownloadGrant(const QVariantMap& reply,
                                                          Granted& granted) {
    if (RequestChannel::resultOf(reply) != RequestChannel::Result::Ok)
        return Grant::Refused;
    granted.sessionId =
        JsonFields::integerOr(reply, Protocol::SESSION_ID, std::numeric_limits<qint64>::min(),
                              std::numeric_limits<qint64>::max(), 0);
    if (!tcpPortOf(reply, granted.tcpPort))
        return Grant::BadTcpPort;
    granted.fileSize =
        JsonFields::integerOr(reply, Protocol::FILE_SIZE, 0, std::numeric_limits<qint64>::max(), 0);
    return Grant::Granted;
}

TransferReplies::Poll TransferReplies::readPoll(const QVariantMap& reply, qint64& session) {
    if (!RequestChannel::integerOf(reply, Protocol::SESSION_ID, session))
        return Poll::NoSessionId;
    switch (RequestChannel::resultOf(reply)) {
    case RequestChannel::Result::Ok:
        return Poll::Confirmed;
    case RequestChannel::Result::Fail:
        return RequestChannel::reasonOf(reply) == Protocol::NOT_COMPLETE ? Poll::NotComplete
                                                                         : Poll::Disputed;
    case RequestChannel::Result::Unknown:
        break;
    }
    return Poll::UnknownResult;
}
