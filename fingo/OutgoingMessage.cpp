#include "OutgoingMessage.h"

#include <json/json.h>

namespace Fingo {

namespace {

// Value::toStyledString indents with tabs in current jsoncpp; the styled
// writer keeps the three-space layout devices expect.
std::string styled(const Json::Value& message) {
    return Json::StyledWriter().write(message);
}

} // namespace

std::string OutgoingMessage::cursorShape(const std::string& uuid, const std::string& shape,
                                         int width, int height) {
    Json::Value message(Json::objectValue);
    message["uuid"] = uuid;
    message["type"] = "cursor_shape";
    message["cursor_shape"] = shape;
    message["width"] = width;
    message["height"] = height;
    return styled(message);
}

std::string OutgoingMessage::cursorPosition(const std::string& uuid, int x, int y) {
    Json::Value message(Json::objectValue);
    message["uuid"] = uuid;
    message["type"] = "cursor_pos";
    message["pos_x"] = x;
    message["pos_y"] = y;
    return styled(message);
}

} // namespace Fingo
