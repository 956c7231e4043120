#pragma once

#include "gatekit/Result.h"

#include <string>

namespace gatekit {

// Values of the rule properties, as the Windows Firewall numbers them.
constexpr long kAnyProtocol = 256;
constexpr long kAllProfiles = 0x7FFFFFFF;
constexpr long kActionAllow = 1;
constexpr long kDirectionIn = 1;
constexpr long kDirectionOut = 2;

// A rule being prepared: its properties are set one by one before it is added
// to a rule collection of the same store.
class FirewallRule {
public:
    virtual ~FirewallRule() = default;
    virtual Result setName(const std::wstring& name) = 0;
    virtual Result setDescription(const std::wstring& description) = 0;
    virtual Result setProtocol(long protocol) = 0;
    virtual Result setLocalPorts(const std::wstring& ports) = 0;
    virtual Result setGrouping(const std::wstring& grouping) = 0;
    virtual Result setInterfaceTypes(const std::wstring& types) = 0;
    virtual Result setProfiles(long profiles) = 0;
    virtual Result setAction(long action) = 0;
    virtual Result setApplicationName(const std::wstring& path) = 0;
    virtual Result setDirection(long direction) = 0;
    virtual Result setEnabled(bool enabled) = 0;
};

} // namespace gatekit
