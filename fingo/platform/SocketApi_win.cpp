#include "platform/SocketApi.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace Fingo {

namespace {

SOCKET native(SocketHandle socket) {
    return static_cast<SOCKET>(socket);
}

} // namespace

bool SocketApi::startup() {
    WSADATA data;
    const WORD version = MAKEWORD(2, 1);
    return WSAStartup(version, &data) == 0 && LOBYTE(data.wVersion) == 2 &&
           HIBYTE(data.wVersion) == 1;
}

void SocketApi::cleanup() {
    WSACleanup();
}

unsigned long SocketApi::lastError() {
    return static_cast<unsigned long>(WSAGetLastError());
}

SocketHandle SocketApi::createTcpSocket() {
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, 0);
    return socket == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(socket);
}

bool SocketApi::bindTo(SocketHandle socket, const std::string& address, int port) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = inet_addr(address.c_str());
    local.sin_port = htons(static_cast<u_short>(port));
    return ::bind(native(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool SocketApi::listenOn(SocketHandle socket, int backlog) {
    return ::listen(native(socket), backlog) == 0;
}

int SocketApi::boundPort(SocketHandle socket) {
    sockaddr_in local{};
    int length = sizeof local;
    if (getsockname(native(socket), reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return -1;
    return ntohs(local.sin_port);
}

SocketHandle SocketApi::acceptClient(SocketHandle listener, std::string& ip, int& port) {
    for (;;) {
        sockaddr_in peer{};
        int length = sizeof peer;
        const SOCKET client =
            ::accept(native(listener), reinterpret_cast<sockaddr*>(&peer), &length);
        if (client != INVALID_SOCKET) {
            ip = inet_ntoa(peer.sin_addr);
            port = ntohs(peer.sin_port);
            return static_cast<SocketHandle>(client);
        }
        // A connection reset before it was taken must not end the server.
        if (WSAGetLastError() != WSAECONNRESET)
            return kInvalidSocket;
    }
}

long SocketApi::receive(SocketHandle socket, char* buffer, std::size_t size) {
    return ::recv(native(socket), buffer, static_cast<int>(size), 0);
}

long SocketApi::sendSome(SocketHandle socket, const char* data, std::size_t size) {
    return ::send(native(socket), data, static_cast<int>(size), 0);
}

void SocketApi::abort(SocketHandle& socket) {
    // Closing a socket makes the calls blocked on it fail.
    if (socket != kInvalidSocket)
        closesocket(native(socket));
    socket = kInvalidSocket;
}

void SocketApi::close(SocketHandle& socket) {
    if (socket != kInvalidSocket)
        closesocket(native(socket));
    socket = kInvalidSocket;
}

} // namespace Fingo
