#pragma once

#include <cstddef>
#include <optional>
#include <string>

struct xcb_connection_t;

namespace Fingo {

// Reads the desktop's settings that the settings manager publishes on the
// X display (the XSETTINGS protocol). Uses its own XCB connection, whose
// errors come back as replies instead of ending the process.
class XSettings {
public:
    XSettings();
    ~XSettings();
    XSettings(const XSettings&) = delete;
    XSettings& operator=(const XSettings&) = delete;

    // "Net/DoubleClickTime", or 500 ms when the desktop publishes none.
    unsigned doubleClickTime();

    // An integer setting from the raw settings property.
    static std::optional<int> integerSetting(const unsigned char* data, std::size_t size,
                                             const std::string& name);

private:
    std::optional<int> readInteger(const std::string& name);

    xcb_connection_t* m_connection = nullptr;
    int m_screen = 0;
};

} // namespace Fingo
