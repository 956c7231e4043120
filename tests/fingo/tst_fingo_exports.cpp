// The library as a host sees it: loaded at run time, driven through its four
// functions only.
#include "FingoLibrary.h"
#include "TCPFrame.h"
#include "support/CallbackRecorder.h"
#include "support/LoopbackClient.h"

#include <gtest/gtest.h>

namespace {

class Exports : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library = new FingoLibrary;
        ASSERT_TRUE(library->load(FINGO_LIBRARY_PATH)) << library->error();
    }
    static void TearDownTestSuite() {
        delete library;
        library = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(library, nullptr);
        recorder().clear();
    }
    void TearDown() override {
        if (library != nullptr)
            library->closeFingoServer();
    }

    static CallbackRecorder& recorder() { return CallbackRecorder::instance(); }
    // Starts the server and waits for its state: the port, or 0.
    static int start(const char* address = "127.0.0.1") {
        library->startFingoServer(address, 0, CallbackRecorder::callbacks());
        const std::string state = recorder().waitForLine("onState ");
        return state.rfind("onState 1 ", 0) == 0 ? std::stoi(state.substr(10)) : 0;
    }

    static FingoLibrary* library;
};

FingoLibrary* Exports::library = nullptr;

} // namespace

TEST_F(Exports, StartReportsTheChosenPortAndRefusesASecondStart) {
    const int port = start();
    ASSERT_GT(port, 0);
    EXPECT_EQ(recorder().count("onLog 2 Start server success, waiting client send msg now."), 1);
    LoopbackClient client;
    EXPECT_TRUE(client.connectTo(port));
    // The server reports the device on its own thread; its last report of it
    // comes from the sender it starts.
    ASSERT_TRUE(recorder().waitForCount("onLog 2 msg thread started.", 1));

    recorder().clear();
    library->startFingoServer("127.0.0.1", 0, CallbackRecorder::callbacks());
    EXPECT_EQ(
        recorder().lines(),
        (std::vector<std::string>{"onState 0 -1", "onLog 1 A server is running, close it first."}));
    library->startFingoServer("127.0.0.1", 0, nullptr); // refused without anyone to tell
}

TEST_F(Exports, RefusesAStartEvenAfterTheFirstFailedToBind) {
    EXPECT_EQ(start("256.1.2.3"), 0);
    EXPECT_EQ(recorder().count("onLog 0 Error occurs while calling bind: errCode=99."), 1);
    recorder().clear();
    library->startFingoServer("127.0.0.1", 0, CallbackRecorder::callbacks());
    EXPECT_EQ(
        recorder().lines(),
        (std::vector<std::string>{"onState 0 -1", "onLog 1 A server is running, close it first."}));
    library->closeFingoServer();
    EXPECT_EQ(recorder().lines().back(), "onClosed Close by caller");
    recorder().clear();
    EXPECT_GT(start(), 0) << "a new start works after the close";
}

TEST_F(Exports, CursorMessagesNeedAConnectedDevice) {
    EXPECT_FALSE(library->sendCursorPosition(1, 2)) << "no server";
    EXPECT_FALSE(library->sendCursorShape("arrow", 1, 2));
    const int port = start();
    ASSERT_GT(port, 0);
    EXPECT_FALSE(library->sendCursorPosition(1, 2)) << "no device yet";

    LoopbackClient client;
    ASSERT_TRUE(client.connectTo(port));
    ASSERT_TRUE(recorder().waitForCount("onLog 2 msg thread started.", 1));
    EXPECT_TRUE(library->sendCursorPosition(1, 2));
    EXPECT_FALSE(client.readFrame().empty());
    EXPECT_FALSE(library->sendCursorShape(nullptr, 1, 2));

    client.close();
    ASSERT_TRUE(recorder().waitForCount("onLog 2 msg thread exit.", 1));
    EXPECT_FALSE(library->sendCursorPosition(1, 2)) << "the device left";
    EXPECT_EQ(recorder().count("onLog 0 Receive fail:0."), 1);
}

TEST_F(Exports, CloseWithADeviceConnectedReturnsAndReports) {
    const int port = start();
    ASSERT_GT(port, 0);
    LoopbackClient client;
    ASSERT_TRUE(client.connectTo(port));
    ASSERT_TRUE(recorder().waitForCount("onLog 2 msg thread started.", 1));
    EXPECT_FALSE(recorder().waitForLine("onClientConnected 127.0.0.1 ").empty());

    library->closeFingoServer();
    const auto lines = recorder().lines();
    EXPECT_EQ(lines.back(), "onClosed Close by caller");
    EXPECT_EQ(recorder().count("onLog 2 msg thread exit."), 1);
    // Logged when the close finds the server waiting for data; it may also
    // find it between two calls and end it without them.
    EXPECT_LE(recorder().count("onLog 0 Receive fail:"), 1);
    EXPECT_EQ(recorder().count("onLog 2 Error occur while accpetingt client."),
              recorder().count("onLog 0 Receive fail:"));
    EXPECT_EQ(recorder().count("onClientDisconnected"), 0) << "a close is no disconnection";
    EXPECT_TRUE(client.waitForClose());

    recorder().clear();
    library->closeFingoServer();
    EXPECT_TRUE(recorder().lines().empty()) << "nothing to close";
}

TEST_F(Exports, CloseBeforeAnyDeviceCame) {
    ASSERT_GT(start(), 0);
    library->closeFingoServer();
    EXPECT_EQ(recorder().lines().back(), "onClosed Close by caller");
    EXPECT_EQ(recorder().count("onLog 2 Error occur while accpetingt client."), 1);
}

// Listens on every interface: run only in a private network namespace.
TEST_F(Exports, AnyAddressSendsTheFallbackIdentity) {
    const int port = start("0.0.0.0");
    ASSERT_GT(port, 0);
    LoopbackClient client;
    ASSERT_TRUE(client.connectTo(port));
    ASSERT_TRUE(recorder().waitForCount("onLog 2 msg thread started.", 1));
    ASSERT_TRUE(library->sendCursorPosition(3, 4));
    const std::string frame = client.readFrame();
    ASSERT_GE(frame.size(), 2u);
    EXPECT_EQ(frame.substr(frame.size() - 2), std::string("\x00\x7F", 2));
    const std::string text = Fingo::TCPFrame::decode(frame.data() + 1, frame.size() - 2);
    EXPECT_NE(text.find("\"uuid\" : \"00-11-22-33-44-55\""), std::string::npos) << text;
}
