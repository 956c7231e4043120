#include "gatekit/recorded/RuleFileLocation.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace RuleFileLocation {
namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string homeFolder() {
    std::string home = variable("HOME");
    if (home.empty()) {
        if (const passwd* user = getpwuid(getuid()))
            home = user->pw_dir ? user->pw_dir : "";
    }
    return home;
}

} // namespace

std::string path() {
    const std::string chosen = variable(kVariable);
    if (!chosen.empty())
        return chosen;
    std::string state = variable("XDG_STATE_HOME");
    if (state.empty() || state[0] != '/') {
        const std::string home = homeFolder();
        if (home.empty())
            return std::string();
        state = home + "/.local/state";
    }
    return state + "/gatekit/rules";
}

} // namespace RuleFileLocation
