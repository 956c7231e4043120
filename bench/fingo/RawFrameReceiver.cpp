#include "RawFrameReceiver.h"

#include "TCPFrame.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

RawFrameReceiver::RawFrameReceiver(std::shared_ptr<InjectionCounter> counter)
    : m_counter(std::move(counter)) {}

RawFrameReceiver::~RawFrameReceiver() {
    if (m_listener >= 0)
        ::shutdown(m_listener, SHUT_RDWR);
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
}

int RawFrameReceiver::start(const std::string& address) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (m_listener < 0 || inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
        ::bind(m_listener, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(m_listener, 1) != 0)
        return 0;
    socklen_t length = sizeof local;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&local), &length);
    m_thread = std::thread([this] { serve(); });
    return ntohs(local.sin_port);
}

void RawFrameReceiver::serve() {
    const int connection = ::accept(m_listener, nullptr, nullptr);
    if (connection < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t received = ::recv(connection, buffer, sizeof buffer, 0);
        if (received <= 0)
            break;
        for (ssize_t i = 0; i < received; ++i) {
            if (static_cast<unsigned char>(buffer[i]) == Fingo::TCPFrame::kEnd)
                m_counter->record();
        }
    }
    ::close(connection);
}
