#pragma once

#include "IKeyboardSimulater.h"
#include "Logger.h"
#include "platform/XDisplay_x11.h"

#include <memory>

namespace Fingo {

// Key events on X11 through XTest, translated from virtual-key codes.
class XTestKeyboard : public IKeyboardSimulater {
public:
    explicit XTestKeyboard(const Logger& log);

    void sendKey(std::uint16_t virtualKey, bool keyUp) override;

private:
    Logger m_log;
    std::unique_ptr<XDisplay> m_display;
};

} // namespace Fingo
