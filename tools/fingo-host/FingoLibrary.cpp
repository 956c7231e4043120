#include "FingoLibrary.h"

namespace {

template <typename Function> bool assign(Function& target, void (*address)()) {
    target = reinterpret_cast<Function>(address);
    return target != nullptr;
}

} // namespace

bool FingoLibrary::load(const std::string& path) {
    if (!open(path))
        return false;
    const bool complete = assign(startFingoServer, resolve("startFingoServer")) &&
                          assign(closeFingoServer, resolve("closeFingoServer")) &&
                          assign(sendCursorShape, resolve("sendCursorShape")) &&
                          assign(sendCursorPosition, resolve("sendCursorPosition"));
    if (!complete)
        m_error = path + " lacks one of the four functions";
    return complete;
}
