#pragma once

#include "InjectionCounter.h"

#include <memory>
#include <string>
#include <thread>

// The reference receiver: one connection, a blocking receive loop into a
// 4096-byte buffer like the server's, and a count for every end marker. No
// decoding and no JSON: what the machine's sockets and thread wake-ups
// allow on their own.
class RawFrameReceiver {
public:
    explicit RawFrameReceiver(std::shared_ptr<InjectionCounter> counter);
    ~RawFrameReceiver();
    RawFrameReceiver(const RawFrameReceiver&) = delete;
    RawFrameReceiver& operator=(const RawFrameReceiver&) = delete;

    // Listens on the address (any free port) and serves one connection on a
    // thread of its own; the port, or 0 when listening failed.
    int start(const std::string& address);

private:
    void serve();

    std::shared_ptr<InjectionCounter> m_counter;
    int m_listener = -1;
    std::thread m_thread;
};
