#pragma once

#include <string>

namespace Fingo {

// The JSON texts the library sends to the device, in jsoncpp's styled
// layout (keys sorted, three-space indent, final newline).
class OutgoingMessage {
public:
    static std::string cursorShape(const std::string& uuid, const std::string& shape, int width,
                                   int height);
    static std::string cursorPosition(const std::string& uuid, int x, int y);
};

} // namespace Fingo
