#pragma once

#include <memory>

// An auto-reset event, initially not signalled: one wait consumes one
// notification; a notification given while nobody waits is kept for the
// next wait.
class WindowsEvent {
public:
    // Throws Exception when the system refuses the event.
    WindowsEvent();
    virtual ~WindowsEvent();
    WindowsEvent(const WindowsEvent&) = delete;
    WindowsEvent& operator=(const WindowsEvent&) = delete;

    void notify();
    // True when signalled within the time-out, false when the time ran out.
    bool waitForEvent(unsigned long milliseconds);

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};
