#pragma once

#include "gatekit/FirewallRule.h"
#include "gatekit/recorded/RuleRecord.h"

namespace gatekit {

// A rule being prepared for the recorded store: its properties are kept as
// they are set.
class RecordedRule : public FirewallRule {
public:
    const RuleRecord& record() const { return record_; }

    Result setName(const std::wstring& v) override { return keep(&RuleRecord::name, v); }
    Result setDescription(const std::wstring& v) override {
        return keep(&RuleRecord::description, v);
    }
    Result setProtocol(long v) override { return keep(&RuleRecord::protocol, v); }
    Result setLocalPorts(const std::wstring& v) override {
        return keep(&RuleRecord::localPorts, v);
    }
    Result setGrouping(const std::wstring& v) override { return keep(&RuleRecord::grouping, v); }
    Result setInterfaceTypes(const std::wstring& v) override {
        return keep(&RuleRecord::interfaceTypes, v);
    }
    Result setProfiles(long v) override { return keep(&RuleRecord::profiles, v); }
    Result setAction(long v) override { return keep(&RuleRecord::action, v); }
    Result setApplicationName(const std::wstring& v) override {
        return keep(&RuleRecord::applicationName, v);
    }
    Result setDirection(long v) override { return keep(&RuleRecord::direction, v); }
    Result setEnabled(bool v) override { return keep(&RuleRecord::enabled, v); }

private:
    template <typename Value> Result keep(Value RuleRecord::*property, const Value& value) {
        record_.*property = value;
        return kOk;
    }

    RuleRecord record_;
};

} // namespace gatekit
