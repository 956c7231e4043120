#pragma once

#include "Lockable.h"

#include <memory>

// A mutex local to the process, re-entrant on the same thread.
class LocalMutex : public Lockable {
public:
    LocalMutex();
    ~LocalMutex() override;
    LocalMutex(const LocalMutex&) = delete;
    LocalMutex& operator=(const LocalMutex&) = delete;

    void lock() override;
    void unlock() override;

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};
