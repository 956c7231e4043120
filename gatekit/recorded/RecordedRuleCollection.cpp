#include "gatekit/recorded/RecordedRuleCollection.h"

#include "gatekit/recorded/RecordedRule.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

namespace gatekit {

RecordedRuleCollection::RecordedRuleCollection(std::unique_ptr<RuleFile> file,
                                               std::vector<RuleRecord> rules)
    : file_(std::move(file))
    , rules_(std::move(rules)) {}

Result RecordedRuleCollection::remove(const std::wstring& name) {
    std::vector<RuleRecord> kept;
    std::copy_if(rules_.begin(), rules_.end(), std::back_inserter(kept),
                 [&](const RuleRecord& rule) { return rule.name != name; });
    if (kept.size() == rules_.size())
        return kNotFound;
    return store(std::move(kept));
}

Result RecordedRuleCollection::add(FirewallRule& rule) {
    const auto* recorded = dynamic_cast<const RecordedRule*>(&rule);
    if (recorded == nullptr || recorded->record().name.empty())
        return kInvalidArgument;
    std::vector<RuleRecord> changed = rules_;
    changed.push_back(recorded->record());
    return store(std::move(changed));
}

Result RecordedRuleCollection::store(std::vector<RuleRecord> rules) {
    const Result result = file_->write(rules);
    if (!succeeded(result)) {
        std::fprintf(stderr, "gatekit: %s\n", file_->error().c_str());
        return result;
    }
    rules_ = std::move(rules);
    return kOk;
}

} // namespace gatekit
