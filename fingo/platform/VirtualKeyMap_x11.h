#pragma once

#include <cstdint>

namespace Fingo {

// Translates Windows virtual-key codes (as devices send them) to X keysyms.
// Letters give the lower-case keysym: the device sends shift on its own.
class VirtualKeyMap {
public:
    // 0 (NoSymbol) for a code without a translation.
    static unsigned long keysymFor(std::uint16_t virtualKey);
};

} // namespace Fingo
