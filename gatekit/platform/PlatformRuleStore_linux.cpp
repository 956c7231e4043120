#include "gatekit/platform/PlatformRuleStore.h"

#include "gatekit/recorded/RecordedRuleStore.h"
#include "gatekit/recorded/RuleFileLocation.h"

namespace gatekit {

std::unique_ptr<RuleStore> createPlatformRuleStore() {
    return std::make_unique<RecordedRuleStore>(RuleFileLocation::path());
}

} // namespace gatekit
