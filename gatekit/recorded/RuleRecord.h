#pragma once

#include <string>

namespace gatekit {

// One rule as the recorded store keeps it: every property the library sets.
struct RuleRecord {
    std::wstring name;
    std::wstring description;
    long protocol = 0;
    std::wstring localPorts;
    std::wstring grouping;
    std::wstring interfaceTypes;
    long profiles = 0;
    long action = 0;
    std::wstring applicationName;
    long direction = 0;
    bool enabled = false;

    bool operator==(const RuleRecord& other) const;
    bool operator!=(const RuleRecord& other) const { return !(*this == other); }
};

} // namespace gatekit
