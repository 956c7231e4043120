#pragma once

#include <cstdint>

namespace Fingo {

// Sends key events given as Windows virtual-key codes; reports its own
// failures through the log.
class IKeyboardSimulater {
public:
    virtual ~IKeyboardSimulater() = default;
    virtual void sendKey(std::uint16_t virtualKey, bool keyUp) = 0;
};

} // namespace Fingo
