#pragma once

#include "FrameReassembler.h"
#include "InputBackends.h"
#include "LocalMutex.h"
#include "Logger.h"
#include "MessageDispatcher.h"
#include "Thread.h"
#include "platform/SocketApi.h"

#include <Fingo.h>

#include <atomic>
#include <memory>
#include <string>

namespace Fingo {

class MsgThread;

// The remote-input server: listens on one address and port, serves one
// device at a time on its own thread (receive, cut frames, inject) and gives
// each device a sender for the host's cursor messages. When a device goes
// away it waits for the next one.
class FingoServer : public Thread {
public:
    // The thread is created suspended; resume() starts serving. The back
    // ends are the platform's.
    FingoServer(const char* address, int port, const ServerCallbacks* callbacks);
    FingoServer(const char* address, int port, const ServerCallbacks* callbacks,
                InputBackends backends);
    // Closes the sockets, stops the thread and waits for it (and for the
    // sender) to end.
    ~FingoServer() override;

    // Queue a message for the connected device; false without one.
    bool sendCursorShape(const char* shape, int width, int height);
    bool sendCursorPosition(int x, int y);

    // The requested port, then the bound one once listening.
    int port() const { return m_port; }

protected:
    void execute() override;

private:
    struct Client {
        std::string ip;
        int port = 0;
    };

    bool openListener();
    bool acceptClient(Client& client);
    void startServing(const Client& client);
    void receiveLoop();
    void closeClientSocket();
    void createSender();
    void destroySender();
    void reportState(int state, int port);

    const ServerCallbacks* m_callbacks;
    Logger m_log;
    std::string m_address;
    std::atomic<int> m_port;
    InputBackends m_backends;
    MessageDispatcher m_dispatcher;
    FrameReassembler m_frames;

    std::atomic<SocketHandle> m_listenSocket{kInvalidSocket};
    std::atomic<SocketHandle> m_clientSocket{kInvalidSocket};
    // Guards publishing and aborting the sockets, so that a close never
    // misses a socket the server thread has just accepted.
    LocalMutex m_socketMutex;
    bool m_socketApiStarted = false;

    std::unique_ptr<MsgThread> m_sender;
    // Guards m_sender; taken before the sender's own queue mutex.
    LocalMutex m_mutex;
};

} // namespace Fingo
