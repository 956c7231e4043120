#include "PcIdentity.h"

#include <cstdio>

namespace Fingo {

std::string PcIdentity::forBindAddress(const std::string& bindAddress) {
    const std::string identity = lookUp(bindAddress);
    return identity.empty() ? std::string(kFallback) : identity;
}

std::string PcIdentity::format(const unsigned char* bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, i + 1 < count ? "%02X-" : "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

} // namespace Fingo
