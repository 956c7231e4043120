#include "platform/Win7TouchSimulater_win.h"

#include <windows.h>

namespace Fingo {

namespace {

// Pixels to the 0..65535 range of absolute mouse input (integer division).
LONG normalised(int pixel, int screenExtent) {
    return static_cast<LONG>(static_cast<long long>(pixel) * 65536 / screenExtent);
}

} // namespace

Win7TouchSimulater::Win7TouchSimulater(const Logger& log)
    : MouseTouchSimulater(log) {}

unsigned Win7TouchSimulater::doubleClickTime() {
    return GetDoubleClickTime();
}

bool Win7TouchSimulater::sendMouseInput(const MouseInput& input) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0)
        return false;
    INPUT mouse{};
    mouse.type = INPUT_MOUSE;
    mouse.mi.dx = normalised(input.x, width);
    mouse.mi.dy = normalised(input.y, height);
    mouse.mi.mouseData = 0;
    mouse.mi.dwFlags = input.flags;
    mouse.mi.time = 0;
    return SendInput(1, &mouse, sizeof(INPUT)) == 1;
}

unsigned long Win7TouchSimulater::lastError() {
    return GetLastError();
}

} // namespace Fingo
