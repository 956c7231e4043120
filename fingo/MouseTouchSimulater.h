#pragma once

#include "ITouchSimulater.h"
#include "Logger.h"

namespace Fingo {

// Emulates one finger with the mouse: the first point of a batch presses,
// moves or releases the left button. A second press shortly after a release
// and close to it lands exactly on the release position, so that a double
// tap becomes a double click; a long click becomes a right click.
// Subclasses send the mouse input to their platform.
class MouseTouchSimulater : public ITouchSimulater {
public:
    // Mouse input flags, with the values Windows gives them.
    enum Flag : unsigned {
        Move = 0x0001,
        LeftDown = 0x0002,
        LeftUp = 0x0004,
        RightDown = 0x0008,
        RightUp = 0x0010,
        Absolute = 0x8000,
    };

    struct MouseInput {
        int x = 0; // primary-screen pixels
        int y = 0;
        unsigned flags = 0;
    };

    explicit MouseTouchSimulater(const Logger& log);

    bool inject(int count, const TouchPoint* points) override;

protected:
    virtual unsigned doubleClickTime() = 0;
    virtual bool sendMouseInput(const MouseInput& input) = 0;
    // The platform's error code of the last failed send.
    virtual unsigned long lastError() = 0;

    const Logger& log() const { return m_log; }

private:
    bool snapsToLastRelease(const TouchPoint& press);
    bool send(const MouseInput& input);

    Logger m_log;
    bool m_hasLastRelease = false;
    TouchPoint m_lastRelease{};
};

} // namespace Fingo
