#pragma once

#include "gatekit/RuleStore.h"

#include <memory>

namespace gatekit {

// This system's firewall: the Windows Firewall on Windows; elsewhere the
// recorded stand-in, since Linux firewalls do not filter by program.
std::unique_ptr<RuleStore> createPlatformRuleStore();

} // namespace gatekit
