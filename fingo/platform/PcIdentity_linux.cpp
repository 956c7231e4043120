#include "PcIdentity.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

namespace Fingo {

namespace {

std::string interfaceHolding(const ifaddrs* interfaces, const std::string& address) {
    for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text) != nullptr && address == text)
            return entry->ifa_name;
    }
    return {};
}

std::string hardwareAddressOf(const ifaddrs* interfaces, const std::string& name) {
    for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET ||
            name != entry->ifa_name)
            continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        const std::size_t length = std::min<std::size_t>(link->sll_halen, sizeof link->sll_addr);
        // Loopback and some virtual links report an all-zero address: no identity.
        const bool allZero = std::all_of(link->sll_addr, link->sll_addr + length,
                                         [](unsigned char byte) { return byte == 0; });
        if (length == 0 || allZero)
            return {};
        return PcIdentity::format(link->sll_addr, length);
    }
    return {};
}

} // namespace

std::string PcIdentity::lookUp(const std::string& bindAddress) {
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return {};
    std::string identity;
    const std::string name = interfaceHolding(interfaces, bindAddress);
    if (!name.empty())
        identity = hardwareAddressOf(interfaces, name);
    freeifaddrs(interfaces);
    return identity;
}

} // namespace Fingo
