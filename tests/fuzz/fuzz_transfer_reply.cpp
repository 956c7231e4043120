// A device's answers about a transfer: the grant of an upload and of a
// download, and the answer to a completion poll, read from one datagram.
// A grant always names a usable port and a size that is no negative number.
#include "FuzzSupport.h"
#include "tavlo/RequestChannel.h"
#include "tavlo/TransferReplies.h"

#include <limits>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QVariantMap reply;
    if (RequestChannel::parseReply(FuzzSupport::bytes(data, size), reply) !=
        RequestChannel::Status::Ok)
        return 0;

    TransferReplies::Granted upload;
    if (TransferReplies::readUploadGrant(reply, upload) == TransferReplies::Grant::Granted) {
        FUZZ_CHECK(upload.tcpPort >= 1);
        FUZZ_CHECK(upload.sessionId >= std::numeric_limits<int>::min() &&
                   upload.sessionId <= std::numeric_limits<int>::max());
        FUZZ_CHECK(RequestChannel::resultOf(reply) == RequestChannel::Result::Ok);
    }
    TransferReplies::Granted download;
    if (TransferReplies::readDownloadGrant(reply, download) == TransferReplies::Grant::Granted) {
        FUZZ_CHECK(download.tcpPort >= 1);
        FUZZ_CHECK(download.fileSize >= 0);
    }
    qint64 session = 0;
    const TransferReplies::Poll poll = TransferReplies::readPoll(reply, session);
    if (poll == TransferReplies::Poll::Confirmed)
        FUZZ_CHECK(RequestChannel::resultOf(reply) == RequestChannel::Result::Ok);
    return 0;
}
