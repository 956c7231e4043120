#pragma once

#include "gatekit/Result.h"

#include <map>
#include <string>
#include <vector>

namespace gatekit {

// Which store calls a test makes fail, by step name (the RuleStore,
// FirewallPolicy, RuleCollection and FirewallRule operation names, such as
// "openRules" or "add"), optionally only for the n-th call of that step.
class FaultPlan {
public:
    // Reads a comma-separated list of "step[:n][=result]", for example
    // "add:1" or "beginSession=0x80010106"; the result defaults to kFail.
    static bool parse(const std::string& text, FaultPlan& plan, std::string& error);

    // `call` 0: every call.
    void fail(const std::string& step, Result result = kFail, int call = 0);
    // Counts one call of `step`; true with `result` set when it is to be forced.
    bool forced(const std::string& step, Result& result);

private:
    struct Fault {
        std::string step;
        int call;
        Result result;
    };
    std::vector<Fault> faults_;
    std::map<std::string, int> calls_;
};

} // namespace gatekit
