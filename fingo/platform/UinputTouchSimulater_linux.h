#pragma once

#include "ContactTouchSimulater.h"

#include <array>
#include <cstdint>
#include <memory>

namespace Fingo {

// The touch back end on Linux: a multi-touch screen made with uinput,
// speaking the slot protocol (one slot per finger, a tracking id per
// contact). Its axes span the screen, so a position is a pixel.
class UinputTouchSimulater : public ContactTouchSimulater {
public:
    static constexpr int kMaxContacts = 10;

    // Writes the device's event stream to fd (owned; -1: no device, every
    // injection fails). With deviceCreated the uinput device made on fd is
    // removed at the end.
    UinputTouchSimulater(const Logger& log, int fd, ScreenSize screen, bool deviceCreated = false);
    ~UinputTouchSimulater() override;

    // Makes the touch screen on an open /dev/uinput (fd owned), the size of
    // the X screen. Logs why when that fails; the result then injects nothing.
    static std::unique_ptr<UinputTouchSimulater> createDevice(const Logger& log, int uinputFd);

protected:
    bool touchAvailable() const override { return m_fd >= 0; }
    ScreenSize screenSize() override { return m_screen; }
    bool injectContacts(const std::vector<TouchContact>& contacts) override;
    unsigned long lastError() override { return m_lastError; }

private:
    struct Slot {
        bool active = false;
        std::int32_t pointerId = 0;
    };
    using Slots = std::array<Slot, kMaxContacts>;

    static bool setUpDevice(int fd, ScreenSize screen);
    static int slotOf(const Slots& slots, std::int32_t pointerId);
    static int freeSlot(const Slots& slots);
    static bool anyActive(const Slots& slots);
    bool writeAll(const void* data, std::size_t size);

    int m_fd;
    ScreenSize m_screen;
    bool m_deviceCreated;
    Slots m_slots{};
    int m_nextTrackingId = 0;
    unsigned long m_lastError = 0;
};

} // namespace Fingo
