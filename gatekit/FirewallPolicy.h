#pragma once

#include "gatekit/Result.h"
#include "gatekit/RuleCollection.h"

#include <memory>

namespace gatekit {

// The firewall's settings as a whole.
class FirewallPolicy {
public:
    virtual ~FirewallPolicy() = default;
    // On success `rules` holds the rule collection.
    virtual Result openRules(std::unique_ptr<RuleCollection>& rules) = 0;
    // The network profiles in force, as a bit mask.
    virtual Result currentProfileTypes(long& types) = 0;
};

} // namespace gatekit
