#include "LoopbackClient.h"

#include "TCPFrame.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

LoopbackClient::~LoopbackClient() {
    close();
}

bool LoopbackClient::connectTo(int port, const char* address) {
    close();
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address, &server.sin_addr);
    return m_socket >= 0 &&
           ::connect(m_socket, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0;
}

void LoopbackClient::adopt(int socket) {
    close();
    m_socket = socket;
}

bool LoopbackClient::sendBytes(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count =
            ::send(m_socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0)
            return false;
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

bool LoopbackClient::sendMessage(const std::string& json) {
    return sendBytes(Fingo::TCPFrame::encode(std::string(json.c_str(), json.size() + 1)));
}

bool LoopbackClient::receiveMore(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || m_closedByPeer)
        return false;
    pollfd ready{m_socket, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
        return false;
    char buffer[4096];
    const ssize_t count = ::recv(m_socket, buffer, sizeof buffer, 0);
    if (count <= 0) {
        m_closedByPeer = true;
        return false;
    }
    m_pending.append(buffer, static_cast<std::size_t>(count));
    return true;
}

std::string LoopbackClient::readFrame(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::size_t start = m_pending.find(static_cast<char>(Fingo::TCPFrame::kStart));
        const std::size_t end = m_pending.find(static_cast<char>(Fingo::TCPFrame::kEnd), start);
        if (start != std::string::npos && end != std::string::npos) {
            std::string frame = m_pending.substr(start, end - start + 1);
            m_pending.erase(0, end + 1);
            return frame;
        }
        if (!receiveMore(deadline))
            return {};
    }
}

bool LoopbackClient::waitForClose(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (receiveMore(deadline)) {
    }
    return m_closedByPeer;
}

void LoopbackClient::close() {
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
    m_pending.clear();
    m_closedByPeer = false;
}
