#include "platform/XTestTouchSimulater_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace Fingo {

namespace {
constexpr unsigned kLeftButton = 1;
constexpr unsigned kRightButton = 3;
} // namespace

XTestTouchSimulater::XTestTouchSimulater(const Logger& log)
    : MouseTouchSimulater(log)
    , m_display(XDisplay::open(log)) {}

unsigned XTestTouchSimulater::doubleClickTime() {
    return m_settings.doubleClickTime();
}

bool XTestTouchSimulater::sendMouseInput(const MouseInput& input) {
    if (!m_display)
        return false;
    Display* display = m_display->get();
    bool sent = true;
    if (input.flags & Move)
        sent = XTestFakeMotionEvent(display, m_display->screen(), input.x, input.y, CurrentTime);
    struct ButtonChange {
        unsigned flag;
        unsigned button;
        Bool press;
    };
    static const ButtonChange changes[] = {{LeftDown, kLeftButton, True},
                                           {LeftUp, kLeftButton, False},
                                           {RightDown, kRightButton, True},
                                           {RightUp, kRightButton, False}};
    for (const ButtonChange& change : changes) {
        if (sent && (input.flags & change.flag))
            sent = XTestFakeButtonEvent(display, change.button, change.press, CurrentTime);
    }
    // Round trip: the server has acted on the input when inject returns.
    XSync(display, False);
    return sent;
}

} // namespace Fingo
