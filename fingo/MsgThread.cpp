#include "MsgThread.h"

#include "AutoLock.h"
#include "OutgoingMessage.h"
#include "PcIdentity.h"
#include "TCPFrame.h"

#include <utility>

namespace Fingo {

namespace {
// The longest the thread sleeps before it looks at its stop flag again.
constexpr unsigned long kWakeUpMilliseconds = 1000;
} // namespace

MsgThread::MsgThread(const std::atomic<SocketHandle>* clientSocket, const Logger& log,
                     const std::string& bindAddress)
    : m_clientSocket(clientSocket)
    , m_log(log)
    , m_bindAddress(bindAddress) {
    resume();
}

MsgThread::~MsgThread() {
    terminate();
    wait();
}

void MsgThread::onTerminate() {
    m_queued.notify();
}

void MsgThread::queueCursorShape(const char* shape, int width, int height) {
    QueuedMessage message;
    message.kind = QueuedMessage::CursorShape;
    message.shape = shape;
    message.width = width;
    message.height = height;
    queue(std::move(message));
}

void MsgThread::queueCursorPosition(int x, int y) {
    QueuedMessage message;
    message.kind = QueuedMessage::CursorPosition;
    message.x = x;
    message.y = y;
    queue(std::move(message));
}

void MsgThread::queue(QueuedMessage message) {
    {
        AutoLock lock(&m_queueMutex);
        m_queue.push_back(std::move(message));
    }
    m_queued.notify();
}

bool MsgThread::takeNext(QueuedMessage& message) {
    AutoLock lock(&m_queueMutex);
    if (m_queue.empty())
        return false;
    message = std::move(m_queue.front());
    m_queue.pop_front();
    return true;
}

void MsgThread::execute() {
    m_log.log(Logger::Information, "msg thread started.");
    while (!isTerminating()) {
        m_queued.waitForEvent(kWakeUpMilliseconds);
        QueuedMessage message;
        while (!isTerminating() && takeNext(message))
            sendMessage(message);
    }
    m_log.log(Logger::Information, "msg thread exit.");
}

void MsgThread::sendMessage(const QueuedMessage& message) {
    switch (message.kind) {
    case QueuedMessage::CursorShape:
        sendText(OutgoingMessage::cursorShape(PcIdentity::forBindAddress(m_bindAddress),
                                              message.shape, message.width, message.height));
        break;
    case QueuedMessage::CursorPosition:
        sendText(OutgoingMessage::cursorPosition(PcIdentity::forBindAddress(m_bindAddress),
                                                 message.x, message.y));
        break;
    default:
        m_log.log(Logger::Warning, "unknow msg type:%d.", message.kind);
        break;
    }
}

void MsgThread::sendText(const std::string& text) {
    if (text.empty()) {
        m_log.log(Logger::Error, "TCPFrame encrypt fail.");
        return;
    }
    // The device reads the payload as a C string: send the terminator too.
    const std::string frame = TCPFrame::encode(std::string(text.c_str(), text.size() + 1));
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const long count =
            SocketApi::sendSome(m_clientSocket->load(), frame.data() + sent, frame.size() - sent);
        if (count <= 0) {
            m_log.log(Logger::Error, "send msg to client fail.");
            return;
        }
        sent += static_cast<std::size_t>(count);
    }
}

} // namespace Fingo
