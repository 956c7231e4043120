#pragma once

#include <cstddef>
#include <string>

namespace Fingo {

// The frame format on the TCP stream: a start marker, the payload with its
// marker bytes escaped, an end marker. No length, no checksum.
class TCPFrame {
public:
    static constexpr unsigned char kStart = 0x7E;
    static constexpr unsigned char kEnd = 0x7F;
    static constexpr unsigned char kEscape = 0x7D;

    // The whole frame for a payload (at most 2 * size + 2 bytes).
    static std::string encode(const std::string& payload);
    // Undoes the escapes of the bytes between the markers. An escape byte
    // followed by anything else than an escaped marker stays a plain byte.
    static std::string decode(const char* escaped, std::size_t size);
};

} // namespace Fingo
