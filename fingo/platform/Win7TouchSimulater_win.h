#pragma once

#include "MouseTouchSimulater.h"

namespace Fingo {

// The mouse back end on Windows: SendInput with absolute coordinates
// normalised to the primary screen.
class Win7TouchSimulater : public MouseTouchSimulater {
public:
    explicit Win7TouchSimulater(const Logger& log);

protected:
    unsigned doubleClickTime() override;
    bool sendMouseInput(const MouseInput& input) override;
    unsigned long lastError() override;
};

} // namespace Fingo
