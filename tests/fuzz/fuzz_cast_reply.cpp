// A device's answers during the cast handshake, read from one datagram: the
// address it names reaches the mirroring program's command line only as one
// argument of its own, and the password proof is always an MD5 text.
#include "FuzzSupport.h"
#include "cast/CastReply.h"
#include "cast/GlimmerTask.h"
#include "tavlo/RequestChannel.h"

#include <QStringList>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QVariantMap received;
    if (RequestChannel::parseReply(FuzzSupport::bytes(data, size), received) !=
        RequestChannel::Status::Ok)
        return 0;
    const CastReply reply = CastReply::read(received);
    FUZZ_CHECK(GlimmerTask::proof(QStringLiteral("secret"), reply.randomData).size() == 32);
    if (reply.ip.isEmpty() || !GlimmerTask::isSafeAddressText(reply.ip))
        return 0;
    const QStringList arguments =
        GlimmerTask::launchParameters(reply.ip).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    FUZZ_CHECK(arguments ==
               (QStringList{QStringLiteral("-s"), QStringLiteral("1"), QStringLiteral("-i"),
                            reply.ip, QStringLiteral("-cs"), GlimmerTask::ControlServerName}));
    return 0;
}
