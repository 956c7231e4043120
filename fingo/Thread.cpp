#include "Thread.h"

#include "Exception.h"

void Thread::terminate() {
    m_terminated = true;
    onTerminate();
}

void Thread::onTerminate() {}

void Thread::onStarting() {}

void Thread::run() {
    try {
        onStarting();
        execute();
    } catch (const Exception&) {
        // Ends the thread quietly.
    } catch (...) {
        // Same for anything else: std::terminate would take the host down.
    }
    m_started = false;
}
