#include "MouseTouchSimulater.h"

#include "PixelCoordinate.h"

#include <cstdint>

namespace Fingo {

namespace {
// How far (exclusive, in pixels on each axis) a second press may land from
// the last release and still be moved onto it.
constexpr double kSnapDistance = 30;
} // namespace

MouseTouchSimulater::MouseTouchSimulater(const Logger& log)
    : m_log(log) {}

bool MouseTouchSimulater::snapsToLastRelease(const TouchPoint& press) {
    if (!m_hasLastRelease)
        return false;
    // Unsigned, so that a press stamped before the release never qualifies.
    const std::uint32_t elapsed = static_cast<std::uint32_t>(press.eventTime) -
                                  static_cast<std::uint32_t>(m_lastRelease.eventTime);
    if (elapsed >= doubleClickTime())
        return false;
    const double dx = press.x - m_lastRelease.x;
    const double dy = press.y - m_lastRelease.y;
    return dx > -kSnapDistance && dx < kSnapDistance && dy > -kSnapDistance && dy < kSnapDistance;
}

bool MouseTouchSimulater::send(const MouseInput& input) {
    if (sendMouseInput(input))
        return true;
    m_log.log(Logger::Error, "simulate mouse fail:%lu", lastError());
    return false;
}

bool MouseTouchSimulater::inject(int count, const TouchPoint* points) {
    if (count <= 0 || points == nullptr)
        return false;
    const TouchPoint& point = points[0];
    MouseInput input;
    input.x = truncateToPixel(point.x);
    input.y = truncateToPixel(point.y);

    switch (point.action) {
    case TouchPoint::Down:
        if (snapsToLastRelease(point)) {
            input.x = truncateToPixel(m_lastRelease.x);
            input.y = truncateToPixel(m_lastRelease.y);
        }
        input.flags = Absolute | Move | LeftDown;
        m_log.log(Logger::Detail, "simulate mouse action: down.");
        break;
    case TouchPoint::Up:
        if (point.longClick) {
            input.flags = Absolute | RightDown;
            m_log.log(Logger::Detail, "simulate mouse action: right button down.");
            if (!sendMouseInput(input)) {
                m_log.log(Logger::Error, "simulate mouse right button down fail:%lu", lastError());
                return false;
            }
            input.flags = Absolute | RightUp;
            m_log.log(Logger::Detail, "simulate mouse action: right button up.");
        } else {
            m_lastRelease = point;
            m_hasLastRelease = true;
            input.flags = Absolute | LeftUp;
            m_log.log(Logger::Detail, "simulate mouse action: up.");
        }
        break;
    case TouchPoint::Update:
        input.flags = Absolute | Move;
        m_log.log(Logger::Detail, "simulate mouse action: move.");
        break;
    default:
        m_log.log(Logger::Warning, "Get a wrong action touch event: type=%d", point.action);
        return false;
    }
    return send(input);
}

} // namespace Fingo
