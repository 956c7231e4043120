#include "FingoServer.h"

#include "AutoLock.h"
#include "MsgThread.h"

#include <chrono>
#include <thread>
#include <utility>

namespace Fingo {

namespace {

constexpr int kListenBacklog = 5;
// Pause before serving a device that connected after another one left.
constexpr auto kReconnectPause = std::chrono::milliseconds(10);

LogFunction logSinkOf(const ServerCallbacks* callbacks) {
    return callbacks != nullptr ? callbacks->onLog : nullptr;
}

void abortSocket(std::atomic<SocketHandle>& socket) {
    SocketHandle handle = socket;
    SocketApi::abort(handle);
    socket = handle;
}

void closeSocket(std::atomic<SocketHandle>& socket) {
    SocketHandle handle = socket;
    SocketApi::close(handle);
    socket = handle;
}

} // namespace

FingoServer::FingoServer(const char* address, int port, const ServerCallbacks* callbacks)
    : FingoServer(address, port, callbacks,
                  InputBackends::createForPlatform(Logger(logSinkOf(callbacks)))) {}

FingoServer::FingoServer(const char* address, int port, const ServerCallbacks* callbacks,
                         InputBackends backends)
    : m_callbacks(callbacks)
    , m_log(logSinkOf(callbacks))
    , m_address(address != nullptr ? address : "")
    , m_port(port)
    , m_backends(std::move(backends))
    , m_dispatcher(m_log, m_backends.touch.get(), m_backends.keyboard.get(),
                   m_backends.longClickAllowed) {}

FingoServer::~FingoServer() {
    {
        AutoLock lock(&m_socketMutex);
        terminate();
        abortSocket(m_clientSocket);
        abortSocket(m_listenSocket);
    }
    wait();
    destroySender();
    closeSocket(m_clientSocket);
    closeSocket(m_listenSocket);
    // Only now: the server thread may use the sockets until it has ended.
    if (m_socketApiStarted)
        SocketApi::cleanup();
}

bool FingoServer::sendCursorShape(const char* shape, int width, int height) {
    AutoLock lock(&m_mutex);
    if (m_sender == nullptr || shape == nullptr)
        return false;
    m_sender->queueCursorShape(shape, width, height);
    return true;
}

bool FingoServer::sendCursorPosition(int x, int y) {
    AutoLock lock(&m_mutex);
    if (m_sender == nullptr)
        return false;
    m_sender->queueCursorPosition(x, y);
    return true;
}

void FingoServer::reportState(int state, int port) {
    if (m_callbacks != nullptr && m_callbacks->onState != nullptr)
        m_callbacks->onState(state, port);
}

void FingoServer::execute() {
    if (!SocketApi::startup()) {
        SocketApi::cleanup();
        m_log.log(Logger::Error, "Init winsock failed!");
        reportState(0, -1);
        return;
    }
    m_socketApiStarted = true;
    if (!openListener())
        return;
    m_log.log(Logger::Information, "Start server success, waiting client send msg now.");
    m_port = SocketApi::boundPort(m_listenSocket);
    reportState(1, m_port);

    Client first;
    if (!acceptClient(first))
        return;
    startServing(first);
    receiveLoop();
    m_dispatcher.releaseHeldInput();
    if (!isTerminating() && m_callbacks != nullptr && m_callbacks->onClientDisconnected != nullptr)
        m_callbacks->onClientDisconnected(first.ip.c_str(), first.port);
    destroySender();
}

bool FingoServer::openListener() {
    SocketHandle listener = SocketApi::createTcpSocket();
    if (listener == kInvalidSocket || !SocketApi::bindTo(listener, m_address, m_port)) {
        const auto error = static_cast<int>(SocketApi::lastError());
        SocketApi::close(listener);
        m_log.log(Logger::Error, "Error occurs while calling bind: errCode=%d.", error);
        reportState(0, -1);
        return false;
    }
    if (!SocketApi::listenOn(listener, kListenBacklog)) {
        const auto error = static_cast<int>(SocketApi::lastError());
        SocketApi::close(listener);
        m_log.log(Logger::Error, "Error occurs while calling listen: errCode=%d.", error);
        reportState(0, -1);
        return false;
    }
    AutoLock lock(&m_socketMutex);
    if (isTerminating()) {
        SocketApi::close(listener);
        return false;
    }
    m_listenSocket = listener;
    return true;
}

bool FingoServer::acceptClient(Client& client) {
    SocketHandle accepted = SocketApi::acceptClient(m_listenSocket, client.ip, client.port);
    AutoLock lock(&m_socketMutex);
    // A close that began meanwhile wins: the new connection is dropped.
    if (accepted != kInvalidSocket && isTerminating())
        SocketApi::close(accepted);
    if (accepted == kInvalidSocket) {
        m_log.log(Logger::Information, "Error occur while accpetingt client.");
        return false;
    }
    m_clientSocket = accepted;
    return true;
}

void FingoServer::startServing(const Client& client) {
    m_log.log(Logger::Information, "Client connected: ip=%s, port=%d.", client.ip.c_str(),
              client.port);
    if (m_callbacks != nullptr && m_callbacks->onClientConnected != nullptr)
        m_callbacks->onClientConnected(client.ip.c_str(), client.port);
    m_log.log(Logger::Information, "Start recv data from client: ip=%s, port=%d.",
              client.ip.c_str(), client.port);
    createSender();
    m_frames.clear();
}

void FingoServer::receiveLoop() {
    while (!isTerminating()) {
        // A full buffer without a complete frame can never become one: the
        // connection ends as if the peer had failed.
        const long received =
            m_frames.isFull()
                ? 0
                : SocketApi::receive(m_clientSocket, m_frames.freeSpace(), m_frames.freeSize());
        if (received > 0) {
            m_frames.commit(static_cast<std::size_t>(received));
            std::string text;
            while (m_frames.cutFrame(text))
                m_dispatcher.dispatch(text);
            continue;
        }
        m_log.log(Logger::Error, "Receive fail:%lu.",
                  m_frames.isFull() ? 0UL : SocketApi::lastError());
        // A sender blocked on a peer that stopped reading is woken first;
        // otherwise ending it would wait for ever.
        {
            AutoLock lock(&m_socketMutex);
            abortSocket(m_clientSocket);
        }
        destroySender();
        closeClientSocket();
        m_dispatcher.releaseHeldInput();
        Client next;
        if (!acceptClient(next))
            break;
        startServing(next);
        std::this_thread::sleep_for(kReconnectPause);
    }
}

void FingoServer::closeClientSocket() {
    AutoLock lock(&m_socketMutex);
    closeSocket(m_clientSocket);
}

void FingoServer::createSender() {
    AutoLock lock(&m_mutex);
    m_sender = std::make_unique<MsgThread>(&m_clientSocket, m_log, m_address);
}

void FingoServer::destroySender() {
    AutoLock lock(&m_mutex);
    m_sender.reset();
}

} // namespace Fingo
