#pragma once

#include "Lockable.h"

// Holds a lock for the lifetime of the object.
class AutoLock {
public:
    explicit AutoLock(Lockable* lockable);
    virtual ~AutoLock();
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

private:
    Lockable* m_lockable;
};
