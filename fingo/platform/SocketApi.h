#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Fingo {

// Socket handles as one integer type on every platform (Windows sockets fit
// in it, and the invalid socket is -1 on both).
using SocketHandle = std::intptr_t;
constexpr SocketHandle kInvalidSocket = -1;

// The few socket calls the server needs: BSD sockets or Winsock.
class SocketApi {
public:
    // Winsock 2.1 on Windows; nothing to do elsewhere.
    static bool startup();
    static void cleanup();
    // The error code of the last failed call on this thread.
    static unsigned long lastError();

    static SocketHandle createTcpSocket();
    // address: dotted-decimal IPv4 text; port in host order.
    static bool bindTo(SocketHandle socket, const std::string& address, int port);
    static bool listenOn(SocketHandle socket, int backlog);
    static int boundPort(SocketHandle socket);
    // Blocks for the next connection; the peer's address as text and port.
    static SocketHandle acceptClient(SocketHandle listener, std::string& ip, int& port);
    // Like recv and send: the byte count, 0 when the peer closed, -1 on error.
    static long receive(SocketHandle socket, char* buffer, std::size_t size);
    static long sendSome(SocketHandle socket, const char* data, std::size_t size);

    // Makes every blocked and future call on the socket fail at once, from
    // another thread. On Windows this closes the socket (the handle becomes
    // invalid); elsewhere the descriptor stays for close().
    static void abort(SocketHandle& socket);
    static void close(SocketHandle& socket);
};

} // namespace Fingo
