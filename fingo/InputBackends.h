#pragma once

#include "IKeyboardSimulater.h"
#include "ITouchSimulater.h"
#include "Logger.h"

#include <memory>

namespace Fingo {

// The injection back ends of one server, chosen by the platform when the
// server is built.
struct InputBackends {
    std::unique_ptr<ITouchSimulater> touch;
    std::unique_ptr<IKeyboardSimulater> keyboard;
    // Whether "long_click" messages reach the touch back end.
    bool (*longClickAllowed)() = nullptr;

    static InputBackends createForPlatform(const Logger& log);
};

} // namespace Fingo
