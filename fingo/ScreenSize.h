#pragma once

namespace Fingo {

// Size of the primary screen in pixels.
struct ScreenSize {
    int width = 0;
    int height = 0;
};

} // namespace Fingo
