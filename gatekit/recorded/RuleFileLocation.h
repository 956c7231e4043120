#pragma once

#include <string>

namespace RuleFileLocation {

// The environment variable that names the rule file; tests and packagers set it.
constexpr const char* kVariable = "GATEKIT_RULES_FILE";

// $GATEKIT_RULES_FILE when set, else "gatekit/rules" in the user's state
// folder ($XDG_STATE_HOME, or ~/.local/state when that is unset or not an
// absolute path); empty when no home folder is known either.
std::string path();

} // namespace RuleFileLocation
