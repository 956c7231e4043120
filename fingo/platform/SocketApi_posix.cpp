#include "platform/SocketApi.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Fingo {

bool SocketApi::startup() {
    return true;
}

void SocketApi::cleanup() {}

unsigned long SocketApi::lastError() {
    return static_cast<unsigned long>(errno);
}

SocketHandle SocketApi::createTcpSocket() {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return kInvalidSocket;
    // A restarted server must get its port back while old connections linger.
    const int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    return socket;
}

bool SocketApi::bindTo(SocketHandle socket, const std::string& address, int port) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    // inet_addr would turn text that is no address into 255.255.255.255,
    // which Linux lets a socket bind to: refuse both, as Windows does.
    if (inet_aton(address.c_str(), &local.sin_addr) == 0 ||
        local.sin_addr.s_addr == htonl(INADDR_BROADCAST)) {
        errno = EADDRNOTAVAIL;
        return false;
    }
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    return ::bind(static_cast<int>(socket), reinterpret_cast<const sockaddr*>(&local),
                  sizeof local) == 0;
}

bool SocketApi::listenOn(SocketHandle socket, int backlog) {
    return ::listen(static_cast<int>(socket), backlog) == 0;
}

int SocketApi::boundPort(SocketHandle socket) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return -1;
    return ntohs(local.sin_port);
}

SocketHandle SocketApi::acceptClient(SocketHandle listener, std::string& ip, int& port) {
    for (;;) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        const int client = accept4(static_cast<int>(listener), reinterpret_cast<sockaddr*>(&peer),
                                   &length, SOCK_CLOEXEC);
        if (client >= 0) {
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
            ip = text;
            port = ntohs(peer.sin_port);
            return client;
        }
        // A connection reset before it was taken, or a signal, must not end
        // the server: only a real failure of the listener does.
        if (errno != EINTR && errno != ECONNABORTED && errno != EPROTO)
            return kInvalidSocket;
    }
}

long SocketApi::receive(SocketHandle socket, char* buffer, std::size_t size) {
    for (;;) {
        errno = 0; // a peer that closes cleanly reports error 0
        const ssize_t count = ::recv(static_cast<int>(socket), buffer, size, 0);
        if (count >= 0 || errno != EINTR)
            return static_cast<long>(count);
    }
}

long SocketApi::sendSome(SocketHandle socket, const char* data, std::size_t size) {
    for (;;) {
        // MSG_NOSIGNAL: a vanished peer must not kill the host with SIGPIPE.
        const ssize_t count = ::send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
        if (count >= 0 || errno != EINTR)
            return static_cast<long>(count);
    }
}

void SocketApi::abort(SocketHandle& socket) {
    // Closing a descriptor does not wake a thread blocked on it; shutting it
    // down does, for accept as well as recv.
    if (socket != kInvalidSocket)
        ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}

void SocketApi::close(SocketHandle& socket) {
    if (socket != kInvalidSocket)
        ::close(static_cast<int>(socket));
    socket = kInvalidSocket;
}

} // namespace Fingo
