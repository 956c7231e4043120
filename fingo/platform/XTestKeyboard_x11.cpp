#include "platform/XTestKeyboard_x11.h"

#include "platform/VirtualKeyMap_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace Fingo {

XTestKeyboard::XTestKeyboard(const Logger& log)
    : m_log(log)
    , m_display(XDisplay::open(log)) {}

void XTestKeyboard::sendKey(std::uint16_t virtualKey, bool keyUp) {
    const unsigned long keysym = VirtualKeyMap::keysymFor(virtualKey);
    if (keysym == NoSymbol) {
        m_log.log(Logger::Error, "Unknown virtual key code: %u.", unsigned{virtualKey});
        return;
    }
    if (!m_display) {
        m_log.log(Logger::Error, "simulate mouse fail:%lu", 0UL);
        return;
    }
    Display* display = m_display->get();
    const KeyCode keycode = XKeysymToKeycode(display, keysym);
    if (keycode == 0) {
        m_log.log(Logger::Error, "No key for virtual key code: %u.", unsigned{virtualKey});
        return;
    }
    const bool sent = XTestFakeKeyEvent(display, keycode, keyUp ? False : True, CurrentTime);
    XSync(display, False);
    if (!sent)
        m_log.log(Logger::Error, "simulate mouse fail:%lu", 0UL);
}

} // namespace Fingo
