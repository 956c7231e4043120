// The X11 back ends against a real X server (a private Xvfb): the pointer
// and buttons after injected touches, keys reaching a window, the desktop's
// double-click time, and the choice of back end.

// Before any X11 header: their macros (None, Bool) break it.
#include <gtest/gtest.h>

#include "InputBackends.h"
#include "platform/UinputTouchSimulater_linux.h"
#include "platform/XSettings_x11.h"
#include "platform/XTestKeyboard_x11.h"
#include "platform/XTestTouchSimulater_x11.h"
#include "support/CallbackRecorder.h"
#include "support/TestWindow.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using Fingo::Logger;

namespace {

Logger recordingLog() {
    return Logger(CallbackRecorder::callbacks()->onLog);
}

TouchPoint point(double x, double y, std::int32_t action, std::int32_t eventTime = 0,
                 bool longClick = false) {
    return TouchPoint{x, y, 0, eventTime, action, longClick};
}

class X11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under tests/fingo/with-xvfb.sh";
        ASSERT_TRUE(window.isOpen()) << "cannot open a window on " << std::getenv("DISPLAY");
        CallbackRecorder::instance().clear();
    }

    bool inject(Fingo::ITouchSimulater& simulater, const TouchPoint& p) {
        return simulater.inject(1, &p);
    }
    void expectButton(int type, unsigned button, int x, int y) {
        XEvent event;
        ASSERT_TRUE(window.nextEvent(type, event)) << "no button event " << type;
        EXPECT_EQ(event.xbutton.button, button);
        EXPECT_EQ(event.xbutton.x_root, x);
        EXPECT_EQ(event.xbutton.y_root, y);
    }

    TestWindow window;
};

} // namespace

TEST_F(X11Test, TouchesMoveThePointerAndHoldTheLeftButton) {
    Fingo::XTestTouchSimulater mouse(recordingLog());
    ASSERT_TRUE(inject(mouse, point(100, 200, TouchPoint::Down)));
    TestWindow::Pointer now = window.pointer();
    EXPECT_EQ(std::make_pair(now.x, now.y), std::make_pair(100, 200));
    EXPECT_TRUE(now.mask & Button1Mask);
    expectButton(ButtonPress, Button1, 100, 200);

    ASSERT_TRUE(inject(mouse, point(300.7, 400.2, TouchPoint::Update)));
    now = window.pointer();
    EXPECT_EQ(std::make_pair(now.x, now.y), std::make_pair(300, 400));
    EXPECT_TRUE(now.mask & Button1Mask) << "a move keeps the button down";

    ASSERT_TRUE(inject(mouse, point(500, 500, TouchPoint::Up)));
    now = window.pointer();
    EXPECT_EQ(std::make_pair(now.x, now.y), std::make_pair(300, 400)) << "a release does not move";
    EXPECT_FALSE(now.mask & Button1Mask);
    expectButton(ButtonRelease, Button1, 300, 400);
}

TEST_F(X11Test, ASecondTapLandsOnTheFirstOne) {
    Fingo::XTestTouchSimulater mouse(recordingLog());
    inject(mouse, point(100, 100, TouchPoint::Down, 1000));
    inject(mouse, point(100, 100, TouchPoint::Up, 1050));
    inject(mouse, point(129, 71, TouchPoint::Down, 1200));
    TestWindow::Pointer now = window.pointer();
    EXPECT_EQ(std::make_pair(now.x, now.y), std::make_pair(100, 100));
    // The release is remembered where the device put it, not where it landed.
    inject(mouse, point(129, 71, TouchPoint::Up, 1250));
    inject(mouse, point(159, 71, TouchPoint::Down, 1300));
    now = window.pointer();
    EXPECT_EQ(std::make_pair(now.x, now.y), std::make_pair(159, 71)) << "30 pixels away";
    inject(mouse, point(159, 71, TouchPoint::Up, 1350));
}

TEST_F(X11Test, ALongClickClicksTheRightButton) {
    Fingo::XTestTouchSimulater mouse(recordingLog());
    ASSERT_TRUE(inject(mouse, point(640, 360, TouchPoint::Update)));
    window.drainEvents();
    ASSERT_TRUE(inject(mouse, point(640, 360, TouchPoint::Up, 0, true)));
    expectButton(ButtonPress, Button3, 640, 360);
    expectButton(ButtonRelease, Button3, 640, 360);
    EXPECT_FALSE(window.pointer().mask & (Button1Mask | Button3Mask));
}

TEST_F(X11Test, KeysReachTheFocusedWindow) {
    Fingo::XTestKeyboard keyboard(recordingLog());
    window.drainEvents();
    keyboard.sendKey('A', false);
    keyboard.sendKey('A', true);
    keyboard.sendKey(0x0D, false);
    keyboard.sendKey(0x0D, true);
    XEvent event;
    ASSERT_TRUE(window.nextEvent(KeyPress, event));
    EXPECT_EQ(XLookupKeysym(&event.xkey, 0), static_cast<KeySym>(XK_a));
    ASSERT_TRUE(window.nextEvent(KeyRelease, event));
    EXPECT_EQ(XLookupKeysym(&event.xkey, 0), static_cast<KeySym>(XK_a));
    ASSERT_TRUE(window.nextEvent(KeyPress, event));
    EXPECT_EQ(XLookupKeysym(&event.xkey, 0), static_cast<KeySym>(XK_Return));
    ASSERT_TRUE(window.nextEvent(KeyRelease, event));

    keyboard.sendKey(0x07, false);
    EXPECT_EQ(CallbackRecorder::instance().lines(),
              (std::vector<std::string>{"onLog 0 Unknown virtual key code: 7."}));
    EXPECT_FALSE(window.nextEvent(KeyPress, event, std::chrono::milliseconds(100)));
}

TEST_F(X11Test, DoubleClickTimeIsTheDesktopsOr500) {
    EXPECT_EQ(Fingo::XSettings().doubleClickTime(), 500u) << "no settings manager on this display";

    // Play a settings manager that publishes 321 ms.
    Display* display = window.display();
    const Window manager =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const unsigned char property[] = {
        0,    0,    0,   0,   1,   0,   0,   0,   1,   0,   0,   0, // LSB, serial 1, 1 setting
        0,    0,    19,  0,   'N', 'e', 't', '/', 'D', 'o', 'u', 'b',
        'l',  'e',                                        // integer, name length 19
        'C',  'l',  'i', 'c', 'k', 'T', 'i', 'm', 'e', 0, // name padded to 20
        0,    0,    0,   0,                               // serial
        0x41, 0x01, 0,   0};                              // 321
    const Atom settings = XInternAtom(display, "_XSETTINGS_SETTINGS", False);
    XChangeProperty(display, manager, settings, settings, 8, PropModeReplace, property,
                    sizeof property);
    XSetSelectionOwner(display, XInternAtom(display, "_XSETTINGS_S0", False), manager, CurrentTime);
    XSync(display, False);
    EXPECT_EQ(Fingo::XSettings().doubleClickTime(), 321u);
    XDestroyWindow(display, manager);
    XSync(display, False);
    EXPECT_EQ(Fingo::XSettings().doubleClickTime(), 500u) << "the manager is gone";
}

TEST_F(X11Test, ChoosesTheMouseUnlessTouchIsPossibleOrAskedFor) {
    const bool haveUinput = access("/dev/uinput", W_OK) == 0;
    unsetenv("FINGO_BACKEND");
    Fingo::InputBackends::createForPlatform(recordingLog());
    setenv("FINGO_BACKEND", "mouse", 1);
    Fingo::InputBackends backends = Fingo::InputBackends::createForPlatform(recordingLog());
    EXPECT_TRUE(backends.longClickAllowed());
    auto lines = CallbackRecorder::instance().lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], haveUinput ? "onLog 4 Simulater type: UinputTouchSimulater."
                                   : "onLog 4 Simulater type: XTestTouchSimulater.");
    EXPECT_EQ(lines[1], "onLog 4 Simulater type: XTestTouchSimulater.");

    if (haveUinput)
        GTEST_SKIP() << "/dev/uinput exists: the missing-device case cannot be shown here";
    CallbackRecorder::instance().clear();
    setenv("FINGO_BACKEND", "touch", 1);
    backends = Fingo::InputBackends::createForPlatform(recordingLog());
    unsetenv("FINGO_BACKEND");
    EXPECT_FALSE(backends.longClickAllowed());
    EXPECT_EQ(CallbackRecorder::instance().lines(),
              (std::vector<std::string>{"onLog 4 Simulater type: UinputTouchSimulater.",
                                        "onLog 0 Open /dev/uinput fail:2."}));
    const TouchPoint p = point(1, 1, TouchPoint::Down);
    EXPECT_FALSE(backends.touch->inject(1, &p));
}

TEST_F(X11Test, TheRealUinputDeviceAppears) {
    const int uinput = open("/dev/uinput", O_WRONLY | O_CLOEXEC);
    if (uinput < 0)
        GTEST_SKIP() << "SKIPPED: no writable /dev/uinput on this machine (kernel without "
                        "uinput): the real touch device is not tested here";
    auto screen = Fingo::UinputTouchSimulater::createDevice(recordingLog(), uinput);
    const TouchPoint down = point(10, 10, TouchPoint::Down);
    const TouchPoint up = point(10, 10, TouchPoint::Up);
    EXPECT_TRUE(screen->inject(1, &down));
    EXPECT_TRUE(screen->inject(1, &up));
    std::ifstream devices("/proc/bus/input/devices");
    std::stringstream text;
    text << devices.rdbuf();
    EXPECT_NE(text.str().find("Fingo touch screen"), std::string::npos);
}
