#include "MessageDispatcher.h"

#include <json/json.h>

#include <exception>
#include <vector>

namespace Fingo {

namespace {

// -1 for anything but the three actions (matched exactly).
std::int32_t touchActionFor(const std::string& action) {
    if (action == "action_down")
        return TouchPoint::Down;
    if (action == "action_up")
        return TouchPoint::Up;
    if (action == "action_update")
        return TouchPoint::Update;
    return -1;
}

bool parseObject(const std::string& text, Json::Value& message) {
    try {
        Json::Reader reader;
        return reader.parse(text, message, false) && message.isObject();
    } catch (const std::exception&) {
        // The reader throws instead of failing on very deep nesting.
        return false;
    }
}

// The device stamps events with its uptime in milliseconds, which passes
// 2^31 after about 25 days: the stamp is kept modulo 2^32, as the double-tap
// check compares stamps.
std::int32_t eventTimeOf(const Json::Value& value) {
    const std::uint64_t stamp = value.isUInt64() && !value.isInt64()
                                    ? value.asUInt64()
                                    : static_cast<std::uint64_t>(value.asInt64());
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(stamp));
}

} // namespace

MessageDispatcher::MessageDispatcher(const Logger& log, ITouchSimulater* touch,
                                     IKeyboardSimulater* keyboard, LongClickRule longClickAllowed)
    : m_log(log)
    , m_touch(touch)
    , m_keyboard(keyboard)
    , m_longClickAllowed(longClickAllowed) {}

void MessageDispatcher::dispatch(const std::string& text) {
    Json::Value message;
    if (!parseObject(text, message))
        return;
    const Json::Value& type = message["type"];
    if (!type.isString())
        return;
    // jsoncpp throws when a member cannot be converted (a string where a
    // number belongs, a number beyond 32 bits, an object indexed like an
    // array): such a message is dropped, the server keeps serving.
    try {
        const std::string name = type.asString();
        if (name == "motion_event")
            handleMotionEvent(message);
        else if (name == "long_click")
            handleLongClick(message);
        else if (name == "keyboard_event")
            handleKeyboardEvent(message);
    } catch (const std::exception& error) {
        m_log.log(Logger::Error, "Drop a message with a bad member: %s", error.what());
    }
}

void MessageDispatcher::handleMotionEvent(const Json::Value& message) {
    const Json::Value& pointers = message["motion_event"];
    const Json::ArrayIndex count = pointers.isArray() || pointers.isObject() ? pointers.size() : 0;
    std::vector<TouchPoint> points(count);
    for (Json::ArrayIndex i = 0; i < count; ++i) {
        const Json::Value& pointer = pointers[i];
        TouchPoint& point = points[i];
        point.x = pointer["x"].asDouble();
        point.y = pointer["y"].asDouble();
        point.pointerId = pointer["pointerId"].asInt();
        point.eventTime = eventTimeOf(pointer["eventTime"]);
        const std::string action = pointer["action"].asString();
        point.action = touchActionFor(action);
        point.longClick = false;
        if (point.action < 0) {
            m_log.log(Logger::Error, "Get a wrong action touch event: type=%s.", action.c_str());
            return;
        }
    }
    rememberContacts(points);
    m_touch->inject(static_cast<int>(count), points.data());
}

void MessageDispatcher::rememberContacts(const std::vector<TouchPoint>& points) {
    for (const TouchPoint& point : points) {
        if (point.action == TouchPoint::Up)
            m_heldContacts.erase(point.pointerId);
        else if (point.action == TouchPoint::Down || m_heldContacts.count(point.pointerId) != 0)
            m_heldContacts[point.pointerId] = point;
    }
}

void MessageDispatcher::releaseHeldInput() {
    if (!m_heldContacts.empty()) {
        std::vector<TouchPoint> lifts;
        for (const auto& held : m_heldContacts) {
            TouchPoint lift = held.second;
            lift.action = TouchPoint::Up;
            lifts.push_back(lift);
        }
        m_heldContacts.clear();
        m_log.log(Logger::Information, "Release %d touch contact(s) left down.",
                  static_cast<int>(lifts.size()));
        m_touch->inject(static_cast<int>(lifts.size()), lifts.data());
    }
    if (!m_heldKeys.empty()) {
        m_log.log(Logger::Information, "Release %d key(s) left down.",
                  static_cast<int>(m_heldKeys.size()));
        for (const std::uint16_t key : m_heldKeys)
            m_keyboard->sendKey(key, true);
        m_heldKeys.clear();
    }
}

void MessageDispatcher::handleLongClick(const Json::Value& message) {
    if (m_longClickAllowed == nullptr || !m_longClickAllowed())
        return;
    TouchPoint point{};
    point.x = message["pos_x"].asDouble();
    point.y = message["pos_y"].asDouble();
    point.action = TouchPoint::Up;
    point.longClick = true;
    m_touch->inject(1, &point);
}

void MessageDispatcher::handleKeyboardEvent(const Json::Value& message) {
    const auto virtualKey = static_cast<std::uint16_t>(message["key_value"].asUInt());
    const std::string action = message["action"].asString();
    if (action == "action_down") {
        m_heldKeys.insert(virtualKey);
        m_keyboard->sendKey(virtualKey, false);
    } else if (action == "action_up") {
        m_heldKeys.erase(virtualKey);
        m_keyboard->sendKey(virtualKey, true);
    } else
        m_log.log(Logger::Error, "Get a wrong keyboard event");
}

} // namespace Fingo
