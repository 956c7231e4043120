#include "LocalMutex.h"

#include <mutex>

struct LocalMutex::Native {
    std::recursive_mutex mutex;
};

LocalMutex::LocalMutex()
    : m_native(std::make_unique<Native>()) {}

LocalMutex::~LocalMutex() = default;

void LocalMutex::lock() {
    m_native->mutex.lock();
}

void LocalMutex::unlock() {
    m_native->mutex.unlock();
}
