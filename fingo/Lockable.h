#pragma once

// Lock interface of the library's mutexes.
class Lockable {
public:
    virtual ~Lockable() = default;
    virtual void lock() = 0;
    virtual void unlock() = 0;
};
