#pragma once

#include "gatekit/RuleStore.h"

#include <functional>
#include <string>

namespace gatekit {

// What a rule lets through, as the caller gives it.
struct RuleSettings {
    std::wstring name;
    std::wstring description;
    std::wstring localPorts;
    long protocol = kAnyProtocol;
    std::wstring applicationPath;
};

// The library's operations on a rule store. Every outcome, success or
// failure, becomes one message line for `report`; each failure ends the
// operation, and whatever was opened is released in reverse order.
class RuleOperations {
public:
    using Report = std::function<void(const std::string& message)>;

    RuleOperations(RuleStore& store, Report report);

    // Replaces the rule named settings.name by a new enabled allow rule for
    // every profile, in the given direction (kDirectionIn or kDirectionOut).
    void setRule(long direction, const RuleSettings& settings);
    void removeRule(const std::wstring& name);

private:
    RuleStore& store_;
    Report report_;
};

} // namespace gatekit
