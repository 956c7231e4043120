// The injection back ends without a display: the mouse emulation (snapping,
// long clicks), touch contacts (clamping, batches), the uinput event stream
// through a pipe, the key map and the desktop settings parser.
#include "ContactTouchSimulater.h"
#include "MouseTouchSimulater.h"
#include "platform/UinputTouchSimulater_linux.h"
#include "platform/VirtualKeyMap_x11.h"
#include "platform/XSettings_x11.h"
#include "support/CallbackRecorder.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

#include <cstring>
#include <tuple>
#include <vector>

using Fingo::Logger;
using Fingo::MouseTouchSimulater;
using Fingo::ScreenSize;
using Fingo::TouchContact;

namespace {

Logger recordingLog() {
    return Logger(CallbackRecorder::callbacks()->onLog);
}

TouchPoint point(double x, double y, std::int32_t action, std::int32_t eventTime = 0,
                 std::int32_t pointerId = 0, bool longClick = false) {
    return TouchPoint{x, y, pointerId, eventTime, action, longClick};
}

class FakeMouse : public MouseTouchSimulater {
public:
    FakeMouse()
        : MouseTouchSimulater(recordingLog()) {}

    std::vector<MouseInput> sent;
    unsigned clickTime = 500;
    bool refuseAll = false;
    bool refuseRightDown = false;

    bool press(const TouchPoint& p) { return inject(1, &p); }
    std::pair<int, int> lastPosition() const { return {sent.back().x, sent.back().y}; }

protected:
    unsigned doubleClickTime() override { return clickTime; }
    bool sendMouseInput(const MouseInput& input) override {
        if (refuseAll || (refuseRightDown && (input.flags & RightDown)))
            return false;
        sent.push_back(input);
        return true;
    }
    unsigned long lastError() override { return 5; }
};

class FakeTouch : public Fingo::ContactTouchSimulater {
public:
    FakeTouch()
        : ContactTouchSimulater(recordingLog()) {}

    std::vector<std::vector<TouchContact>> calls;
    bool available = true;
    bool refuse = false;

protected:
    bool touchAvailable() const override { return available; }
    ScreenSize screenSize() override { return {1920, 1080}; }
    bool injectContacts(const std::vector<TouchContact>& contacts) override {
        calls.push_back(contacts);
        return !refuse;
    }
    unsigned long lastError() override { return 7; }
};

class InjectionTest : public ::testing::Test {
protected:
    void SetUp() override { CallbackRecorder::instance().clear(); }
    std::vector<std::string> logLines() const { return CallbackRecorder::instance().lines(); }
};

using MouseBackend = InjectionTest;
using TouchBackend = InjectionTest;
using UinputStream = InjectionTest;

} // namespace

TEST_F(MouseBackend, PressesMovesAndReleasesTheLeftButton) {
    FakeMouse mouse;
    EXPECT_TRUE(mouse.press(point(100.9, 200.2, TouchPoint::Down)));
    EXPECT_TRUE(mouse.press(point(150, 250, TouchPoint::Update)));
    EXPECT_TRUE(mouse.press(point(160, 260, TouchPoint::Up)));
    ASSERT_EQ(mouse.sent.size(), 3u);
    EXPECT_EQ(mouse.sent[0].flags, 0x8003u);
    EXPECT_EQ(std::make_pair(mouse.sent[0].x, mouse.sent[0].y), std::make_pair(100, 200));
    EXPECT_EQ(mouse.sent[1].flags, 0x8001u);
    EXPECT_EQ(mouse.sent[2].flags, 0x8004u) << "a release does not move";
    EXPECT_EQ(logLines(), (std::vector<std::string>{"onLog 4 simulate mouse action: down.",
                                                    "onLog 4 simulate mouse action: move.",
                                                    "onLog 4 simulate mouse action: up."}));
}

TEST_F(MouseBackend, SnapsASecondPressOntoTheLastReleaseWithin29Pixels) {
    FakeMouse mouse;
    mouse.press(point(100, 100, TouchPoint::Up, 1000));
    mouse.press(point(129, 71, TouchPoint::Down, 1200));
    EXPECT_EQ(mouse.lastPosition(), std::make_pair(100, 100));
    mouse.press(point(130, 100, TouchPoint::Down, 1200));
    EXPECT_EQ(mouse.lastPosition(), std::make_pair(130, 100)) << "30 pixels is too far";
    mouse.press(point(100, 70, TouchPoint::Down, 1200));
    EXPECT_EQ(mouse.lastPosition(), std::make_pair(100, 70));
}

TEST_F(MouseBackend, SnapsOnlyWithinTheDoubleClickTimeAfterTheRelease) {
    FakeMouse mouse;
    mouse.press(point(10, 10, TouchPoint::Down, 0));
    mouse.press(point(20, 20, TouchPoint::Down, 1));
    EXPECT_EQ(mouse.lastPosition(), std::make_pair(20, 20)) << "no release yet: no snapping";

    mouse.press(point(100, 100, TouchPoint::Up, 1000));
    mouse.press(point(105, 105, TouchPoint::Down, 999));
    EXPECT_EQ(mouse.lastPosition(), std::make_pair(105, 105)) << "pressed before the release";
    mouse.press(point(105, 105, TouchPoint::Down, 1500));
    EXPECT_EQ(mouse.lastPosition(), std::make_pair(105, 105)) << "500 ms is not below 500 ms";
    mouse.press(point(105, 105, TouchPoint::Down, 1499));
    EXPECT_EQ(mouse.lastPosition(), std::make_pair(100, 100));
    mouse.clickTime = 200;
    mouse.press(point(105, 105, TouchPoint::Down, 1300));
    EXPECT_EQ(mouse.lastPosition(), std::make_pair(105, 105)) << "the desktop's time counts";
}

TEST_F(MouseBackend, ALongClickIsARightClickThatKeepsTheLastRelease) {
    FakeMouse mouse;
    mouse.press(point(100, 100, TouchPoint::Up, 1000));
    EXPECT_TRUE(mouse.press(point(300, 300, TouchPoint::Up, 0, 0, true)));
    ASSERT_EQ(mouse.sent.size(), 3u);
    EXPECT_EQ(mouse.sent[1].flags, 0x8008u);
    EXPECT_EQ(mouse.sent[2].flags, 0x8010u);
    mouse.press(point(110, 110, TouchPoint::Down, 1100));
    EXPECT_EQ(mouse.lastPosition(), std::make_pair(100, 100));

    CallbackRecorder::instance().clear();
    mouse.refuseRightDown = true;
    EXPECT_FALSE(mouse.press(point(300, 300, TouchPoint::Up, 0, 0, true)));
    EXPECT_EQ(mouse.sent.size(), 4u) << "no release after a refused press";
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"onLog 4 simulate mouse action: right button down.",
                                        "onLog 0 simulate mouse right button down fail:5"}));
}

TEST_F(MouseBackend, RefusesEmptyBatchesUnknownActionsAndReportsFailures) {
    FakeMouse mouse;
    EXPECT_FALSE(mouse.inject(0, nullptr));
    EXPECT_FALSE(mouse.press(point(1, 1, 7)));
    EXPECT_TRUE(mouse.sent.empty());
    mouse.refuseAll = true;
    EXPECT_FALSE(mouse.press(point(1, 1, TouchPoint::Update)));
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"onLog 1 Get a wrong action touch event: type=7",
                                        "onLog 4 simulate mouse action: move.",
                                        "onLog 0 simulate mouse fail:5"}));
}

TEST_F(MouseBackend, OnlyTheFirstPointOfABatchCounts) {
    FakeMouse mouse;
    const TouchPoint batch[] = {point(5, 6, TouchPoint::Update), point(50, 60, TouchPoint::Down)};
    EXPECT_TRUE(mouse.inject(2, batch));
    ASSERT_EQ(mouse.sent.size(), 1u);
    EXPECT_EQ(mouse.sent[0].flags, 0x8001u);
    EXPECT_EQ(mouse.lastPosition(), std::make_pair(5, 6));
}

TEST_F(TouchBackend, ClampsToTheScreenWithAContactRectangle) {
    FakeTouch touch;
    const TouchPoint p = point(-5, 20000, TouchPoint::Down, 0, 4);
    EXPECT_TRUE(touch.inject(1, &p));
    ASSERT_EQ(touch.calls.size(), 1u);
    const TouchContact& c = touch.calls[0][0];
    EXPECT_EQ(std::make_tuple(c.x, c.y), std::make_tuple(0, 1079));
    EXPECT_EQ(std::make_tuple(c.left, c.top, c.right, c.bottom),
              std::make_tuple(-2, 1077, 2, 1081));
    EXPECT_EQ(c.pointerFlags, 0x10006u);
    EXPECT_EQ(c.pointerId, 4);
    const TouchPoint inside = point(1918.7, 0.5, TouchPoint::Update);
    touch.inject(1, &inside);
    EXPECT_EQ(std::make_tuple(touch.calls[1][0].x, touch.calls[1][0].y), std::make_tuple(1918, 0));
}

TEST_F(TouchBackend, InjectsABatchInOneCallOrNotAtAll) {
    FakeTouch touch;
    const TouchPoint two[] = {point(10, 10, TouchPoint::Down, 0, 1),
                              point(20, 20, TouchPoint::Update, 0, 2),
                              point(30, 30, TouchPoint::Up, 0, 3)};
    EXPECT_TRUE(touch.inject(3, two));
    ASSERT_EQ(touch.calls.size(), 1u);
    ASSERT_EQ(touch.calls[0].size(), 3u);
    EXPECT_EQ(touch.calls[0][1].pointerId, 2);
    EXPECT_EQ(touch.calls[0][1].pointerFlags, 0x20006u);
    EXPECT_EQ(touch.calls[0][2].pointerFlags, 0x40000u);

    CallbackRecorder::instance().clear();
    const TouchPoint bad[] = {point(10, 10, TouchPoint::Down), point(20, 20, 9)};
    EXPECT_FALSE(touch.inject(2, bad));
    EXPECT_EQ(touch.calls.size(), 1u);
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"onLog 4 inject action: down.",
                                        "onLog 4 Get a wrong action touch event: type=9"}));
}

TEST_F(TouchBackend, ReportsRefusalAndStaysQuietWithoutTouchInjection) {
    FakeTouch touch;
    touch.refuse = true;
    const TouchPoint p = point(1, 1, TouchPoint::Up);
    EXPECT_FALSE(touch.inject(1, &p));
    EXPECT_EQ(logLines().back(), "onLog 0 inject fail:7.");

    CallbackRecorder::instance().clear();
    touch.available = false;
    EXPECT_FALSE(touch.inject(1, &p));
    EXPECT_TRUE(logLines().empty());
    EXPECT_EQ(touch.calls.size(), 1u);
}

namespace {

using Event = std::tuple<int, int, int>; // type, code, value

// A touch screen writing into a pipe; reads back what it wrote.
class PipedTouchScreen {
public:
    PipedTouchScreen() {
        int ends[2];
        EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
        m_readEnd = ends[0];
        fcntl(m_readEnd, F_SETFL, O_NONBLOCK);
        screen = std::make_unique<Fingo::UinputTouchSimulater>(recordingLog(), ends[1],
                                                               ScreenSize{1920, 1080});
    }
    ~PipedTouchScreen() { close(m_readEnd); }

    bool inject(std::initializer_list<TouchPoint> points) {
        const std::vector<TouchPoint> batch(points);
        return screen->inject(static_cast<int>(batch.size()), batch.data());
    }

    std::vector<Event> written() {
        std::vector<Event> events;
        input_event event;
        while (read(m_readEnd, &event, sizeof event) == static_cast<ssize_t>(sizeof event))
            events.emplace_back(event.type, event.code, event.value);
        return events;
    }

    std::unique_ptr<Fingo::UinputTouchSimulater> screen;

private:
    int m_readEnd = -1;
};

} // namespace

TEST_F(UinputStream, WritesSlotsTrackingIdsAndPositions) {
    PipedTouchScreen touch;
    ASSERT_TRUE(touch.inject({point(10, 20, TouchPoint::Down, 0, 3)}));
    EXPECT_EQ(touch.written(), (std::vector<Event>{{EV_ABS, ABS_MT_SLOT, 0},
                                                   {EV_ABS, ABS_MT_TRACKING_ID, 0},
                                                   {EV_ABS, ABS_MT_POSITION_X, 10},
                                                   {EV_ABS, ABS_MT_POSITION_Y, 20},
                                                   {EV_KEY, BTN_TOUCH, 1},
                                                   {EV_ABS, ABS_X, 10},
                                                   {EV_ABS, ABS_Y, 20},
                                                   {EV_SYN, SYN_REPORT, 0}}));

    ASSERT_TRUE(touch.inject(
        {point(-5, 20000, TouchPoint::Down, 0, 8), point(11, 21, TouchPoint::Update, 0, 3)}));
    EXPECT_EQ(touch.written(), (std::vector<Event>{{EV_ABS, ABS_MT_SLOT, 1},
                                                   {EV_ABS, ABS_MT_TRACKING_ID, 1},
                                                   {EV_ABS, ABS_MT_POSITION_X, 0},
                                                   {EV_ABS, ABS_MT_POSITION_Y, 1079},
                                                   {EV_ABS, ABS_MT_SLOT, 0},
                                                   {EV_ABS, ABS_MT_POSITION_X, 11},
                                                   {EV_ABS, ABS_MT_POSITION_Y, 21},
                                                   {EV_ABS, ABS_X, 0},
                                                   {EV_ABS, ABS_Y, 1079},
                                                   {EV_SYN, SYN_REPORT, 0}}));

    ASSERT_TRUE(touch.inject({point(11, 21, TouchPoint::Up, 0, 3)}));
    EXPECT_EQ(touch.written(), (std::vector<Event>{{EV_ABS, ABS_MT_SLOT, 0},
                                                   {EV_ABS, ABS_MT_TRACKING_ID, -1},
                                                   {EV_SYN, SYN_REPORT, 0}}));
    ASSERT_TRUE(touch.inject({point(0, 0, TouchPoint::Up, 0, 8)}));
    EXPECT_EQ(touch.written(), (std::vector<Event>{{EV_ABS, ABS_MT_SLOT, 1},
                                                   {EV_ABS, ABS_MT_TRACKING_ID, -1},
                                                   {EV_KEY, BTN_TOUCH, 0},
                                                   {EV_SYN, SYN_REPORT, 0}}));
    // A new contact reuses the first free slot with a fresh tracking id.
    ASSERT_TRUE(touch.inject({point(5, 5, TouchPoint::Down, 0, 3)}));
    const std::vector<Event> again = touch.written();
    ASSERT_GE(again.size(), 2u);
    EXPECT_EQ(again[0], Event(EV_ABS, ABS_MT_SLOT, 0));
    EXPECT_EQ(again[1], Event(EV_ABS, ABS_MT_TRACKING_ID, 2));
}

TEST_F(UinputStream, RefusesBatchesThatDoNotFitTheContactsInProgress) {
    PipedTouchScreen touch;
    EXPECT_FALSE(touch.inject({point(1, 1, TouchPoint::Update, 0, 1)}));
    EXPECT_FALSE(touch.inject({point(1, 1, TouchPoint::Up, 0, 1)}));
    ASSERT_TRUE(touch.inject({point(1, 1, TouchPoint::Down, 0, 1)}));
    touch.written();
    // A second down of the same finger, even after a valid point, refuses the batch.
    EXPECT_FALSE(
        touch.inject({point(2, 2, TouchPoint::Update, 0, 1), point(1, 1, TouchPoint::Down, 0, 1)}));
    EXPECT_TRUE(touch.written().empty());
    EXPECT_EQ(CallbackRecorder::instance().count("onLog 0 inject fail:22."), 3);

    for (int finger = 2; finger <= Fingo::UinputTouchSimulater::kMaxContacts; ++finger)
        ASSERT_TRUE(touch.inject({point(1, 1, TouchPoint::Down, 0, finger)}));
    touch.written();
    EXPECT_FALSE(touch.inject({point(1, 1, TouchPoint::Down, 0, 99)})) << "an eleventh finger";
    EXPECT_TRUE(touch.written().empty());
}

TEST_F(UinputStream, WithoutADeviceNothingIsInjected) {
    Fingo::UinputTouchSimulater none(recordingLog(), -1, ScreenSize{});
    const TouchPoint p = point(1, 1, TouchPoint::Down);
    EXPECT_FALSE(none.inject(1, &p));
    EXPECT_TRUE(logLines().empty());
}

TEST(VirtualKeyMap, TranslatesTheCommonKeys) {
    using Fingo::VirtualKeyMap;
    EXPECT_EQ(VirtualKeyMap::keysymFor('A'), static_cast<unsigned long>(XK_a));
    EXPECT_EQ(VirtualKeyMap::keysymFor('Z'), static_cast<unsigned long>(XK_z));
    EXPECT_EQ(VirtualKeyMap::keysymFor('0'), static_cast<unsigned long>(XK_0));
    EXPECT_EQ(VirtualKeyMap::keysymFor('9'), static_cast<unsigned long>(XK_9));
    EXPECT_EQ(VirtualKeyMap::keysymFor(0x70), static_cast<unsigned long>(XK_F1));
    EXPECT_EQ(VirtualKeyMap::keysymFor(0x87), static_cast<unsigned long>(XK_F24));
    EXPECT_EQ(VirtualKeyMap::keysymFor(0x65), static_cast<unsigned long>(XK_KP_5));
    EXPECT_EQ(VirtualKeyMap::keysymFor(0x0D), static_cast<unsigned long>(XK_Return));
    EXPECT_EQ(VirtualKeyMap::keysymFor(0x25), static_cast<unsigned long>(XK_Left));
    EXPECT_EQ(VirtualKeyMap::keysymFor(0xA3), static_cast<unsigned long>(XK_Control_R));
    EXPECT_EQ(VirtualKeyMap::keysymFor(0xBC), static_cast<unsigned long>(XK_comma));
    EXPECT_EQ(VirtualKeyMap::keysymFor(0xDE), static_cast<unsigned long>(XK_apostrophe));
    for (int unknown : {0x00, 0x07, 0x3A, 0x40, 0x5F, 0x88, 0xFF, 0xFFFF})
        EXPECT_EQ(VirtualKeyMap::keysymFor(static_cast<std::uint16_t>(unknown)), 0ul) << unknown;
}

namespace {

// An XSETTINGS property: a string, a colour and an integer setting.
std::vector<unsigned char> settingsProperty(bool bigEndian, int doubleClickTime) {
    std::vector<unsigned char> data;
    auto put = [&](std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i) {
            const int shift = bigEndian ? 8 * (width - 1 - i) : 8 * i;
            data.push_back(static_cast<unsigned char>(value >> shift));
        }
    };
    auto putName = [&](const std::string& name) {
        put(static_cast<std::uint32_t>(name.size()), 2);
        data.insert(data.end(), name.begin(), name.end());
        while (data.size() % 4 != 0)
            data.push_back(0);
        put(0, 4); // serial
    };
    data = {static_cast<unsigned char>(bigEndian ? 1 : 0), 0, 0, 0};
    put(7, 4);         // serial
    put(3, 4);         // settings
    data.push_back(1); // string
    data.push_back(0);
    putName("Net/ThemeName");
    put(7, 4);
    for (char c : std::string("Adwaita\0", 8))
        data.push_back(static_cast<unsigned char>(c));
    data.push_back(2); // colour
    data.push_back(0);
    putName("Gtk/Colour");
    put(0x1234, 2), put(0, 2), put(0, 2), put(0xFFFF, 2);
    data.push_back(0); // integer
    data.push_back(0);
    putName("Net/DoubleClickTime");
    put(static_cast<std::uint32_t>(doubleClickTime), 4);
    return data;
}

} // namespace

TEST(XSettings, FindsAnIntegerAfterOtherSettingsInBothByteOrders) {
    for (bool bigEndian : {false, true}) {
        const auto data = settingsProperty(bigEndian, 400);
        EXPECT_EQ(Fingo::XSettings::integerSetting(data.data(), data.size(), "Net/DoubleClickTime"),
                  std::optional<int>(400));
        EXPECT_EQ(Fingo::XSettings::integerSetting(data.data(), data.size(), "Net/Missing"),
                  std::nullopt);
    }
}

TEST(XSettings, ACutPropertyGivesNothing) {
    const auto data = settingsProperty(false, 400);
    for (std::size_t size = 0; size < data.size(); ++size)
        EXPECT_EQ(Fingo::XSettings::integerSetting(data.data(), size, "Net/DoubleClickTime"),
                  std::nullopt)
            << size;
}
