// A discovery request from a fake peer, handed to the responder's task as
// the listener does: only a request with a usable uuid is answered, always
// with this PC's description.
#include "FuzzSupport.h"
#include "tavlo/discovery/ClientIdentity.h"
#include "tavlo/discovery/ReplyDiscovery.h"
#include "utils/QtJson.h"

#include <QHostAddress>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray datagram = FuzzSupport::bytes(data, size);
    QList<QByteArray> replies;
    ReplyDiscovery task(datagram, QHostAddress(QStringLiteral("127.0.9.9")), 40000);
    task.setAutoDelete(false);
    task.setReplier([&](const QByteArray& reply, const QHostAddress&, quint16) {
        replies.append(reply);
        return true;
    });
    task.run();
    FUZZ_CHECK(replies.size() <= 1);
    if (replies.isEmpty())
        return 0;
    bool ok = false;
    const QVariantMap request = FuzzSupport::parse(datagram, ok);
    FUZZ_CHECK(ok);
    const QVariant uuid = request.value(QStringLiteral("uuid"));
    FUZZ_CHECK(uuid.userType() == QMetaType::QString && !uuid.toString().isEmpty() &&
               uuid.toString() != ClientIdentity::uuid());
    FUZZ_CHECK(replies.first() == QtJson::serialize(ReplyDiscovery::replyMessage()));
    return 0;
}
