#include "InputBackends.h"

#include "platform/UinputTouchSimulater_linux.h"
#include "platform/XTestKeyboard_x11.h"
#include "platform/XTestTouchSimulater_x11.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>

namespace Fingo {

namespace {

// A long press becomes a right click only where a mouse plays the finger;
// a touch screen has long presses of its own.
bool longClicksWithMouse() {
    return true;
}

bool noLongClicks() {
    return false;
}

bool backendRequested(const char* name) {
    const char* requested = std::getenv("FINGO_BACKEND");
    return requested != nullptr && std::strcmp(requested, name) == 0;
}

} // namespace

// The touch screen when uinput can be written (or FINGO_BACKEND=touch asks
// for it), otherwise the mouse; FINGO_BACKEND=mouse forces the mouse.
InputBackends InputBackends::createForPlatform(const Logger& log) {
    InputBackends backends;
    int uinput = -1;
    int openError = 0;
    if (!backendRequested("mouse")) {
        uinput = open("/dev/uinput", O_WRONLY | O_CLOEXEC);
        openError = errno;
    }
    if (uinput >= 0 || backendRequested("touch")) {
        log.log(Logger::Detail, "Simulater type: UinputTouchSimulater.");
        if (uinput >= 0) {
            backends.touch = UinputTouchSimulater::createDevice(log, uinput);
        } else {
            log.log(Logger::Error, "Open /dev/uinput fail:%d.", openError);
            backends.touch = std::make_unique<UinputTouchSimulater>(log, -1, ScreenSize{});
        }
        backends.longClickAllowed = &noLongClicks;
    } else {
        log.log(Logger::Detail, "Simulater type: XTestTouchSimulater.");
        backends.touch = std::make_unique<XTestTouchSimulater>(log);
        backends.longClickAllowed = &longClicksWithMouse;
    }
    backends.keyboard = std::make_unique<XTestKeyboard>(log);
    return backends;
}

} // namespace Fingo
