#pragma once

#include "gatekit/FirewallPolicy.h"

#include <string>

namespace gatekit {

// The recorded store's policy: all profiles count as current, and the rule
// collection is the rule file at `path`.
class RecordedPolicy : public FirewallPolicy {
public:
    explicit RecordedPolicy(std::string path);

    // Waits for the file's lock; a file that cannot be read is reported on
    // standard error and not opened.
    Result openRules(std::unique_ptr<RuleCollection>& rules) override;
    Result currentProfileTypes(long& types) override;

private:
    std::string path_;
};

} // namespace gatekit
