#include "Thread.h"

#include <windows.h>

struct Thread::Native {
    HANDLE handle = nullptr;
    DWORD id = 0;
    bool resumed = false;

    static DWORD WINAPI start(LPVOID argument) {
        static_cast<Thread*>(argument)->run();
        return 0;
    }
};

Thread::Thread()
    : m_native(std::make_unique<Native>()) {
    m_native->handle =
        CreateThread(nullptr, 0, &Native::start, this, CREATE_SUSPENDED, &m_native->id);
}

Thread::~Thread() {
    if (m_native->handle != nullptr)
        CloseHandle(m_native->handle);
}

bool Thread::resume() {
    if (m_native->handle == nullptr)
        return false;
    if (m_native->resumed)
        return true;
    // Set before the thread runs: it may end before ResumeThread returns.
    m_started = true;
    if (ResumeThread(m_native->handle) == static_cast<DWORD>(-1)) {
        m_started = false;
        return false;
    }
    m_native->resumed = true;
    return true;
}

bool Thread::wait() {
    if (!m_native->resumed || GetCurrentThreadId() == m_native->id)
        return false;
    WaitForSingleObject(m_native->handle, INFINITE);
    return true;
}
