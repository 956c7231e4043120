#include "LocalMutex.h"

#include <windows.h>

struct LocalMutex::Native {
    CRITICAL_SECTION section;
};

LocalMutex::LocalMutex()
    : m_native(std::make_unique<Native>()) {
    InitializeCriticalSection(&m_native->section);
}

LocalMutex::~LocalMutex() {
    DeleteCriticalSection(&m_native->section);
}

void LocalMutex::lock() {
    EnterCriticalSection(&m_native->section);
}

void LocalMutex::unlock() {
    LeaveCriticalSection(&m_native->section);
}
