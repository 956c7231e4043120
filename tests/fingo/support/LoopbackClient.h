#pragma once

#include <chrono>
#include <string>

// A device on loopback: connects to the server, sends frames, reads the
// frames it gets back.
class LoopbackClient {
public:
    LoopbackClient() = default;
    ~LoopbackClient();
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connectTo(int port, const char* address = "127.0.0.1");
    // Takes over a connected socket (of a socket pair, say).
    void adopt(int socket);
    bool sendBytes(const std::string& bytes);
    // One frame holding the JSON text and its terminating NUL.
    bool sendMessage(const std::string& json);
    // The next whole frame as received (markers and escapes included);
    // empty when none came within the limit or the server closed.
    std::string readFrame(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // True when the server closes the connection within the limit.
    bool waitForClose(std::chrono::milliseconds limit = std::chrono::seconds(10));
    void close();

private:
    // Waits for more bytes; false on time-out or end of stream.
    bool receiveMore(std::chrono::steady_clock::time_point deadline);

    int m_socket = -1;
    std::string m_pending;
    bool m_closedByPeer = false;
};
