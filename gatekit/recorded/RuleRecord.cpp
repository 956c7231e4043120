#include "gatekit/recorded/RuleRecord.h"

#include <tuple>

namespace gatekit {

bool RuleRecord::operator==(const RuleRecord& other) const {
    auto fields = [](const RuleRecord& r) {
        return std::tie(r.name, r.description, r.protocol, r.localPorts, r.grouping,
                        r.interfaceTypes, r.profiles, r.action, r.applicationName, r.direction,
                        r.enabled);
    };
    return fields(*this) == fields(other);
}

} // namespace gatekit
