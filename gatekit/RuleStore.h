#pragma once

#include "gatekit/FirewallPolicy.h"
#include "gatekit/FirewallRule.h"
#include "gatekit/Result.h"

#include <memory>

namespace gatekit {

// Where firewall rules live: the Windows Firewall, or the recorded stand-in on
// systems without per-program rules. A session brackets all other calls.
class RuleStore {
public:
    virtual ~RuleStore() = default;
    // Succeeds (kOk or kFalse) when the caller must end the session later;
    // kChangedMode means the session is usable but must not be ended.
    virtual Result beginSession() = 0;
    virtual void endSession() = 0;
    virtual Result openPolicy(std::unique_ptr<FirewallPolicy>& policy) = 0;
    virtual Result createRule(std::unique_ptr<FirewallRule>& rule) = 0;
};

} // namespace gatekit
