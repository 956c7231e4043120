#pragma once

#include "FaultPlan.h"
#include "gatekit/RuleStore.h"

#include <memory>
#include <string>
#include <vector>

namespace gatekit {

// A rule store around another one that writes every call, including the
// releases of the objects it handed out, to a journal, and forces the results
// its fault plan names. A forced failure does not reach the inner store; a
// forced success does, and replaces the inner result.
class InstrumentedRuleStore : public RuleStore {
public:
    using Journal = std::vector<std::string>;

    // `journal` may be null.
    InstrumentedRuleStore(std::unique_ptr<RuleStore> inner, std::shared_ptr<FaultPlan> plan,
                          std::shared_ptr<Journal> journal);
    ~InstrumentedRuleStore() override;

    Result beginSession() override;
    void endSession() override;
    Result openPolicy(std::unique_ptr<FirewallPolicy>& policy) override;
    Result createRule(std::unique_ptr<FirewallRule>& rule) override;

    struct Instruments;

private:
    std::unique_ptr<RuleStore> inner_;
    std::shared_ptr<Instruments> instruments_;
};

} // namespace gatekit
