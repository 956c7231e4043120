#include "platform/UinputTouchSimulater_linux.h"

#include "platform/XDisplay_x11.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace Fingo {

namespace {

constexpr int kMaxTrackingId = 0xFFFF;

class EventList {
public:
    void add(std::uint16_t type, std::uint16_t code, std::int32_t value) {
        input_event event{};
        event.type = type;
        event.code = code;
        event.value = value;
        m_events.push_back(event);
    }
    const std::vector<input_event>& events() const { return m_events; }

private:
    std::vector<input_event> m_events;
};

bool setAxis(int fd, std::uint16_t code, int maximum) {
    uinput_abs_setup axis{};
    axis.code = code;
    axis.absinfo.minimum = 0;
    axis.absinfo.maximum = maximum;
    return ioctl(fd, UI_SET_ABSBIT, code) == 0 && ioctl(fd, UI_ABS_SETUP, &axis) == 0;
}

} // namespace

UinputTouchSimulater::UinputTouchSimulater(const Logger& log, int fd, ScreenSize screen,
                                           bool deviceCreated)
    : ContactTouchSimulater(log)
    , m_fd(fd)
    , m_screen(screen)
    , m_deviceCreated(deviceCreated) {}

UinputTouchSimulater::~UinputTouchSimulater() {
    if (m_fd < 0)
        return;
    if (m_deviceCreated)
        ioctl(m_fd, UI_DEV_DESTROY);
    ::close(m_fd);
}

std::unique_ptr<UinputTouchSimulater> UinputTouchSimulater::createDevice(const Logger& log,
                                                                         int uinputFd) {
    const std::unique_ptr<XDisplay> display = XDisplay::open(log);
    if (!display) {
        ::close(uinputFd);
        return std::make_unique<UinputTouchSimulater>(log, -1, ScreenSize{});
    }
    const ScreenSize screen = display->screenSize();
    if (!setUpDevice(uinputFd, screen)) {
        log.log(Logger::Error, "Create uinput touch device fail:%d.", errno);
        ::close(uinputFd);
        return std::make_unique<UinputTouchSimulater>(log, -1, ScreenSize{});
    }
    return std::make_unique<UinputTouchSimulater>(log, uinputFd, screen, true);
}

bool UinputTouchSimulater::setUpDevice(int fd, ScreenSize screen) {
    if (ioctl(fd, UI_SET_EVBIT, EV_SYN) != 0 || ioctl(fd, UI_SET_EVBIT, EV_KEY) != 0 ||
        ioctl(fd, UI_SET_EVBIT, EV_ABS) != 0 || ioctl(fd, UI_SET_KEYBIT, BTN_TOUCH) != 0 ||
        ioctl(fd, UI_SET_PROPBIT, INPUT_PROP_DIRECT) != 0)
        return false;
    if (!setAxis(fd, ABS_X, screen.width - 1) || !setAxis(fd, ABS_Y, screen.height - 1) ||
        !setAxis(fd, ABS_MT_SLOT, kMaxContacts - 1) ||
        !setAxis(fd, ABS_MT_TRACKING_ID, kMaxTrackingId) ||
        !setAxis(fd, ABS_MT_POSITION_X, screen.width - 1) ||
        !setAxis(fd, ABS_MT_POSITION_Y, screen.height - 1))
        return false;
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    std::strncpy(setup.name, "Fingo touch screen", UINPUT_MAX_NAME_SIZE - 1);
    return ioctl(fd, UI_DEV_SETUP, &setup) == 0 && ioctl(fd, UI_DEV_CREATE) == 0;
}

bool UinputTouchSimulater::injectContacts(const std::vector<TouchContact>& contacts) {
    if (contacts.empty())
        return true;
    Slots slots = m_slots;
    const bool touchingBefore = anyActive(slots);
    int trackingId = m_nextTrackingId;
    EventList events;
    const TouchContact* singleTouch = nullptr;

    // Like the platform touch injection, a batch that does not fit the
    // contacts in progress (a second down, a move or release of an unknown
    // finger, more than ten fingers) is refused as a whole.
    for (const TouchContact& contact : contacts) {
        int slot = slotOf(slots, contact.pointerId);
        const bool down = contact.pointerFlags == TouchContact::Down;
        if (down ? slot >= 0 : slot < 0) {
            m_lastError = EINVAL;
            return false;
        }
        if (down) {
            slot = freeSlot(slots);
            if (slot < 0) {
                m_lastError = EINVAL;
                return false;
            }
        }
        events.add(EV_ABS, ABS_MT_SLOT, slot);
        if (contact.pointerFlags == TouchContact::Up) {
            events.add(EV_ABS, ABS_MT_TRACKING_ID, -1);
            slots[slot].active = false;
            continue;
        }
        if (down) {
            events.add(EV_ABS, ABS_MT_TRACKING_ID, trackingId);
            trackingId = trackingId == kMaxTrackingId ? 0 : trackingId + 1;
            slots[slot].active = true;
            slots[slot].pointerId = contact.pointerId;
        }
        events.add(EV_ABS, ABS_MT_POSITION_X, contact.x);
        events.add(EV_ABS, ABS_MT_POSITION_Y, contact.y);
        if (singleTouch == nullptr)
            singleTouch = &contact;
    }
    const bool touchingAfter = anyActive(slots);
    if (touchingAfter != touchingBefore)
        events.add(EV_KEY, BTN_TOUCH, touchingAfter ? 1 : 0);
    // Single-touch axes for readers that know no slots.
    if (singleTouch != nullptr) {
        events.add(EV_ABS, ABS_X, singleTouch->x);
        events.add(EV_ABS, ABS_Y, singleTouch->y);
    }
    events.add(EV_SYN, SYN_REPORT, 0);

    if (!writeAll(events.events().data(), events.events().size() * sizeof(input_event))) {
        m_lastError = static_cast<unsigned long>(errno);
        return false;
    }
    m_slots = slots;
    m_nextTrackingId = trackingId;
    return true;
}

int UinputTouchSimulater::slotOf(const Slots& slots, std::int32_t pointerId) {
    for (int i = 0; i < kMaxContacts; ++i) {
        if (slots[i].active && slots[i].pointerId == pointerId)
            return i;
    }
    return -1;
}

int UinputTouchSimulater::freeSlot(const Slots& slots) {
    for (int i = 0; i < kMaxContacts; ++i) {
        if (!slots[i].active)
            return i;
    }
    return -1;
}

bool UinputTouchSimulater::anyActive(const Slots& slots) {
    for (const Slot& slot : slots) {
        if (slot.active)
            return true;
    }
    return false;
}

bool UinputTouchSimulater::writeAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(m_fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace Fingo
