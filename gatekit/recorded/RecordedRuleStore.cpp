#include "gatekit/recorded/RecordedRuleStore.h"

#include "gatekit/recorded/RecordedPolicy.h"
#include "gatekit/recorded/RecordedRule.h"

#include <utility>

namespace gatekit {

RecordedRuleStore::RecordedRuleStore(std::string path)
    : path_(std::move(path)) {}

Result RecordedRuleStore::beginSession() {
    return kOk;
}

void RecordedRuleStore::endSession() {}

Result RecordedRuleStore::openPolicy(std::unique_ptr<FirewallPolicy>& policy) {
    policy = std::make_unique<RecordedPolicy>(path_);
    return kOk;
}

Result RecordedRuleStore::createRule(std::unique_ptr<FirewallRule>& rule) {
    rule = std::make_unique<RecordedRule>();
    return kOk;
}

} // namespace gatekit
