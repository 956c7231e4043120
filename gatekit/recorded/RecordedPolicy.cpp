#include "gatekit/recorded/RecordedPolicy.h"

#include "gatekit/recorded/RecordedRuleCollection.h"
#include "gatekit/recorded/RuleFile.h"

#include <cstdio>
#include <utility>

namespace gatekit {

RecordedPolicy::RecordedPolicy(std::string path)
    : path_(std::move(path)) {}

Result RecordedPolicy::openRules(std::unique_ptr<RuleCollection>& rules) {
    auto file = std::make_unique<RuleFile>(path_);
    std::vector<RuleRecord> records;
    Result result = file->lock();
    if (succeeded(result))
        result = file->read(records);
    if (!succeeded(result)) {
        std::fprintf(stderr, "gatekit: %s\n", file->error().c_str());
        return result;
    }
    rules = std::make_unique<RecordedRuleCollection>(std::move(file), std::move(records));
    return kOk;
}

Result RecordedPolicy::currentProfileTypes(long& types) {
    types = kAllProfiles;
    return kOk;
}

} // namespace gatekit
