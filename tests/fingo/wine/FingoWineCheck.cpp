// Runs under Wine (scripts/check-windows): loads Fingo.dll the way a host
// does, connects to its server as a device, sends a move and checks that the
// cursor followed, then checks that a cursor position comes back as a frame.
// Wine reports Windows 6.1, so the mouse back end is the one at work.
#include "FingoLibrary.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h first
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::atomic<int> g_port{0};
std::atomic<bool> g_failedToStart{false};
std::atomic<bool> g_senderRunning{false};
std::atomic<bool> g_closed{false};

void onState(int state, int port) {
    if (state == 1)
        g_port = port;
    else
        g_failedToStart = true;
}

void onClosed(const char* reason) {
    std::printf("onClosed %s\n", reason);
    g_closed = std::string(reason) == "Close by caller";
}

void onLog(int level, const char* text) {
    std::printf("onLog %d %s\n", level, text);
    if (std::string(text) == "msg thread started.")
        g_senderRunning = true;
}

void onClient(const char* ip, int port) {
    std::printf("onClientConnected %s %d\n", ip, port);
}

const ServerCallbacks g_callbacks = {&onState, &onClosed, &onLog, &onClient, nullptr};

// Waits for a condition, polling: the callbacks arrive on the library's threads.
template <typename Condition> bool waitFor(Condition condition, DWORD milliseconds = 10000) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (!condition()) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(10);
    }
    return true;
}

bool fail(const char* what) {
    std::printf("FAIL: %s\n", what);
    std::fflush(stdout);
    return false;
}

std::string frameOf(const std::string& json) {
    std::string frame(1, '\x7E');
    for (char c : json + std::string(1, '\0')) {
        if (c == '\x7D' || c == '\x7E' || c == '\x7F') {
            frame += '\x7D';
            frame += static_cast<char>(c - 0x20);
        } else {
            frame += c;
        }
    }
    return frame + '\x7F';
}

std::string readFrame(SOCKET device) {
    std::string received;
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (received.empty() || received.back() != '\x7F') {
        if (GetTickCount64() > deadline)
            return {};
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(device, &readable);
        timeval wait{0, 100000};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
            continue;
        char buffer[4096];
        const int count = recv(device, buffer, sizeof buffer, 0);
        if (count <= 0)
            return {};
        received.append(buffer, static_cast<size_t>(count));
    }
    return received;
}

bool cursorNear(int x, int y) {
    POINT cursor{};
    GetCursorPos(&cursor);
    // Absolute mouse input is normalised to 0..65535: allow one pixel.
    return std::abs(cursor.x - x) <= 1 && std::abs(cursor.y - y) <= 1;
}

bool check(FingoLibrary& fingo) {
    SetCursorPos(5, 5);
    fingo.startFingoServer("127.0.0.1", 0, &g_callbacks);
    if (!waitFor([] { return g_port != 0 || g_failedToStart; }) || g_port == 0)
        return fail("the server did not start");
    std::printf("listening on port %d\n", g_port.load());

    SOCKET device = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<u_short>(g_port.load()));
    server.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (connect(device, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0)
        return fail("cannot connect to the server");
    if (!waitFor([] { return g_senderRunning.load(); }))
        return fail("the device was not taken");

    const std::string move = frameOf(R"({"type":"motion_event","motion_event":[)"
                                     R"({"pointerId":0,"x":200,"y":150,"eventTime":1,)"
                                     R"("action":"action_update"}]})");
    send(device, move.data(), static_cast<int>(move.size()), 0);
    if (!waitFor([] { return cursorNear(200, 150); }))
        return fail("the cursor did not move to (200, 150)");
    std::printf("cursor moved to (200, 150)\n");

    if (!fingo.sendCursorPosition(10, 20))
        return fail("sendCursorPosition refused");
    const std::string frame = readFrame(device);
    if (frame.size() < 4 || frame.compare(frame.size() - 2, 2, std::string("\x00\x7F", 2)) != 0)
        return fail("no frame ending in 00 7F came back");
    if (frame.find("\"type\" : \"cursor_pos\"") == std::string::npos ||
        frame.find("\"pos_x\" : 10,") == std::string::npos ||
        frame.find("\"pos_y\" : 20,") == std::string::npos)
        return fail("the frame is not the cursor position");
    std::printf("cursor_pos frame received (%u bytes)\n", static_cast<unsigned>(frame.size()));

    closesocket(device);
    fingo.closeFingoServer();
    if (!g_closed)
        return fail("no \"Close by caller\"");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    FingoLibrary fingo;
    if (!fingo.load(argc > 1 ? argv[1] : FingoLibrary::defaultPath())) {
        std::printf("FAIL: %s\n", fingo.error().c_str());
        return 1;
    }
    const bool passed = check(fingo);
    WSACleanup();
    std::printf(passed ? "wine check passed\n" : "wine check failed\n");
    return passed ? 0 : 1;
}
