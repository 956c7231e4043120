// tavlo-bench-rawcopy: the reference a file transfer is measured against.
// One file over one TCP connection in blocks of a given size, nothing else:
// no protocol, no hash, no progress. The receiver writes every block to disk
// at its position, as the client does.
//
//   tavlo-bench-rawcopy receive ADDRESS OUT      prints "listening PORT", takes one
//                                                connection, writes what comes to OUT
//   tavlo-bench-rawcopy send ADDRESS PORT FILE BLOCK [--poll-each]
//                                                sends FILE in BLOCK-byte writes; with
//                                                --poll-each it waits for room in the
//                                                socket before every write, one poll
//                                                and one write per block
//
// Both print "bytes N seconds S" at the end (from the connection to the last
// byte written). Exit code 0 when every byte went through.
#include "SendAll.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t ReceiveBlock = 262144;

int failWith(const char* what) {
    std::fprintf(stderr, "tavlo-bench-rawcopy: %s: %s\n", what, std::strerror(errno));
    return 1;
}

bool parseAddress(const char* text, int port, sockaddr_in& address) {
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    return inet_pton(AF_INET, text, &address.sin_addr) == 1;
}

void printFigures(long long bytes, Clock::time_point start) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("bytes %lld seconds %.6f\n", bytes, seconds);
    std::fflush(stdout);
}

int receive(const char* addressText, const char* outPath) {
    sockaddr_in address;
    if (!parseAddress(addressText, 0, address)) {
        std::fprintf(stderr, "tavlo-bench-rawcopy: bad address %s\n", addressText);
        return 2;
    }
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0 ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 1) != 0)
        return failWith("listen");
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::printf("listening %d\n", ntohs(address.sin_port));
    std::fflush(stdout);

    const int connection = accept(listener, nullptr, nullptr);
    if (connection < 0)
        return failWith("accept");
    const Clock::time_point start = Clock::now();
    const int out = open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0)
        return failWith("open");
    std::vector<char> block(ReceiveBlock);
    long long position = 0;
    for (;;) {
        const ssize_t received = recv(connection, block.data(), block.size(), 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received < 0)
            return failWith("recv");
        if (received == 0)
            break;
        if (pwrite(out, block.data(), static_cast<std::size_t>(received), position) != received)
            return failWith("write");
        position += received;
    }
    if (close(out) != 0)
        return failWith("close");
    printFigures(position, start);
    close(connection);
    close(listener);
    return 0;
}

// Waits until the connection takes more bytes.
bool waitWritable(int connection) {
    pollfd entry{connection, POLLOUT, 0};
    for (;;) {
        const int ready = poll(&entry, 1, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        return ready == 1 && (entry.revents & POLLOUT) != 0;
    }
}

int sendFile(const char* addressText, int port, const char* path, long blockSize, bool pollEach) {
    sockaddr_in address;
    if (!parseAddress(addressText, port, address) || blockSize <= 0) {
        std::fprintf(stderr, "tavlo-bench-rawcopy: bad address, port or block size\n");
        return 2;
    }
    const int file = open(path, O_RDONLY);
    if (file < 0)
        return failWith("open");
    const int connection = socket(AF_INET, SOCK_STREAM, 0);
    if (connection < 0 ||
        connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return failWith("connect");
    const Clock::time_point start = Clock::now();
    std::vector<char> block(static_cast<std::size_t>(blockSize));
    long long position = 0;
    for (;;) {
        const ssize_t read = pread(file, block.data(), block.size(), position);
        if (read < 0)
            return failWith("read");
        if (read == 0)
            break;
        if (pollEach && !waitWritable(connection))
            return failWith("poll");
        if (!sendAll(connection, block.data(), static_cast<std::size_t>(read)))
            return failWith("send");
        position += read;
    }
    shutdown(connection, SHUT_WR);
    // The receiver closes once it wrote the last byte.
    char ignored;
    while (recv(connection, &ignored, 1, 0) > 0) {
    }
    printFigures(position, start);
    close(connection);
    close(file);
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: tavlo-bench-rawcopy receive ADDRESS OUT\n"
                         "       tavlo-bench-rawcopy send ADDRESS PORT FILE BLOCK "
                         "[--poll-each]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "receive") == 0)
        return receive(argv[2], argv[3]);
    if ((argc == 6 || argc == 7) && std::strcmp(argv[1], "send") == 0) {
        const bool pollEach = argc == 7 && std::strcmp(argv[6], "--poll-each") == 0;
        if (argc == 7 && !pollEach)
            return usage();
        return sendFile(argv[2], std::atoi(argv[3]), argv[4], std::atol(argv[5]), pollEach);
    }
    return usage();
}
