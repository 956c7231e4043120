#include "WindowsEvent.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

struct WindowsEvent::Native {
    std::mutex mutex;
    std::condition_variable condition;
    bool signalled = false;
};

WindowsEvent::WindowsEvent()
    : m_native(std::make_unique<Native>()) {}

WindowsEvent::~WindowsEvent() = default;

void WindowsEvent::notify() {
    {
        std::lock_guard<std::mutex> lock(m_native->mutex);
        m_native->signalled = true;
    }
    m_native->condition.notify_one();
}

bool WindowsEvent::waitForEvent(unsigned long milliseconds) {
    std::unique_lock<std::mutex> lock(m_native->mutex);
    const bool signalled = m_native->condition.wait_for(
        lock, std::chrono::milliseconds(milliseconds), [this] { return m_native->signalled; });
    m_native->signalled = false;
    return signalled;
}
