// A device's listing, as the datagrams it sends one after another (the input
// is cut into datagrams at every 0xFF byte): entries pile up to the limit,
// a refusal or the last datagram ends the listing, and at the top level
// only the public folders remain.
#include "FuzzSupport.h"
#include "tavlo/FileFinder.h"
#include "tavlo/RequestChannel.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QList<QByteArray> datagrams = FuzzSupport::bytes(data, size).split(char(0xFF));
    QList<FileContent> entries;
    for (const QByteArray& datagram : datagrams) {
        QVariantMap reply;
        if (RequestChannel::parseReply(datagram, reply) != RequestChannel::Status::Ok)
            return 0;
        const FileFinder::Chunk chunk = FileFinder::readReply(reply, entries);
        FUZZ_CHECK(entries.size() <= FileFinder::MaxEntries);
        if (chunk != FileFinder::Chunk::More)
            break;
    }
    for (const FileContent& entry : qAsConst(entries))
        FUZZ_CHECK(entry.fileSize >= 0);
    const QList<FileContent> top = FileFinder::topLevelOnly(entries);
    for (const FileContent& entry : top)
        FUZZ_CHECK(FileFinder::topLevelFolders().contains(entry.fileName));
    return 0;
}
