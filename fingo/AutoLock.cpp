#include "AutoLock.h"

AutoLock::AutoLock(Lockable* lockable)
    : m_lockable(lockable) {
    m_lockable->lock();
}

AutoLock::~AutoLock() {
    m_lockable->unlock();
}
