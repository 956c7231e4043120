#include "InjectionCounter.h"

void InjectionCounter::record() {
    const Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_count;
    m_last = now;
    if (m_count == m_target)
        m_reached.notify_all();
}

bool InjectionCounter::waitFor(std::uint64_t count, std::chrono::milliseconds limit,
                               Clock::time_point& at) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_target = count;
    if (!m_reached.wait_for(lock, limit, [&] { return m_count >= count; }))
        return false;
    at = m_last;
    return m_count == count;
}

std::uint64_t InjectionCounter::count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}
