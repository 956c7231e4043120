#include "gatekit/gatekit.h"

#include "gatekit/RuleOperations.h"
#include "gatekit/platform/PlatformRuleStore.h"

#include <cstdio>
#include <exception>

namespace {

using gatekit::RuleOperations;

std::wstring textOf(const wchar_t* text) {
    return text ? std::wstring(text) : std::wstring();
}

void printMessage(const std::string& message) {
    std::fputs(message.c_str(), stdout);
    std::fflush(stdout);
}

// Nothing may be thrown into the C caller.
template <typename Work> void guarded(Work work) {
    try {
        work();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gatekit: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "gatekit: unexpected failure\n");
    }
}

void setRule(long direction, const wchar_t* name, const wchar_t* description,
             const wchar_t* localPorts, long protocol, const wchar_t* applicationPath) {
    guarded([&] {
        const auto store = gatekit::createPlatformRuleStore();
        RuleOperations(*store, printMessage)
            .setRule(direction, {textOf(name), textOf(description), textOf(localPorts), protocol,
                                 textOf(applicationPath)});
    });
}

} // namespace

extern "C" {

GATEKIT_API void setOutRule(const wchar_t* name, const wchar_t* description,
                            const wchar_t* localPorts, long protocol,
                            const wchar_t* applicationPath) {
    setRule(gatekit::kDirectionOut, name, description, localPorts, protocol, applicationPath);
}

GATEKIT_API void setInRule(const wchar_t* name, const wchar_t* description,
                           const wchar_t* localPorts, long protocol,
                           const wchar_t* applicationPath) {
    setRule(gatekit::kDirectionIn, name, description, localPorts, protocol, applicationPath);
}

GATEKIT_API void removeRule(const wchar_t* name) {
    guarded([&] {
        const auto store = gatekit::createPlatformRuleStore();
        RuleOperations(*store, printMessage).removeRule(textOf(name));
    });
}

} // extern "C"
