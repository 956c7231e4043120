#pragma once

#include "LocalMutex.h"
#include "Logger.h"
#include "QueuedMessage.h"
#include "Thread.h"
#include "WindowsEvent.h"
#include "platform/SocketApi.h"

#include <atomic>
#include <deque>
#include <string>

namespace Fingo {

// Sends the host's queued messages to one connected device, first in first
// out, on its own thread, so the host never waits for the network. It sends
// on whatever client socket the server currently holds.
class MsgThread : public Thread {
public:
    MsgThread(const std::atomic<SocketHandle>* clientSocket, const Logger& log,
              const std::string& bindAddress);
    // Stops the thread and waits for it; messages not yet sent are dropped.
    ~MsgThread() override;

    void queueCursorShape(const char* shape, int width, int height);
    void queueCursorPosition(int x, int y);
    void queue(QueuedMessage message);

protected:
    void onTerminate() override;
    void execute() override;

private:
    bool takeNext(QueuedMessage& message);
    void sendMessage(const QueuedMessage& message);
    void sendText(const std::string& text);

    const std::atomic<SocketHandle>* m_clientSocket;
    Logger m_log;
    std::string m_bindAddress;
    std::deque<QueuedMessage> m_queue;
    WindowsEvent m_queued;
    LocalMutex m_queueMutex;
};

} // namespace Fingo
