/*
 * Fingo, the remote-input library: a TCP server that receives a device's
 * touch, long-click and keyboard events and injects them into the PC, and
 * that sends the PC's cursor shape and position back to the device.
 *
 * A host program loads the library (or links it) and calls the four
 * functions below. Everything the library has to say goes back through the
 * callbacks the host hands to startFingoServer. Callbacks run on the
 * library's threads; they must return promptly and must not call the
 * library's functions.
 */
#ifndef FINGO_H
#define FINGO_H

#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(_WIN32)
#if defined(FINGO_BUILDING_LIBRARY)
#define FINGO_API __declspec(dllexport)
#else
#define FINGO_API __declspec(dllimport)
#endif
#else
#define FINGO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Host callbacks. The record must stay valid from startFingoServer until
 * closeFingoServer has returned; a null entry is skipped.
 *
 * onState(1, port) once the server listens (port actually bound);
 * onState(0, -1) when the start failed or was refused.
 * onClosed("Close by caller") once closeFingoServer has removed the server.
 * onLog(level, text): 0 error, 1 warning, 2 information, 4 detail; the
 * text is valid only during the call.
 * onClientConnected(ip, port) for every accepted device connection.
 * onClientDisconnected(ip, port) when serving ends without a close.
 */
typedef struct ServerCallbacks {
    void (*onState)(int state, int port);
    void (*onClosed)(const char* reason);
    void (*onLog)(int level, const char* text);
    void (*onClientConnected)(const char* ip, int port);
    void (*onClientDisconnected)(const char* ip, int port);
} ServerCallbacks;

/* Starts the one server on a dotted-decimal IPv4 address ("0.0.0.0" for
 * every interface) and port (0: the system picks one). */
FINGO_API void startFingoServer(const char* address, int port, const ServerCallbacks* callbacks);

/* Stops the server and its threads, then reports onClosed. */
FINGO_API void closeFingoServer(void);

/* Queue a message for the connected device; false when there is no server
 * or no device connected. They never wait for the network. */
FINGO_API bool sendCursorShape(const char* shape, int width, int height);
FINGO_API bool sendCursorPosition(int x, int y);

/* The same functions as pointer types, for hosts that load the library at
 * run time. */
typedef void (*StartFingoServerFunction)(const char*, int, const ServerCallbacks*);
typedef void (*CloseFingoServerFunction)(void);
typedef bool (*SendCursorShapeFunction)(const char*, int, int);
typedef bool (*SendCursorPositionFunction)(int, int);

#ifdef __cplusplus
}
#endif

#endif
