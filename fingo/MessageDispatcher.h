#pragma once

#include "IKeyboardSimulater.h"
#include "ITouchSimulater.h"
#include "Logger.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace Json {
class Value;
}

namespace Fingo {

// Parses the device's messages and hands them to injection: "motion_event"
// batches and "long_click" to the touch back end, "keyboard_event" to the
// keyboard. Text that is not a JSON object and unknown types are ignored
// silently; a member of the wrong type or out of range drops the message
// with an error line instead of throwing. Contacts and keys the device
// pressed are remembered until it lifts them, so that a device that goes
// away mid-gesture does not leave a button or key held on the PC.
class MessageDispatcher {
public:
    // Whether long clicks are injected; asked for every long click.
    using LongClickRule = bool (*)();

    MessageDispatcher(const Logger& log, ITouchSimulater* touch, IKeyboardSimulater* keyboard,
                      LongClickRule longClickAllowed);

    void dispatch(const std::string& text);
    // Lifts every contact and key still down; called when the device's
    // connection ends.
    void releaseHeldInput();

private:
    void handleMotionEvent(const Json::Value& message);
    void handleLongClick(const Json::Value& message);
    void handleKeyboardEvent(const Json::Value& message);
    void rememberContacts(const std::vector<TouchPoint>& points);

    Logger m_log;
    ITouchSimulater* m_touch;
    IKeyboardSimulater* m_keyboard;
    LongClickRule m_longClickAllowed;
    std::map<std::int32_t, TouchPoint> m_heldContacts; // by pointer id
    std::set<std::uint16_t> m_heldKeys;
};

} // namespace Fingo
