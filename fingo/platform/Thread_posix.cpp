#include "Thread.h"

#include <pthread.h>

// POSIX threads cannot be created suspended, so the thread is created when it
// is resumed; until then there is nothing to run or to wait for.
struct Thread::Native {
    pthread_t thread{};
    bool joinable = false;

    static void* start(void* argument) {
        static_cast<Thread*>(argument)->run();
        return nullptr;
    }
};

Thread::Thread()
    : m_native(std::make_unique<Native>()) {}

Thread::~Thread() {
    // Like closing a thread handle: never waits.
    if (m_native->joinable)
        pthread_detach(m_native->thread);
}

bool Thread::resume() {
    if (m_native->joinable)
        return true;
    // Set before the thread exists: it may end before pthread_create returns.
    m_started = true;
    if (pthread_create(&m_native->thread, nullptr, &Native::start, this) != 0) {
        m_started = false;
        return false;
    }
    m_native->joinable = true;
    return true;
}

bool Thread::wait() {
    if (!m_native->joinable || pthread_equal(m_native->thread, pthread_self()))
        return false;
    pthread_join(m_native->thread, nullptr);
    m_native->joinable = false;
    return true;
}
