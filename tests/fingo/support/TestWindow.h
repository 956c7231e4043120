#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <string>

// A window covering the X screen that takes the keyboard focus and records
// pointer and key events, on a display connection of its own ($DISPLAY).
class TestWindow {
public:
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    bool isOpen() const { return m_window != 0; }
    Display* display() const { return m_display; }
    Window window() const { return m_window; }

    struct Pointer {
        int x = -1;
        int y = -1;
        unsigned mask = 0; // button state, Button1Mask etc.
    };
    Pointer pointer() const;

    // The next event of this type, waiting up to the limit; false when none
    // came. Events of other types on the way are dropped.
    bool nextEvent(int type, XEvent& event,
                   std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Drops the events received so far.
    void drainEvents();

private:
    Display* m_display = nullptr;
    Window m_window = 0;
};
