#include "TCPFrame.h"

namespace Fingo {

namespace {
// An escaped byte travels as the escape byte and the byte minus this offset.
constexpr unsigned char kEscapeOffset = 0x20;
} // namespace

std::string TCPFrame::encode(const std::string& payload) {
    std::string frame;
    frame.reserve(2 * payload.size() + 2);
    frame.push_back(static_cast<char>(kStart));
    for (const char c : payload) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == kEscape || byte == kStart || byte == kEnd) {
            frame.push_back(static_cast<char>(kEscape));
            frame.push_back(static_cast<char>(byte - kEscapeOffset));
        } else {
            frame.push_back(c);
        }
    }
    frame.push_back(static_cast<char>(kEnd));
    return frame;
}

std::string TCPFrame::decode(const char* escaped, std::size_t size) {
    std::string payload;
    payload.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(escaped[i]);
        if (byte == kEscape && i + 1 < size) {
            const auto next = static_cast<unsigned char>(escaped[i + 1] + kEscapeOffset);
            if (next == kEscape || next == kStart || next == kEnd) {
                payload.push_back(static_cast<char>(next));
                ++i;
                continue;
            }
        }
        payload.push_back(escaped[i]);
    }
    return payload;
}

} // namespace Fingo
