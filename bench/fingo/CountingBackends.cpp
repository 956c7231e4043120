#include "CountingBackends.h"

namespace {

class CountingTouchSimulater : public Fingo::ITouchSimulater {
public:
    explicit CountingTouchSimulater(std::shared_ptr<InjectionCounter> counter)
        : m_counter(std::move(counter)) {}
    bool inject(int, const TouchPoint*) override {
        m_counter->record();
        return true;
    }

private:
    std::shared_ptr<InjectionCounter> m_counter;
};

class CountingKeyboard : public Fingo::IKeyboardSimulater {
public:
    explicit CountingKeyboard(std::shared_ptr<InjectionCounter> counter)
        : m_counter(std::move(counter)) {}
    void sendKey(std::uint16_t, bool) override { m_counter->record(); }

private:
    std::shared_ptr<InjectionCounter> m_counter;
};

bool longClicksAllowed() {
    return true;
}

} // namespace

Fingo::InputBackends countingBackends(const std::shared_ptr<InjectionCounter>& counter) {
    Fingo::InputBackends backends;
    backends.touch = std::make_unique<CountingTouchSimulater>(counter);
    backends.keyboard = std::make_unique<CountingKeyboard>(counter);
    backends.longClickAllowed = &longClicksAllowed;
    return backends;
}
