#pragma once

#include "TouchPoint.h"

namespace Fingo {

// Injection back end: turns one batch of contacts into platform input.
class ITouchSimulater {
public:
    virtual ~ITouchSimulater() = default;
    // The points are read only during the call. True when the platform
    // accepted the input.
    virtual bool inject(int count, const TouchPoint* points) = 0;
};

} // namespace Fingo
