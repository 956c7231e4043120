// The remote-input server's receive path without the socket: bytes arrive in
// pieces (the first input byte sets their size, the second picks the touch
// screen or the mouse back end), frames are cut and their messages
// dispatched to recording back ends. Whatever arrives, only the three touch
// actions are injected, touches stay on the screen, and a reassembly buffer
// that fills up without a frame ends the connection as the server does.
#include "ContactTouchSimulater.h"
#include "FrameReassembler.h"
#include "IKeyboardSimulater.h"
#include "Logger.h"
#include "MessageDispatcher.h"
#include "MouseTouchSimulater.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "fuzz check failed: %s\n", #condition);                           \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

constexpr Fingo::ScreenSize Screen{1920, 1080};

class RecordingTouchScreen : public Fingo::ContactTouchSimulater {
public:
    using ContactTouchSimulater::ContactTouchSimulater;

protected:
    bool touchAvailable() const override { return true; }
    Fingo::ScreenSize screenSize() override { return Screen; }
    bool injectContacts(const std::vector<Fingo::TouchContact>& contacts) override {
        for (const Fingo::TouchContact& contact : contacts) {
            FUZZ_CHECK(contact.x >= 0 && contact.x < Screen.width);
            FUZZ_CHECK(contact.y >= 0 && contact.y < Screen.height);
            FUZZ_CHECK(contact.pointerFlags == Fingo::TouchContact::Down ||
                       contact.pointerFlags == Fingo::TouchContact::Up ||
                       contact.pointerFlags == Fingo::TouchContact::Update);
        }
        return true;
    }
    unsigned long lastError() override { return 0; }
};

class RecordingMouse : public Fingo::MouseTouchSimulater {
public:
    using MouseTouchSimulater::MouseTouchSimulater;

protected:
    unsigned doubleClickTime() override { return 500; }
    bool sendMouseInput(const MouseInput& input) override {
        FUZZ_CHECK((input.flags & Absolute) != 0);
        return true;
    }
    unsigned long lastError() override { return 0; }
};

class RecordingKeyboard : public Fingo::IKeyboardSimulater {
public:
    void sendKey(std::uint16_t, bool) override {}
};

// Checks every batch the dispatcher hands on before the back end sees it.
class CheckedTouch : public Fingo::ITouchSimulater {
public:
    explicit CheckedTouch(Fingo::ITouchSimulater& backEnd)
        : m_backEnd(backEnd) {}
    bool inject(int count, const TouchPoint* points) override {
        FUZZ_CHECK(count >= 0);
        for (int i = 0; i < count; ++i) {
            FUZZ_CHECK(points[i].action == TouchPoint::Down || points[i].action == TouchPoint::Up ||
                       points[i].action == TouchPoint::Update);
        }
        return m_backEnd.inject(count, points);
    }

private:
    Fingo::ITouchSimulater& m_backEnd;
};

bool longClicksAllowed() {
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t piece = 1 + data[0] * 16u;
    const bool touchScreen = (data[1] & 1) != 0;
    data += 2;
    size -= 2;

    const Fingo::Logger log;
    RecordingTouchScreen screen(log);
    RecordingMouse mouse(log);
    CheckedTouch touch(touchScreen ? static_cast<Fingo::ITouchSimulater&>(screen)
                                   : static_cast<Fingo::ITouchSimulater&>(mouse));
    RecordingKeyboard keyboard;
    Fingo::MessageDispatcher dispatcher(log, &touch, &keyboard, &longClicksAllowed);
    Fingo::FrameReassembler frames;

    std::size_t at = 0;
    while (at < size) {
        if (frames.isFull()) {
            frames.clear(); // the connection ends; the next one starts empty
            continue;
        }
        const std::size_t count = std::min({piece, size - at, frames.freeSize()});
        std::memcpy(frames.freeSpace(), data + at, count);
        frames.commit(count);
        at += count;
        std::string text;
        while (frames.cutFrame(text)) {
            FUZZ_CHECK(text.size() < Fingo::FrameReassembler::kCapacity);
            dispatcher.dispatch(text);
        }
        FUZZ_CHECK(frames.size() <= Fingo::FrameReassembler::kCapacity);
    }
    return 0;
}
