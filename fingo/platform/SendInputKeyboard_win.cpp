#include "platform/SendInputKeyboard_win.h"

#include <windows.h>

namespace Fingo {

SendInputKeyboard::SendInputKeyboard(const Logger& log)
    : m_log(log) {}

void SendInputKeyboard::sendKey(std::uint16_t virtualKey, bool keyUp) {
    INPUT key{};
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = virtualKey;
    key.ki.wScan = 0;
    key.ki.dwFlags = keyUp ? KEYEVENTF_KEYUP : 0;
    key.ki.time = 0;
    key.ki.dwExtraInfo = 0;
    if (SendInput(1, &key, sizeof(INPUT)) != 1)
        m_log.log(Logger::Error, "simulate mouse fail:%lu", GetLastError());
}

} // namespace Fingo
