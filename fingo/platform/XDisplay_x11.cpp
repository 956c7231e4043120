#include "platform/XDisplay_x11.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace Fingo {

std::unique_ptr<XDisplay> XDisplay::open(const Logger& log) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        log.log(Logger::Error, "Open X display fail.");
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        log.log(Logger::Error, "XTest extension is missing.");
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<XDisplay>(new XDisplay(display));
}

XDisplay::XDisplay(Display* display)
    : m_display(display) {}

XDisplay::~XDisplay() {
    XCloseDisplay(m_display);
}

int XDisplay::screen() const {
    return DefaultScreen(m_display);
}

ScreenSize XDisplay::screenSize() const {
    ScreenSize size;
    size.width = DisplayWidth(m_display, screen());
    size.height = DisplayHeight(m_display, screen());
    return size;
}

} // namespace Fingo
