#include "RecordingBackends.h"

namespace {

bool allowed() {
    return true;
}

bool refused() {
    return false;
}

} // namespace

void InjectionRecord::addBatch(int count, const TouchPoint* points) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_batches.emplace_back(points, points + count);
    }
    m_changed.notify_all();
}

void InjectionRecord::addKey(std::uint16_t virtualKey, bool keyUp) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_keys.push_back({virtualKey, keyUp});
}

std::vector<std::vector<TouchPoint>> InjectionRecord::batches() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_batches;
}

std::vector<InjectionRecord::Key> InjectionRecord::keys() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_keys;
}

bool InjectionRecord::waitForBatches(std::size_t count, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_batches.size() >= count; });
}

bool RecordingTouchSimulater::inject(int count, const TouchPoint* points) {
    m_record->addBatch(count, points);
    return true;
}

void RecordingKeyboard::sendKey(std::uint16_t virtualKey, bool keyUp) {
    m_record->addKey(virtualKey, keyUp);
}

Fingo::InputBackends recordingBackends(const std::shared_ptr<InjectionRecord>& record,
                                       bool longClicks) {
    Fingo::InputBackends backends;
    backends.touch = std::make_unique<RecordingTouchSimulater>(record);
    backends.keyboard = std::make_unique<RecordingKeyboard>(record);
    backends.longClickAllowed = longClicks ? &allowed : &refused;
    return backends;
}
