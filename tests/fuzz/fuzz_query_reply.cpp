// A device's answer to the device information query: whatever it holds, the
// record is valid exactly when it parsed, and a feature port is a port.
#include "FuzzSupport.h"
#include "tavlo/discovery/ServerInfoGetter.h"

#include <QHostAddress>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QHostAddress device(QStringLiteral("127.0.9.9"));
    const DiscoveryServer::ServerInfoGetter getter(nullptr, device, 16020);
    bool ok = false;
    const ServerContent record =
        getter.getServerContent(reinterpret_cast<const char*>(data), size, ok);
    FUZZ_CHECK(record.valid == ok);
    if (!ok)
        return 0;
    FUZZ_CHECK(record.address == device && record.port == 16020);
    for (auto it = record.supportPorts.cbegin(); it != record.supportPorts.cend(); ++it)
        FUZZ_CHECK(it.key() == it->name && it->port >= 1 && it->port <= 65535);
    return 0;
}
