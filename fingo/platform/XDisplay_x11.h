#pragma once

#include "Logger.h"
#include "ScreenSize.h"

#include <memory>

typedef struct _XDisplay Display;

namespace Fingo {

// A connection to the X display of $DISPLAY that offers the XTest extension.
// Used by one thread at a time.
class XDisplay {
public:
    // Null, with an error line, when the display or XTest is missing.
    static std::unique_ptr<XDisplay> open(const Logger& log);
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    Display* get() const { return m_display; }
    int screen() const;
    ScreenSize screenSize() const;

private:
    explicit XDisplay(Display* display);

    Display* m_display;
};

} // namespace Fingo
