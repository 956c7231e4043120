#pragma once

#include "IKeyboardSimulater.h"
#include "Logger.h"

namespace Fingo {

// Key events on Windows: one keyboard input per event through SendInput.
class SendInputKeyboard : public IKeyboardSimulater {
public:
    explicit SendInputKeyboard(const Logger& log);

    void sendKey(std::uint16_t virtualKey, bool keyUp) override;

private:
    Logger m_log;
};

} // namespace Fingo
