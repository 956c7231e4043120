// fingo-host end to end on a private Xvfb: a device's tap at (100, 200)
// moves the pointer there and clicks; the host's commands reach the device.

// Before any X11 header: their macros (None, Bool) break it.
#include <gtest/gtest.h>

#include "TCPFrame.h"
#include "support/HostProcess.h"
#include "support/LoopbackClient.h"
#include "support/TestWindow.h"

namespace {

std::string tap(const char* action) {
    return std::string(
               R"({"type":"motion_event","motion_event":[{"pointerId":0,"x":100,"y":200,)") +
           R"("eventTime":5000,"action":")" + action + "\"}]}";
}

std::string payloadOf(const std::string& frame) {
    if (frame.size() < 2)
        return {};
    return Fingo::TCPFrame::decode(frame.data() + 1, frame.size() - 2);
}

} // namespace

TEST(FingoHost, ServesADeviceOnLoopback) {
    TestWindow window;
    ASSERT_TRUE(window.isOpen()) << "run under tests/fingo/with-xvfb.sh";
    HostProcess host;
    ASSERT_TRUE(host.start(FINGO_HOST_PATH, {"--library", FINGO_LIBRARY_PATH, "127.0.0.1", "0"}));
    const std::string state = host.waitForLine("onState ");
    ASSERT_EQ(state.rfind("onState 1 ", 0), 0u) << state;
    const int port = std::stoi(state.substr(10));
    EXPECT_GT(port, 0);

    LoopbackClient device;
    ASSERT_TRUE(device.connectTo(port));
    EXPECT_FALSE(host.waitForLine("onClientConnected 127.0.0.1 ").empty());
    ASSERT_TRUE(device.sendMessage(tap("action_down")));
    ASSERT_TRUE(device.sendMessage(tap("action_update")));
    ASSERT_TRUE(device.sendMessage(tap("action_up")));
    XEvent event;
    ASSERT_TRUE(window.nextEvent(ButtonPress, event));
    EXPECT_EQ(event.xbutton.button, static_cast<unsigned>(Button1));
    EXPECT_EQ(std::make_pair(event.xbutton.x_root, event.xbutton.y_root), std::make_pair(100, 200));
    ASSERT_TRUE(window.nextEvent(ButtonRelease, event));
    EXPECT_EQ(std::make_pair(event.xbutton.x_root, event.xbutton.y_root), std::make_pair(100, 200));
    const TestWindow::Pointer pointer = window.pointer();
    EXPECT_EQ(std::make_pair(pointer.x, pointer.y), std::make_pair(100, 200));
    EXPECT_FALSE(pointer.mask & Button1Mask);
    EXPECT_FALSE(host.waitForLine("onLog 4 simulate mouse action: up.").empty());

    ASSERT_FALSE(host.waitForLine("onLog 2 msg thread started.").empty());
    ASSERT_TRUE(host.writeLine("pos 10 20"));
    EXPECT_EQ(host.waitForLine("sendCursorPosition "), "sendCursorPosition true");
    const std::string position = payloadOf(device.readFrame());
    EXPECT_NE(position.find("\"type\" : \"cursor_pos\""), std::string::npos) << position;
    EXPECT_NE(position.find("\"pos_x\" : 10,"), std::string::npos) << position;
    EXPECT_NE(position.find("\"pos_y\" : 20,"), std::string::npos) << position;

    ASSERT_TRUE(host.writeLine("shape IDC ARROW 32 48"));
    EXPECT_EQ(host.waitForLine("sendCursorShape "), "sendCursorShape true");
    const std::string shape = payloadOf(device.readFrame());
    EXPECT_NE(shape.find("\"cursor_shape\" : \"IDC ARROW\""), std::string::npos) << shape;
    EXPECT_NE(shape.find("\"height\" : 48,"), std::string::npos) << shape;

    ASSERT_TRUE(host.writeLine("bogus"));
    EXPECT_EQ(host.waitForLine("error: "), "error: cannot understand \"bogus\"");
    ASSERT_TRUE(host.writeLine("close"));
    EXPECT_EQ(host.waitForLine("onClosed "), "onClosed Close by caller");
    EXPECT_TRUE(device.waitForClose());
    ASSERT_TRUE(host.writeLine("pos 1 1"));
    EXPECT_EQ(host.waitForLine("sendCursorPosition "), "sendCursorPosition false");
    ASSERT_TRUE(host.writeLine("start 127.0.0.1 0"));
    EXPECT_EQ(host.waitForLine("onState ").rfind("onState 1 ", 0), 0u);
    EXPECT_EQ(host.finish(), 0) << "the end of input closes the server and the host";
    EXPECT_EQ(host.lines().back(), "onClosed Close by caller");
}
