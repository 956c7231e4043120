#include "InstrumentedRuleStore.h"

#include "gatekit/WideText.h"

#include <utility>

namespace gatekit {

struct InstrumentedRuleStore::Instruments {
    std::shared_ptr<FaultPlan> plan;
    std::shared_ptr<Journal> journal;

    void note(const std::string& entry) {
        if (journal)
            journal->push_back(entry);
    }

    template <typename Call>
    Result run(const std::string& step, const std::string& detail, Call inner) {
        note(detail.empty() ? step : step + "=" + detail);
        Result forcedResult = kOk;
        if (!plan || !plan->forced(step, forcedResult))
            return inner();
        if (succeeded(forcedResult))
            inner();
        return forcedResult;
    }
};

namespace {

using Instruments = InstrumentedRuleStore::Instruments;

std::string text(const std::wstring& value) {
    return WideText::toUtf8(value);
}

class InstrumentedRule : public FirewallRule {
public:
    InstrumentedRule(std::unique_ptr<FirewallRule> inner, std::shared_ptr<Instruments> instruments)
        : inner_(std::move(inner))
        , instruments_(std::move(instruments)) {}
    ~InstrumentedRule() override { instruments_->note("release rule"); }

    FirewallRule& inner() { return *inner_; }

    Result setName(const std::wstring& v) override {
        return run("setName", text(v), [&] { return inner_->setName(v); });
    }
    Result setDescription(const std::wstring& v) override {
        return run("setDescription", text(v), [&] { return inner_->setDescription(v); });
    }
    Result setProtocol(long v) override {
        return run("setProtocol", std::to_string(v), [&] { return inner_->setProtocol(v); });
    }
    Result setLocalPorts(const std::wstring& v) override {
        return run("setLocalPorts", text(v), [&] { return inner_->setLocalPorts(v); });
    }
    Result setGrouping(const std::wstring& v) override {
        return run("setGrouping", text(v), [&] { return inner_->setGrouping(v); });
    }
    Result setInterfaceTypes(const std::wstring& v) override {
        return run("setInterfaceTypes", text(v), [&] { return inner_->setInterfaceTypes(v); });
    }
    Result setProfiles(long v) override {
        return run("setProfiles", std::to_string(v), [&] { return inner_->setProfiles(v); });
    }
    Result setAction(long v) override {
        return run("setAction", std::to_string(v), [&] { return inner_->setAction(v); });
    }
    Result setApplicationName(const std::wstring& v) override {
        return run("setApplicationName", text(v), [&] { return inner_->setApplicationName(v); });
    }
    Result setDirection(long v) override {
        return run("setDirection", std::to_string(v), [&] { return inner_->setDirection(v); });
    }
    Result setEnabled(bool v) override {
        return run("setEnabled", v ? "true" : "false", [&] { return inner_->setEnabled(v); });
    }

private:
    template <typename Call> Result run(const char* step, const std::string& detail, Call call) {
        return instruments_->run(step, detail, call);
    }

    std::unique_ptr<FirewallRule> inner_;
    std::shared_ptr<Instruments> instruments_;
};

class InstrumentedCollection : public RuleCollection {
public:
    InstrumentedCollection(std::unique_ptr<RuleCollection> inner,
                           std::shared_ptr<Instruments> instruments)
        : inner_(std::move(inner))
        , instruments_(std::move(instruments)) {}
    ~InstrumentedCollection() override { instruments_->note("release rules"); }

    Result remove(const std::wstring& name) override {
        return instruments_->run("remove", text(name), [&] { return inner_->remove(name); });
    }
    Result add(FirewallRule& rule) override {
        auto* wrapped = dynamic_cast<InstrumentedRule*>(&rule);
        FirewallRule& target = wrapped ? wrapped->inner() : rule;
        return instruments_->run("add", "", [&] { return inner_->add(target); });
    }

private:
    std::unique_ptr<RuleCollection> inner_;
    std::shared_ptr<Instruments> instruments_;
};

class InstrumentedPolicy : public FirewallPolicy {
public:
    InstrumentedPolicy(std::unique_ptr<FirewallPolicy> inner,
                       std::shared_ptr<Instruments> instruments)
        : inner_(std::move(inner))
        , instruments_(std::move(instruments)) {}
    ~InstrumentedPolicy() override { instruments_->note("release policy"); }

    Result openRules(std::unique_ptr<RuleCollection>& rules) override {
        std::unique_ptr<RuleCollection> inner;
        const Result result =
            instruments_->run("openRules", "", [&] { return inner_->openRules(inner); });
        if (succeeded(result) && inner)
            rules = std::make_unique<InstrumentedCollection>(std::move(inner), instruments_);
        return result;
    }
    Result currentProfileTypes(long& types) override {
        return instruments_->run("currentProfileTypes", "",
                                 [&] { return inner_->currentProfileTypes(types); });
    }

private:
    std::unique_ptr<FirewallPolicy> inner_;
    std::shared_ptr<Instruments> instruments_;
};

} // namespace

InstrumentedRuleStore::InstrumentedRuleStore(std::unique_ptr<RuleStore> inner,
                                             std::shared_ptr<FaultPlan> plan,
                                             std::shared_ptr<Journal> journal)
    : inner_(std::move(inner))
    , instruments_(
          std::make_shared<Instruments>(Instruments{std::move(plan), std::move(journal)})) {}

InstrumentedRuleStore::~InstrumentedRuleStore() = default;

Result InstrumentedRuleStore::beginSession() {
    return instruments_->run("beginSession", "", [&] { return inner_->beginSession(); });
}

void InstrumentedRuleStore::endSession() {
    instruments_->note("endSession");
    inner_->endSession();
}

Result InstrumentedRuleStore::openPolicy(std::unique_ptr<FirewallPolicy>& policy) {
    std::unique_ptr<FirewallPolicy> inner;
    const Result result =
        instruments_->run("openPolicy", "", [&] { return inner_->openPolicy(inner); });
    if (succeeded(result) && inner)
        policy = std::make_unique<InstrumentedPolicy>(std::move(inner), instruments_);
    return result;
}

Result InstrumentedRuleStore::createRule(std::unique_ptr<FirewallRule>& rule) {
    std::unique_ptr<FirewallRule> inner;
    const Result result =
        instruments_->run("createRule", "", [&] { return inner_->createRule(inner); });
    if (succeeded(result) && inner)
        rule = std::make_unique<InstrumentedRule>(std::move(inner), instruments_);
    return result;
}

} // namespace gatekit
