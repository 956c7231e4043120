#pragma once

#include "MouseTouchSimulater.h"
#include "platform/XDisplay_x11.h"
#include "platform/XSettings_x11.h"

#include <memory>

namespace Fingo {

// The mouse back end on X11: pointer motion and button events through the
// XTest extension; the double-click time is the desktop's.
class XTestTouchSimulater : public MouseTouchSimulater {
public:
    explicit XTestTouchSimulater(const Logger& log);

protected:
    unsigned doubleClickTime() override;
    bool sendMouseInput(const MouseInput& input) override;
    // XTest requests report no error codes.
    unsigned long lastError() override { return 0; }

private:
    std::unique_ptr<XDisplay> m_display;
    XSettings m_settings;
};

} // namespace Fingo
