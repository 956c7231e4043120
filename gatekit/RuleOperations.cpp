#include "gatekit/RuleOperations.h"

#include <cstdio>
#include <utility>

namespace gatekit {
namespace {

// Ends the store session when it goes out of scope, after everything opened
// later in the same scope has been released.
class StoreSession {
public:
    explicit StoreSession(RuleStore& store)
        : store_(store)
        , result_(store.beginSession()) {}
    ~StoreSession() {
        if (succeeded(result_))
            store_.endSession();
    }
    StoreSession(const StoreSession&) = delete;
    StoreSession& operator=(const StoreSession&) = delete;

    bool usable() const { return succeeded(result_) || result_ == kChangedMode; }
    Result result() const { return result_; }

private:
    RuleStore& store_;
    Result result_;
};

// A call that claims success without handing out its object is a failure.
template <typename Object> Result checked(Result result, const std::unique_ptr<Object>& object) {
    return succeeded(result) && !object ? kPointer : result;
}

void fail(const RuleOperations::Report& report, const char* what, Result result) {
    char message[160];
    std::snprintf(message, sizeof message, "%s: 0x%08lx\n", what,
                  static_cast<unsigned long>(static_cast<std::uint32_t>(result)));
    report(message);
}

// The store opened up to its rule collection. Members are released in
// reverse order: the rules, the policy, then the session.
struct OpenedStore {
    explicit OpenedStore(RuleStore& store)
        : session(store) {}

    StoreSession session;
    std::unique_ptr<FirewallPolicy> policy;
    std::unique_ptr<RuleCollection> rules;
};

bool openStore(RuleStore& store, OpenedStore& opened, const RuleOperations::Report& report) {
    if (!opened.session.usable()) {
        fail(report, "CoInitializeEx failed", opened.session.result());
        return false;
    }
    Result result = checked(store.openPolicy(opened.policy), opened.policy);
    if (!succeeded(result)) {
        fail(report, "CoCreateInstance for INetFwPolicy2 failed", result);
        return false;
    }
    result = checked(opened.policy->openRules(opened.rules), opened.rules);
    if (!succeeded(result)) {
        fail(report, "get_Rules failed", result);
        return false;
    }
    return true;
}

} // namespace

RuleOperations::RuleOperations(RuleStore& store, Report report)
    : store_(store)
    , report_(std::move(report)) {}

void RuleOperations::setRule(long direction, const RuleSettings& settings) {
    const bool outbound = direction == kDirectionOut;
    OpenedStore opened(store_);
    if (!openStore(store_, opened, report_))
        return;
    // Released before the rule collection.
    std::unique_ptr<FirewallRule> rule;
    long profileTypes = 0;
    Result result = opened.policy->currentProfileTypes(profileTypes);
    if (!succeeded(result)) {
        fail(report_, "get_CurrentProfileTypes failed", result);
        return;
    }
    result = checked(store_.createRule(rule), rule);
    if (!succeeded(result)) {
        fail(report_,
             outbound ? "CoCreateInstance for Firewall Rule failed"
                      : "CoCreateInstance for Firewall InRule failed",
             result);
        return;
    }

    // The firewall judges the combination; single refusals do not stop the rule.
    rule->setName(settings.name);
    rule->setDescription(settings.description);
    rule->setProtocol(settings.protocol);
    rule->setLocalPorts(settings.localPorts);
    rule->setGrouping(settings.name);
    rule->setInterfaceTypes(L"ALL");
    rule->setProfiles(kAllProfiles);
    rule->setAction(kActionAllow);
    rule->setApplicationName(settings.applicationPath);
    rule->setDirection(direction);
    rule->setEnabled(true);

    // A rule that is not there yet needs no removing.
    result = opened.rules->remove(settings.name);
    if (!succeeded(result) && result != kNotFound) {
        fail(report_, "Remove Rule failed", result);
        return;
    }
    result = opened.rules->add(*rule);
    if (!succeeded(result)) {
        fail(report_, outbound ? "Firewall OutRule Add failed" : "set Firewall InRule Add failed",
             result);
        return;
    }
    report_(outbound ? "setOutRule Success!\n" : "setInRule success!\n");
}

void RuleOperations::removeRule(const std::wstring& name) {
    OpenedStore opened(store_);
    if (!openStore(store_, opened, report_))
        return;
    const Result result = opened.rules->remove(name);
    if (!succeeded(result)) {
        fail(report_, "Remove Rule failed", result);
        return;
    }
    report_("removeRule Success!\n");
}

} // namespace gatekit
