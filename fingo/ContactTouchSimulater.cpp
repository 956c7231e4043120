#include "ContactTouchSimulater.h"

#include "PixelCoordinate.h"

namespace Fingo {

namespace {

// Half the side of the square contact area around a touch, in pixels.
constexpr int kContactRadius = 2;

int clampToScreen(double coordinate, int screenExtent) {
    if (coordinate < 0)
        return 0;
    if (coordinate > screenExtent - 1)
        return screenExtent - 1;
    return truncateToPixel(coordinate);
}

} // namespace

ContactTouchSimulater::ContactTouchSimulater(const Logger& log)
    : m_log(log) {}

TouchContact ContactTouchSimulater::contactFor(const TouchPoint& point) {
    const ScreenSize screen = screenSize();
    TouchContact contact;
    contact.pointerId = point.pointerId;
    contact.x = clampToScreen(point.x, screen.width);
    contact.y = clampToScreen(point.y, screen.height);
    contact.left = contact.x - kContactRadius;
    contact.top = contact.y - kContactRadius;
    contact.right = contact.x + kContactRadius;
    contact.bottom = contact.y + kContactRadius;
    return contact;
}

bool ContactTouchSimulater::inject(int count, const TouchPoint* points) {
    if (!touchAvailable())
        return false;
    std::vector<TouchContact> contacts;
    contacts.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
    for (int i = 0; i < count; ++i) {
        TouchContact contact = contactFor(points[i]);
        switch (points[i].action) {
        case TouchPoint::Down:
            contact.pointerFlags = TouchContact::Down;
            m_log.log(Logger::Detail, "inject action: down.");
            break;
        case TouchPoint::Up:
            contact.pointerFlags = TouchContact::Up;
            m_log.log(Logger::Detail, "inject action: up.");
            break;
        case TouchPoint::Update:
            contact.pointerFlags = TouchContact::Update;
            m_log.log(Logger::Detail, "inject action: update.");
            break;
        default:
            m_log.log(Logger::Detail, "Get a wrong action touch event: type=%d", points[i].action);
            return false;
        }
        contacts.push_back(contact);
    }
    if (!injectContacts(contacts)) {
        m_log.log(Logger::Error, "inject fail:%lu.", lastError());
        return false;
    }
    return true;
}

} // namespace Fingo
