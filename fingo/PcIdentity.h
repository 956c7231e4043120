#pragma once

#include <cstddef>
#include <string>

namespace Fingo {

// The PC identity ("uuid") sent with every message: the hardware address of
// the network interface that holds the server's bind address.
class PcIdentity {
public:
    // Used for the any-address, when no interface holds the address, or when
    // its hardware address cannot be had.
    static constexpr const char* kFallback = "00-11-22-33-44-55";

    // Looked up anew on every call.
    static std::string forBindAddress(const std::string& bindAddress);

    // Two upper-case hex digits per byte, joined by "-".
    static std::string format(const unsigned char* bytes, std::size_t count);

private:
    // The platform lookup: empty when there is no usable hardware address.
    static std::string lookUp(const std::string& bindAddress);
};

} // namespace Fingo
