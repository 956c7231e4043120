#include "DeviceConnection.h"

#include "SendAll.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

DeviceConnection::~DeviceConnection() {
    close();
}

bool DeviceConnection::connectTo(const std::string& address, int port) {
    close();
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        return false;
    const int on = 1;
    setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<uint16_t>(port));
    return inet_pton(AF_INET, address.c_str(), &server.sin_addr) == 1 &&
           ::connect(m_socket, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0;
}

bool DeviceConnection::sendAll(const char* data, std::size_t size) {
    return ::sendAll(m_socket, data, size);
}

void DeviceConnection::close() {
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
}
