#include "gatekit/platform/PlatformRuleStore.h"

// The class and interface ids of the firewall objects are defined here, and
// only here.
#include <initguid.h>

#include <windows.h>

#include <netfw.h>
#include <oleauto.h>

// The Windows Firewall with Advanced Security, through its COM objects.
namespace gatekit {
namespace {

// A COM string holding a copy of a wide string, freed with the object.
class ComString {
public:
    explicit ComString(const std::wstring& text)
        : text_(SysAllocString(text.c_str())) {}
    ~ComString() { SysFreeString(text_); }
    ComString(const ComString&) = delete;
    ComString& operator=(const ComString&) = delete;

    BSTR get() const { return text_; }

private:
    BSTR text_;
};

// Owns one reference to a COM object.
template <typename Interface> class ComReference {
public:
    explicit ComReference(Interface* object)
        : object_(object) {}
    ~ComReference() { object_->Release(); }
    ComReference(const ComReference&) = delete;
    ComReference& operator=(const ComReference&) = delete;

    Interface* get() const { return object_; }

private:
    Interface* object_;
};

class ComRule : public FirewallRule {
public:
    explicit ComRule(INetFwRule* rule)
        : rule_(rule) {}
    INetFwRule* get() const { return rule_.get(); }

    Result setName(const std::wstring& name) override {
        return putText(&INetFwRule::put_Name, name);
    }
    Result setDescription(const std::wstring& description) override {
        return putText(&INetFwRule::put_Description, description);
    }
    Result setProtocol(long protocol) override { return get()->put_Protocol(protocol); }
    Result setLocalPorts(const std::wstring& ports) override {
        return putText(&INetFwRule::put_LocalPorts, ports);
    }
    Result setGrouping(const std::wstring& grouping) override {
        return putText(&INetFwRule::put_Grouping, grouping);
    }
    Result setInterfaceTypes(const std::wstring& types) override {
        return putText(&INetFwRule::put_InterfaceTypes, types);
    }
    Result setProfiles(long profiles) override { return get()->put_Profiles(profiles); }
    Result setAction(long action) override {
        return get()->put_Action(static_cast<NET_FW_ACTION>(action));
    }
    Result setApplicationName(const std::wstring& path) override {
        return putText(&INetFwRule::put_ApplicationName, path);
    }
    Result setDirection(long direction) override {
        return get()->put_Direction(static_cast<NET_FW_RULE_DIRECTION>(direction));
    }
    Result setEnabled(bool enabled) override {
        return get()->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE);
    }

private:
    Result putText(HRESULT (STDMETHODCALLTYPE INetFwRule::*put)(BSTR), const std::wstring& text) {
        const ComString value(text);
        return (get()->*put)(value.get());
    }

    ComReference<INetFwRule> rule_;
};

class ComRuleCollection : public RuleCollection {
public:
    explicit ComRuleCollection(INetFwRules* rules)
        : rules_(rules) {}

    Result remove(const std::wstring& name) override {
        const ComString value(name);
        return rules_.get()->Remove(value.get());
    }
    Result add(FirewallRule& rule) override {
        auto* comRule = dynamic_cast<ComRule*>(&rule);
        return comRule ? rules_.get()->Add(comRule->get()) : E_INVALIDARG;
    }

private:
    ComReference<INetFwRules> rules_;
};

class ComPolicy : public FirewallPolicy {
public:
    explicit ComPolicy(INetFwPolicy2* policy)
        : policy_(policy) {}

    Result openRules(std::unique_ptr<RuleCollection>& rules) override {
        INetFwRules* object = nullptr;
        const HRESULT result = policy_.get()->get_Rules(&object);
        if (SUCCEEDED(result) && object)
            rules = std::make_unique<ComRuleCollection>(object);
        return result;
    }
    Result currentProfileTypes(long& types) override {
        return policy_.get()->get_CurrentProfileTypes(&types);
    }

private:
    ComReference<INetFwPolicy2> policy_;
};

class ComRuleStore : public RuleStore {
public:
    Result beginSession() override { return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void endSession() override { CoUninitialize(); }

    Result openPolicy(std::unique_ptr<FirewallPolicy>& policy) override {
        INetFwPolicy2* object = nullptr;
        const HRESULT result =
            CoCreateInstance(CLSID_NetFwPolicy2, nullptr, CLSCTX_INPROC_SERVER, IID_INetFwPolicy2,
                             reinterpret_cast<void**>(&object));
        if (SUCCEEDED(result) && object)
            policy = std::make_unique<ComPolicy>(object);
        return result;
    }
    Result createRule(std::unique_ptr<FirewallRule>& rule) override {
        INetFwRule* object = nullptr;
        const HRESULT result = CoCreateInstance(CLSID_NetFwRule, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_INetFwRule, reinterpret_cast<void**>(&object));
        if (SUCCEEDED(result) && object)
            rule = std::make_unique<ComRule>(object);
        return result;
    }
};

} // namespace

std::unique_ptr<RuleStore> createPlatformRuleStore() {
    return std::make_unique<ComRuleStore>();
}

} // namespace gatekit
