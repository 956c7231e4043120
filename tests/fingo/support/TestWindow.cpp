#include "TestWindow.h"

#include <poll.h>

TestWindow::TestWindow() {
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr)
        return;
    const int screen = DefaultScreen(m_display);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True; // no window manager in between
    attributes.event_mask =
        KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    m_window =
        XCreateWindow(m_display, RootWindow(m_display, screen), 0, 0,
                      static_cast<unsigned>(DisplayWidth(m_display, screen)),
                      static_cast<unsigned>(DisplayHeight(m_display, screen)), 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(m_display, m_window);
    XEvent event;
    if (!nextEvent(MapNotify, event)) {
        XDestroyWindow(m_display, m_window);
        m_window = 0;
        return;
    }
    XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
    XSync(m_display, False);
}

TestWindow::~TestWindow() {
    if (m_display == nullptr)
        return;
    if (m_window != 0)
        XDestroyWindow(m_display, m_window);
    XCloseDisplay(m_display);
}

TestWindow::Pointer TestWindow::pointer() const {
    Pointer pointer;
    Window root = 0;
    Window child = 0;
    int windowX = 0;
    int windowY = 0;
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &pointer.x, &pointer.y,
                  &windowX, &windowY, &pointer.mask);
    return pointer;
}

bool TestWindow::nextEvent(int type, XEvent& event, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        while (XPending(m_display) > 0) {
            XNextEvent(m_display, &event);
            if (event.type == type)
                return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left.count()));
    }
}

void TestWindow::drainEvents() {
    XSync(m_display, False);
    XEvent event;
    while (XPending(m_display) > 0)
        XNextEvent(m_display, &event);
}
