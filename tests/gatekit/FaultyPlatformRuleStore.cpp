// The platform store of the test build of gatekit: the recorded store behind
// an InstrumentedRuleStore whose faults come from $GATEKIT_TEST_FAULTS (see
// FaultPlan::parse), so that programs linked against this build can be made
// to fail at any step of the store. Calls are counted over the whole process.
#include "gatekit/platform/PlatformRuleStore.h"

#include "InstrumentedRuleStore.h"
#include "gatekit/recorded/RecordedRuleStore.h"
#include "gatekit/recorded/RuleFileLocation.h"

#include <cstdio>
#include <cstdlib>

namespace gatekit {
namespace {

std::shared_ptr<FaultPlan> planFromEnvironment() {
    auto plan = std::make_shared<FaultPlan>();
    const char* text = std::getenv("GATEKIT_TEST_FAULTS");
    std::string error;
    if (text && !FaultPlan::parse(text, *plan, error)) {
        std::fprintf(stderr, "gatekit test store: GATEKIT_TEST_FAULTS: %s\n", error.c_str());
        std::abort();
    }
    return plan;
}

} // namespace

std::unique_ptr<RuleStore> createPlatformRuleStore() {
    static const std::shared_ptr<FaultPlan> plan = planFromEnvironment();
    return std::make_unique<InstrumentedRuleStore>(
        std::make_unique<RecordedRuleStore>(RuleFileLocation::path()), plan, nullptr);
}

} // namespace gatekit
