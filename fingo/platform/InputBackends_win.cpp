#include "InputBackends.h"

#include "platform/SendInputKeyboard_win.h"
#include "platform/Win7TouchSimulater_win.h"
#include "platform/Win8TouchSimulater_win.h"

#include <windows.h>

namespace Fingo {

namespace {

// The version the system reports to this process (it depends on the host's
// manifest).
OSVERSIONINFOW windowsVersion() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExW(&version);
    return version;
}

// Long clicks become right clicks below Windows 8 only.
bool belowWindows8() {
    const OSVERSIONINFOW version = windowsVersion();
    return (version.dwMajorVersion * 100 + version.dwMinorVersion) * 10 < 6020;
}

} // namespace

// Touch injection on Windows 8 (6.2) exactly, the mouse everywhere else.
InputBackends InputBackends::createForPlatform(const Logger& log) {
    InputBackends backends;
    const OSVERSIONINFOW version = windowsVersion();
    if (version.dwMajorVersion * 1000 + version.dwMinorVersion * 10 == 6020) {
        log.log(Logger::Detail, "Simulater type: Win8TouchSimulater.");
        backends.touch = std::make_unique<Win8TouchSimulater>(log);
    } else {
        log.log(Logger::Detail, "Simulater type: Win7TouchSimulater.");
        backends.touch = std::make_unique<Win7TouchSimulater>(log);
    }
    backends.keyboard = std::make_unique<SendInputKeyboard>(log);
    backends.longClickAllowed = &belowWindows8;
    return backends;
}

} // namespace Fingo
