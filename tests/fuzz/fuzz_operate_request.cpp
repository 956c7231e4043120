// A request from a fake peer to the operate listener's task ("file_download",
// "query_result", "file_distribution" and anything else): every answer is
// valid JSON, and only the one file offered to this peer is ever granted.
#include "FuzzSupport.h"
#include "tavlo/server/OfferRegistry.h"
#include "tavlo/server/ReplyOperate.h"
#include "utils/QtJson.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>

namespace {

const QHostAddress& peer() {
    static const QHostAddress address(QStringLiteral("127.0.9.9"));
    return address;
}

// A file offered to the fake peer; the seed corpus asks for this path.
const QString OfferedPath = QStringLiteral("/tmp/tavlo-fuzz-offered.bin");

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::prepare();
    QFile offered(OfferedPath);
    if (offered.open(QIODevice::WriteOnly))
        offered.write("offered file");
    OfferRegistry::instance().addOffer(peer(), OfferedPath);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QList<QByteArray> replies;
    auto* task = new ReplyOperate(FuzzSupport::bytes(data, size), peer(), 40000);
    task->setAutoDelete(false);
    // A granted session ends at once instead of waiting for the peer.
    StopToken stop;
    stop.requestStop();
    task->setServing(DownloadServer::Timings(), stop);
    task->setReplier([&](const QByteArray& reply, const QHostAddress& to, quint16 port) {
        FUZZ_CHECK(to == peer() && port == 40000);
        replies.append(reply);
        return true;
    });
    int offers = 0;
    QObject::connect(task, &ReplyOperate::isDownloadFile,
                     [&](const QString&, const ServerContent& device, quint16) {
                         FUZZ_CHECK(device.address == peer());
                         ++offers;
                     });
    task->run();
    delete task;

    FUZZ_CHECK(replies.size() + offers <= 1);
    for (const QByteArray& reply : replies) {
        bool ok = false;
        const QVariantMap answer = FuzzSupport::parse(reply, ok);
        FUZZ_CHECK(ok);
        if (answer.contains(QStringLiteral("tcp_port"))) {
            bool requestOk = false;
            const QVariantMap request =
                FuzzSupport::parse(FuzzSupport::bytes(data, size), requestOk);
            FUZZ_CHECK(request.value(QStringLiteral("file_path")) == OfferedPath);
        }
    }
    return 0;
}
