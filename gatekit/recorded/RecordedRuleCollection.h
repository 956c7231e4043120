#pragma once

#include "gatekit/RuleCollection.h"
#include "gatekit/recorded/RuleFile.h"
#include "gatekit/recorded/RuleRecord.h"

#include <memory>
#include <vector>

namespace gatekit {

// The recorded rules, read once under the file's lock; every change is
// written back at once, and the lock is held until the collection is
// released.
class RecordedRuleCollection : public RuleCollection {
public:
    RecordedRuleCollection(std::unique_ptr<RuleFile> file, std::vector<RuleRecord> rules);

    // Removes every rule of that name.
    Result remove(const std::wstring& name) override;
    // Fails with kInvalidArgument for a rule of another store or without a name.
    Result add(FirewallRule& rule) override;

private:
    Result store(std::vector<RuleRecord> rules);

    std::unique_ptr<RuleFile> file_;
    std::vector<RuleRecord> rules_;
};

} // namespace gatekit
