#include "PcIdentity.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h before windows.h and iphlpapi.h
#include <iphlpapi.h>
#include <windows.h>

#include <cstring>

namespace Fingo {

std::string PcIdentity::lookUp(const std::string& bindAddress) {
    char hostName[128] = {};
    if (gethostname(hostName, sizeof hostName) != 0)
        return {};
    const hostent* host = gethostbyname(hostName);
    if (host == nullptr || host->h_addrtype != AF_INET)
        return {};
    for (char** entry = host->h_addr_list; *entry != nullptr; ++entry) {
        in_addr address;
        std::memcpy(&address, *entry, sizeof address);
        if (bindAddress != inet_ntoa(address))
            continue;
        ULONG hardware[2];
        std::memset(hardware, 0xFF, sizeof hardware);
        ULONG length = 6;
        // A failed lookup (no ARP entry, no such service) gives the fallback.
        if (SendARP(address.s_addr, 0, hardware, &length) != NO_ERROR || length == 0)
            return {};
        return format(reinterpret_cast<const unsigned char*>(hardware),
                      length < sizeof hardware ? length : sizeof hardware);
    }
    return {};
}

} // namespace Fingo
