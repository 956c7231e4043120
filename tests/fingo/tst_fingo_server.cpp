// The server on loopback with recording back ends: frames from a real TCP
// stream, a full buffer, the next device, the sender's frames, start failures.
#include "FingoServer.h"
#include "MsgThread.h"
#include "TCPFrame.h"
#include "support/CallbackRecorder.h"
#include "support/LoopbackClient.h"
#include "support/RecordingBackends.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

using Fingo::FingoServer;

namespace {

std::string motion(int pointerId, const char* action) {
    return R"({"type":"motion_event","motion_event":[{"pointerId":)" + std::to_string(pointerId) +
           R"(,"x":5,"y":6,"eventTime":7,"action":")" + action + "\"}]}";
}

std::string frameOf(const std::string& json) {
    return Fingo::TCPFrame::encode(std::string(json.c_str(), json.size() + 1));
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override { CallbackRecorder::instance().clear(); }

    // Starts a server on 127.0.0.1 and returns its port (0 when it failed).
    int start(const char* address = "127.0.0.1", int port = 0) {
        server = std::make_unique<FingoServer>(address, port, CallbackRecorder::callbacks(),
                                               recordingBackends(record));
        server->resume();
        const std::string state = recorder().waitForLine("onState ");
        if (state.rfind("onState 1 ", 0) != 0)
            return 0;
        return std::stoi(state.substr(10));
    }
    // Connects a device and waits until its sender runs.
    void connect(LoopbackClient& client, int port, int senders = 1) {
        ASSERT_TRUE(client.connectTo(port));
        ASSERT_TRUE(recorder().waitForCount("onLog 2 msg thread started.", senders));
    }
    static CallbackRecorder& recorder() { return CallbackRecorder::instance(); }

    std::shared_ptr<InjectionRecord> record = std::make_shared<InjectionRecord>();
    std::unique_ptr<FingoServer> server;
};

} // namespace

TEST_F(ServerTest, DispatchesFramesInOrderWhateverTheReceiveChunks) {
    const int port = start();
    ASSERT_GT(port, 0);
    EXPECT_EQ(server->port(), port);
    LoopbackClient client;
    connect(client, port);
    EXPECT_EQ(recorder().count("onClientConnected 127.0.0.1 "), 1);

    // Two frames in one send, garbage before the second, half of a third.
    const std::string third = frameOf(motion(3, "action_up"));
    ASSERT_TRUE(client.sendBytes(frameOf(motion(1, "action_down")) + "junk\x7F" +
                                 frameOf(motion(2, "action_update")) + third.substr(0, 20)));
    ASSERT_TRUE(record->waitForBatches(2));
    ASSERT_TRUE(client.sendBytes(third.substr(20)));
    ASSERT_TRUE(record->waitForBatches(3));
    ASSERT_TRUE(
        client.sendMessage(R"({"type":"keyboard_event","key_value":13,"action":"action_up"})"));
    ASSERT_TRUE(client.sendMessage(motion(4, "action_down")));
    ASSERT_TRUE(record->waitForBatches(4));

    const auto batches = record->batches();
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(batches[i].size(), 1u);
        EXPECT_EQ(batches[i][0].pointerId, i + 1);
    }
    ASSERT_EQ(record->keys().size(), 1u) << "handled before the motion that followed it";
}

TEST_F(ServerTest, AFullBufferEndsTheConnectionAndTheNextDeviceIsServed) {
    const int port = start();
    ASSERT_GT(port, 0);
    LoopbackClient first;
    connect(first, port);
    ASSERT_TRUE(first.sendBytes("\x7E" + std::string(5000, 'x')));
    EXPECT_TRUE(first.waitForClose());
    EXPECT_FALSE(recorder().waitForLine("onLog 0 Receive fail:0.").empty());
    EXPECT_FALSE(recorder().waitForLine("onLog 2 msg thread exit.").empty());
    EXPECT_FALSE(server->sendCursorPosition(1, 2)) << "no device between two connections";

    LoopbackClient second;
    connect(second, port, 2);
    EXPECT_EQ(recorder().count("onClientConnected 127.0.0.1 "), 2);
    EXPECT_EQ(recorder().count("onClientDisconnected"), 0);
    ASSERT_TRUE(second.sendMessage(motion(9, "action_down")));
    ASSERT_TRUE(record->waitForBatches(1));
    EXPECT_EQ(record->batches()[0][0].pointerId, 9);
}

TEST_F(ServerTest, ADeviceThatGoesMidTouchHasItsContactLifted) {
    const int port = start();
    ASSERT_GT(port, 0);
    {
        LoopbackClient client;
        connect(client, port);
        ASSERT_TRUE(client.sendMessage(motion(5, "action_down")));
        ASSERT_TRUE(record->waitForBatches(1));
    }
    ASSERT_TRUE(record->waitForBatches(2));
    const auto batches = record->batches();
    ASSERT_EQ(batches[1].size(), 1u);
    EXPECT_EQ(batches[1][0].pointerId, 5);
    EXPECT_EQ(batches[1][0].action, TouchPoint::Up);
}

TEST_F(ServerTest, SendsQueuedMessagesAsTerminatedStyledFrames) {
    const int port = start();
    ASSERT_GT(port, 0);
    EXPECT_FALSE(server->sendCursorPosition(1, 1)) << "no device yet";
    LoopbackClient client;
    connect(client, port);
    EXPECT_TRUE(server->sendCursorShape("arrow}~", 32, 33));
    EXPECT_TRUE(server->sendCursorPosition(10, 20));
    EXPECT_FALSE(server->sendCursorShape(nullptr, 1, 1));

    const std::string shape = client.readFrame();
    const std::string position = client.readFrame();
    ASSERT_GE(position.size(), 4u);
    EXPECT_EQ(position.substr(position.size() - 2), std::string("\x00\x7F", 2));
    const std::string expected = "{\n"
                                 "   \"pos_x\" : 10,\n"
                                 "   \"pos_y\" : 20,\n"
                                 "   \"type\" : \"cursor_pos\",\n"
                                 "   \"uuid\" : \"00-11-22-33-44-55\"\n"
                                 "}\n";
    EXPECT_EQ(position, Fingo::TCPFrame::encode(expected + std::string(1, '\0')));
    const std::string shapeText = Fingo::TCPFrame::decode(shape.data() + 1, shape.size() - 2);
    EXPECT_NE(shapeText.find("\"cursor_shape\" : \"arrow}~\""), std::string::npos) << shapeText;
    EXPECT_NE(shapeText.find("\"type\" : \"cursor_shape\""), std::string::npos);
    EXPECT_NE(shape.find("arrow\x7D\x5D\x7D\x5E"), std::string::npos) << "escaped on the wire";
}

TEST_F(ServerTest, ReportsABindFailureOnce) {
    const int taken = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof local;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    ASSERT_EQ(getsockname(taken, reinterpret_cast<sockaddr*>(&local), &length), 0);

    EXPECT_EQ(start("127.0.0.1", ntohs(local.sin_port)), 0);
    EXPECT_EQ(recorder().lines(),
              (std::vector<std::string>{"onLog 0 Error occurs while calling bind: errCode=98.",
                                        "onState 0 -1"}));
    server.reset();
    ::close(taken);

    recorder().clear();
    EXPECT_EQ(start("no address"), 0);
    EXPECT_EQ(recorder().lines().front(), "onLog 0 Error occurs while calling bind: errCode=99.");
}

TEST(MsgThread, SendsInOrderAndReportsOddKindsAndFailedSends) {
    CallbackRecorder& recorder = CallbackRecorder::instance();
    recorder.clear();
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    std::atomic<Fingo::SocketHandle> socket{ends[0]};
    LoopbackClient device;
    device.adopt(ends[1]);
    {
        Fingo::MsgThread sender(&socket, Fingo::Logger(CallbackRecorder::callbacks()->onLog),
                                "0.0.0.0");
        Fingo::QueuedMessage odd;
        odd.kind = 7;
        sender.queue(odd);
        sender.queueCursorPosition(1, 2);
        sender.queueCursorShape("hand", 3, 4);
        const std::string position = device.readFrame();
        EXPECT_NE(position.find("\"pos_x\" : 1,"), std::string::npos) << position;
        EXPECT_NE(device.readFrame().find("\"cursor_shape\" : \"hand\""), std::string::npos);
        EXPECT_EQ(recorder.count("onLog 1 unknow msg type:7."), 1);

        device.close();
        sender.queueCursorPosition(5, 6);
        EXPECT_FALSE(recorder.waitForLine("onLog 0 send msg to client fail.").empty());
    }
    EXPECT_EQ(recorder.lines().back(), "onLog 2 msg thread exit.");
    ::close(ends[0]);
}
