// The device's messages as the dispatcher hands them to injection, the
// messages sent back, and the PC identity they carry.
#include "MessageDispatcher.h"
#include "OutgoingMessage.h"
#include "PcIdentity.h"
#include "support/CallbackRecorder.h"
#include "support/RecordingBackends.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <fstream>

using Fingo::MessageDispatcher;

namespace {

bool allowLongClicks() {
    return true;
}

bool refuseLongClicks() {
    return false;
}

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { CallbackRecorder::instance().clear(); }

    void send(const std::string& text, bool longClicks = true) {
        RecordingTouchSimulater touch(record);
        RecordingKeyboard keyboard(record);
        MessageDispatcher dispatcher(Fingo::Logger(CallbackRecorder::callbacks()->onLog), &touch,
                                     &keyboard, longClicks ? &allowLongClicks : &refuseLongClicks);
        dispatcher.dispatch(text);
    }
    std::vector<std::string> logLines() const { return CallbackRecorder::instance().lines(); }

    std::shared_ptr<InjectionRecord> record = std::make_shared<InjectionRecord>();
};

} // namespace

TEST_F(Dispatch, HandsAMotionBatchToInjectionInArrayOrder) {
    send(R"({"type":"motion_event","motion_event":[
        {"pointerId":1,"x":10.5,"y":20.25,"eventTime":1234,"action":"action_down"},
        {"pointerId":2,"x":30,"y":40,"eventTime":-5,"action":"action_update"},
        {"pointerId":3,"action":"action_up"}]})");
    const auto batches = record->batches();
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].size(), 3u);
    const TouchPoint& first = batches[0][0];
    EXPECT_EQ(first.x, 10.5);
    EXPECT_EQ(first.y, 20.25);
    EXPECT_EQ(first.pointerId, 1);
    EXPECT_EQ(first.eventTime, 1234);
    EXPECT_EQ(first.action, TouchPoint::Down);
    EXPECT_FALSE(first.longClick);
    EXPECT_EQ(batches[0][1].action, TouchPoint::Update);
    EXPECT_EQ(batches[0][1].eventTime, -5);
    EXPECT_EQ(batches[0][2].action, TouchPoint::Up);
    EXPECT_EQ(batches[0][2].x, 0) << "missing numbers read as 0";
    EXPECT_TRUE(logLines().empty());
}

TEST_F(Dispatch, OneBadActionDropsTheWholeBatch) {
    send(R"({"type":"motion_event","motion_event":[
        {"pointerId":1,"x":1,"y":1,"action":"action_down"},
        {"pointerId":2,"x":1,"y":1,"action":"Action_Up"}]})");
    EXPECT_TRUE(record->batches().empty());
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "onLog 0 Get a wrong action touch event: type=Action_Up."}));
}

TEST_F(Dispatch, AnEmptyOrMissingPointerListIsAnEmptyBatch) {
    send(R"({"type":"motion_event","motion_event":[]})");
    send(R"({"type":"motion_event"})");
    send(R"({"type":"motion_event","motion_event":{}})");
    const auto batches = record->batches();
    ASSERT_EQ(batches.size(), 3u);
    for (const auto& batch : batches)
        EXPECT_TRUE(batch.empty());
}

TEST_F(Dispatch, LongClickIsARightClickOnlyWhereAllowed) {
    send(R"({"type":"long_click","pos_x":300.5,"pos_y":400})");
    auto batches = record->batches();
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].size(), 1u);
    EXPECT_EQ(batches[0][0].x, 300.5);
    EXPECT_EQ(batches[0][0].y, 400);
    EXPECT_EQ(batches[0][0].action, TouchPoint::Up);
    EXPECT_TRUE(batches[0][0].longClick);
    EXPECT_EQ(batches[0][0].pointerId, 0);
    EXPECT_EQ(batches[0][0].eventTime, 0);

    send(R"({"type":"long_click","pos_x":1,"pos_y":2})", false);
    EXPECT_EQ(record->batches().size(), 1u);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(Dispatch, KeyboardEventsUseTheLow16BitsAndRejectOtherActions) {
    send(R"({"type":"keyboard_event","key_value":65,"action":"action_down"})");
    send(R"({"type":"keyboard_event","key_value":65601,"action":"action_up"})");
    send(R"({"type":"keyboard_event","key_value":66,"action":"action_update"})");
    const auto keys = record->keys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].virtualKey, 65);
    EXPECT_FALSE(keys[0].keyUp);
    EXPECT_EQ(keys[1].virtualKey, 65) << "65601 is 0x10041";
    EXPECT_TRUE(keys[1].keyUp);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"onLog 0 Get a wrong keyboard event"}));
}

TEST_F(Dispatch, IgnoresTextThatIsNoMessageWithoutALogLine) {
    for (const char* text : {"", "not json", "[1,2]", "42", R"({"type":"unknown"})",
                             R"({"type":5})", R"({"type":{"a":1}})", R"({"no_type":1})",
                             R"({"type":"Motion_Event","motion_event":[]})"})
        send(text);
    send(std::string(2000, '[')); // deeper than the reader goes: it throws
    send("{\"type\":\"motion_event\",\"x\":" + std::string(1500, '{'));
    EXPECT_TRUE(record->batches().empty());
    EXPECT_TRUE(record->keys().empty());
    EXPECT_TRUE(logLines().empty());
}

TEST_F(Dispatch, DropsMembersOfTheWrongTypeOrRangeWithAnErrorLine) {
    const char* texts[] = {
        R"({"type":"motion_event","motion_event":[{"x":"left","action":"action_down"}]})",
        R"({"type":"motion_event","motion_event":[{"pointerId":4294967296,"action":"action_up"}]})",
        R"({"type":"motion_event","motion_event":[{"eventTime":1e300,"action":"action_up"}]})",
        R"({"type":"motion_event","motion_event":[{"action":["action_up"]}]})",
        R"({"type":"motion_event","motion_event":[7]})",
        R"({"type":"motion_event","motion_event":{"0":{"action":"action_up"}}})",
        R"({"type":"long_click","pos_x":"here","pos_y":1})",
        R"({"type":"keyboard_event","key_value":-1,"action":"action_down"})",
        R"({"type":"keyboard_event","key_value":"A","action":"action_down"})",
        R"({"type":"keyboard_event","key_value":65,"action":{}})",
    };
    for (const char* text : texts)
        send(text);
    EXPECT_TRUE(record->batches().empty());
    EXPECT_TRUE(record->keys().empty());
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), std::size(texts));
    for (const std::string& line : lines)
        EXPECT_EQ(line.rfind("onLog 0 Drop a message with a bad member: ", 0), 0u) << line;
    // Still serving: a good message after the bad ones goes through.
    send(R"({"type":"keyboard_event","key_value":13,"action":"action_down"})");
    EXPECT_EQ(record->keys().size(), 1u);
}

TEST_F(Dispatch, EventTimesPast31BitsWrapInsteadOfDroppingTheBatch) {
    // A device up for more than about 25 days stamps beyond 2^31 ms.
    send(R"({"type":"motion_event","motion_event":[
        {"pointerId":1,"eventTime":2147483648,"action":"action_down"},
        {"pointerId":2,"eventTime":4294967297,"action":"action_down"},
        {"pointerId":3,"eventTime":18446744073709551615,"action":"action_down"}]})");
    const auto batches = record->batches();
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].size(), 3u);
    EXPECT_EQ(batches[0][0].eventTime, INT32_MIN);
    EXPECT_EQ(batches[0][1].eventTime, 1);
    EXPECT_EQ(batches[0][2].eventTime, -1);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(Dispatch, ReleasesWhatTheDeviceLeftHeldExactlyOnce) {
    RecordingTouchSimulater touch(record);
    RecordingKeyboard keyboard(record);
    MessageDispatcher dispatcher(Fingo::Logger(CallbackRecorder::callbacks()->onLog), &touch,
                                 &keyboard, &allowLongClicks);
    dispatcher.dispatch(R"({"type":"motion_event","motion_event":[
        {"pointerId":1,"x":10,"y":10,"action":"action_down"},
        {"pointerId":2,"x":50,"y":50,"action":"action_down"}]})");
    dispatcher.dispatch(R"({"type":"motion_event","motion_event":[
        {"pointerId":1,"x":15,"y":16,"eventTime":9,"action":"action_update"},
        {"pointerId":2,"x":50,"y":50,"action":"action_up"},
        {"pointerId":7,"x":1,"y":1,"action":"action_update"}]})");
    dispatcher.dispatch(R"({"type":"keyboard_event","key_value":16,"action":"action_down"})");
    dispatcher.dispatch(R"({"type":"keyboard_event","key_value":65,"action":"action_down"})");
    dispatcher.dispatch(R"({"type":"keyboard_event","key_value":65,"action":"action_up"})");

    dispatcher.releaseHeldInput();
    dispatcher.releaseHeldInput();
    const auto batches = record->batches();
    ASSERT_EQ(batches.size(), 3u);
    ASSERT_EQ(batches[2].size(), 1u) << "only the finger still down, once";
    EXPECT_EQ(batches[2][0].pointerId, 1);
    EXPECT_EQ(batches[2][0].action, TouchPoint::Up);
    EXPECT_EQ(batches[2][0].x, 15) << "lifted where it last was";
    EXPECT_EQ(batches[2][0].y, 16);
    const auto keys = record->keys();
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[3].virtualKey, 16);
    EXPECT_TRUE(keys[3].keyUp);
}

TEST_F(Dispatch, NothingIsReleasedWhenTheDeviceLiftedEverything) {
    RecordingTouchSimulater touch(record);
    RecordingKeyboard keyboard(record);
    MessageDispatcher dispatcher(Fingo::Logger(CallbackRecorder::callbacks()->onLog), &touch,
                                 &keyboard, &allowLongClicks);
    dispatcher.dispatch(R"({"type":"motion_event","motion_event":[
        {"pointerId":1,"action":"action_down"}]})");
    dispatcher.dispatch(R"({"type":"motion_event","motion_event":[
        {"pointerId":1,"action":"action_up"}]})");
    dispatcher.releaseHeldInput();
    EXPECT_EQ(record->batches().size(), 2u);
    EXPECT_TRUE(logLines().empty());
}

TEST(OutgoingMessage, UsesTheStyledLayoutWithSortedKeys) {
    EXPECT_EQ(Fingo::OutgoingMessage::cursorPosition("00-11-22-33-44-55", 10, -20),
              "{\n"
              "   \"pos_x\" : 10,\n"
              "   \"pos_y\" : -20,\n"
              "   \"type\" : \"cursor_pos\",\n"
              "   \"uuid\" : \"00-11-22-33-44-55\"\n"
              "}\n");
    EXPECT_EQ(Fingo::OutgoingMessage::cursorShape("AA-BB", "IDC_HAND \"x\"", 32, 48),
              "{\n"
              "   \"cursor_shape\" : \"IDC_HAND \\\"x\\\"\",\n"
              "   \"height\" : 48,\n"
              "   \"type\" : \"cursor_shape\",\n"
              "   \"uuid\" : \"AA-BB\",\n"
              "   \"width\" : 32\n"
              "}\n");
}

TEST(PcIdentity, FormatsBytesAsUpperCaseHexPairs) {
    const unsigned char mac[] = {0x00, 0x1a, 0x2B, 0xff, 0x09, 0x10};
    EXPECT_EQ(Fingo::PcIdentity::format(mac, 6), "00-1A-2B-FF-09-10");
    EXPECT_EQ(Fingo::PcIdentity::format(mac, 1), "00");
    EXPECT_EQ(Fingo::PcIdentity::format(mac, 0), "");
}

TEST(PcIdentity, FallsBackWithoutAnInterfaceHoldingTheAddress) {
    EXPECT_EQ(Fingo::PcIdentity::forBindAddress("0.0.0.0"), "00-11-22-33-44-55");
    EXPECT_EQ(Fingo::PcIdentity::forBindAddress("127.0.0.1"), "00-11-22-33-44-55")
        << "loopback has no hardware address";
    EXPECT_EQ(Fingo::PcIdentity::forBindAddress("127.0.0.77"), "00-11-22-33-44-55");
    EXPECT_EQ(Fingo::PcIdentity::forBindAddress("not an address"), "00-11-22-33-44-55");
}

TEST(PcIdentity, IsTheHardwareAddressOfTheInterfaceHoldingTheAddress) {
    // Only reads the interface list; nothing is sent anywhere.
    ifaddrs* interfaces = nullptr;
    ASSERT_EQ(getifaddrs(&interfaces), 0);
    std::string address;
    std::string name;
    for (ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET &&
            !(entry->ifa_flags & IFF_LOOPBACK)) {
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr, text,
                      sizeof text);
            address = text;
            name = entry->ifa_name;
            break;
        }
    }
    freeifaddrs(interfaces);
    std::string expected;
    std::ifstream(("/sys/class/net/" + name + "/address").c_str()) >> expected;
    if (address.empty() || expected.empty() || expected == "00:00:00:00:00:00")
        GTEST_SKIP() << "no IPv4 interface with a hardware address here";
    std::transform(expected.begin(), expected.end(), expected.begin(), [](char c) {
        return c == ':' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    EXPECT_EQ(Fingo::PcIdentity::forBindAddress(address), expected) << name << " " << address;
}
