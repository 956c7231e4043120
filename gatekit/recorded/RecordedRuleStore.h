#pragma once

#include "gatekit/RuleStore.h"

#include <string>

namespace gatekit {

// Keeps firewall rules in a text file instead of a firewall, for systems whose
// firewall cannot filter by program: the rules are recorded, not enforced.
// Several processes may use the same file at once.
class RecordedRuleStore : public RuleStore {
public:
    explicit RecordedRuleStore(std::string path);

    Result beginSession() override;
    void endSession() override;
    Result openPolicy(std::unique_ptr<FirewallPolicy>& policy) override;
    Result createRule(std::unique_ptr<FirewallRule>& rule) override;

private:
    std::string path_;
};

} // namespace gatekit
