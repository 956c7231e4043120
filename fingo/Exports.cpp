// The library's four exported functions. One server exists at a time.
#include "AutoLock.h"
#include "FingoServer.h"
#include "LocalMutex.h"

#include <Fingo.h>

#include <atomic>

namespace {

std::atomic<Fingo::FingoServer*> g_server{nullptr};
// Cursor calls hold it while they use the server; closing holds it while it
// takes the server away. The server serialises its cursor calls anyway, so a
// plain lock costs them nothing. (The library keeps to its own primitives:
// the Windows build's thread model has no std::shared_mutex.)
LocalMutex g_serverInUse;
// The callbacks of the start that created the current server.
const ServerCallbacks* g_callbacks = nullptr;

void refuseStart(const ServerCallbacks* callbacks) {
    if (callbacks == nullptr)
        return;
    if (callbacks->onState != nullptr)
        callbacks->onState(0, -1);
    if (callbacks->onLog != nullptr)
        callbacks->onLog(Fingo::Logger::Warning, "A server is running, close it first.");
}

} // namespace

extern "C" FINGO_API void startFingoServer(const char* address, int port,
                                           const ServerCallbacks* callbacks) {
    if (g_server.load() != nullptr) {
        refuseStart(callbacks);
        return;
    }
    g_callbacks = callbacks;
    auto* server = new Fingo::FingoServer(address, port, callbacks);
    g_server = server;
    if (!server->resume() && callbacks != nullptr && callbacks->onState != nullptr)
        callbacks->onState(0, -1);
}

extern "C" FINGO_API void closeFingoServer(void) {
    Fingo::FingoServer* server = nullptr;
    {
        // Waits for cursor calls using the server; later ones find none.
        AutoLock exclusive(&g_serverInUse);
        server = g_server.exchange(nullptr);
    }
    if (server == nullptr)
        return;
    delete server;
    if (g_callbacks != nullptr && g_callbacks->onClosed != nullptr)
        g_callbacks->onClosed("Close by caller");
}

extern "C" FINGO_API bool sendCursorShape(const char* shape, int width, int height) {
    AutoLock inUse(&g_serverInUse);
    Fingo::FingoServer* server = g_server.load();
    return server != nullptr && server->sendCursorShape(shape, width, height);
}

extern "C" FINGO_API bool sendCursorPosition(int x, int y) {
    AutoLock inUse(&g_serverInUse);
    Fingo::FingoServer* server = g_server.load();
    return server != nullptr && server->sendCursorPosition(x, y);
}
