#pragma once

#include "gatekit/FirewallRule.h"
#include "gatekit/Result.h"

#include <string>

namespace gatekit {

// The firewall's rules. Releasing the collection (destroying it) ends the
// caller's access to them.
class RuleCollection {
public:
    virtual ~RuleCollection() = default;
    // kNotFound when no rule has that name (where the platform tells).
    virtual Result remove(const std::wstring& name) = 0;
    // `rule` must come from the same store's createRule.
    virtual Result add(FirewallRule& rule) = 0;
};

} // namespace gatekit
