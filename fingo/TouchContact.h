#pragma once

#include <cstdint>

namespace Fingo {

// One contact ready for a touch device: clamped to the screen, with its
// contact rectangle and pointer flags (Windows values).
struct TouchContact {
    enum PointerFlags : std::uint32_t {
        Down = 0x10006,   // down | in range | in contact
        Up = 0x40000,     // up
        Update = 0x20006, // update | in range | in contact
    };

    std::int32_t pointerId = 0;
    int x = 0;
    int y = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    std::uint32_t pointerFlags = 0;
};

} // namespace Fingo
