#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// Counts what reached injection and when the latest batch did. A waiter is
// woken only when the count it waits for is reached, so that counting costs
// the receiving thread no more than a lock in the fast loop.
class InjectionCounter {
public:
    using Clock = std::chrono::steady_clock;

    // For every injected batch, on the receiving thread.
    void record();
    // Waits until `count` batches arrived since the start; `at` is when the
    // batch that reached it was injected. False when the limit passed first.
    bool waitFor(std::uint64_t count, std::chrono::milliseconds limit, Clock::time_point& at);
    std::uint64_t count() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_reached;
    std::uint64_t m_count = 0;
    std::uint64_t m_target = 0;
    Clock::time_point m_last;
};
