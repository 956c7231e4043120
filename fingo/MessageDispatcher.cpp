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
        point.eventTime = pointer["eventTime"].asInt();
        const std::string action = pointer["action"].asString();
        point.action = touchActionFor(action);
        point.longClick = false;
        if (point.action < 0) {
            m_log.log(Logger::Error, "Get a wrong action touch event: type=%s.", action.c_str());
            return;
        }
    }
    m_touch->inject(static_cast<int>(count), points.data());
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
    if (action == "action_down")
        m_keyboard->sendKey(virtualKey, false);
    else if (action == "action_up")
        m_keyboard->sendKey(virtualKey, true);
    else
        m_log.log(Logger::Error, "Get a wrong keyboard event");
}

} // namespace Fingo
