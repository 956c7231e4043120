#pragma once

#include "IKeyboardSimulater.h"
#include "ITouchSimulater.h"
#include "InputBackends.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// What the recording back ends were asked to inject, shared with the test
// after the back ends have gone into a server.
class InjectionRecord {
public:
    struct Key {
        std::uint16_t virtualKey;
        bool keyUp;
    };

    void addBatch(int count, const TouchPoint* points);
    void addKey(std::uint16_t virtualKey, bool keyUp);

    std::vector<std::vector<TouchPoint>> batches() const;
    std::vector<Key> keys() const;
    bool waitForBatches(std::size_t count,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::vector<TouchPoint>> m_batches;
    std::vector<Key> m_keys;
};

class RecordingTouchSimulater : public Fingo::ITouchSimulater {
public:
    explicit RecordingTouchSimulater(std::shared_ptr<InjectionRecord> record)
        : m_record(std::move(record)) {}
    bool inject(int count, const TouchPoint* points) override;

private:
    std::shared_ptr<InjectionRecord> m_record;
};

class RecordingKeyboard : public Fingo::IKeyboardSimulater {
public:
    explicit RecordingKeyboard(std::shared_ptr<InjectionRecord> record)
        : m_record(std::move(record)) {}
    void sendKey(std::uint16_t virtualKey, bool keyUp) override;

private:
    std::shared_ptr<InjectionRecord> m_record;
};

// Back ends that only record, with long clicks allowed or not.
Fingo::InputBackends recordingBackends(const std::shared_ptr<InjectionRecord>& record,
                                       bool longClicks = true);
