#pragma once

#include <string>

namespace Fingo {

// A message the host queued for the device; kind selects the fields that
// count.
struct QueuedMessage {
    enum Kind { CursorShape = 1001, CursorPosition = 1002 };

    int kind = 0;
    std::string shape; // CursorShape
    int width = 0;
    int height = 0;
    int x = 0; // CursorPosition
    int y = 0;
};

} // namespace Fingo
