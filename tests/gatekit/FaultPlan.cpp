#include "FaultPlan.h"

#include <cstdlib>
#include <sstream>

namespace gatekit {

bool FaultPlan::parse(const std::string& text, FaultPlan& plan, std::string& error) {
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item.empty())
            continue;
        Result result = kFail;
        const std::size_t equals = item.find('=');
        if (equals != std::string::npos) {
            char* end = nullptr;
            result = static_cast<Result>(std::strtoul(item.c_str() + equals + 1, &end, 0));
            if (*end != '\0' || equals + 1 == item.size()) {
                error = "bad result in \"" + item + "\"";
                return false;
            }
            item.resize(equals);
        }
        int call = 0;
        const std::size_t colon = item.find(':');
        if (colon != std::string::npos) {
            call = std::atoi(item.c_str() + colon + 1);
            if (call <= 0) {
                error = "bad call number in \"" + item + "\"";
                return false;
            }
            item.resize(colon);
        }
        plan.fail(item, result, call);
    }
    return true;
}

void FaultPlan::fail(const std::string& step, Result result, int call) {
    faults_.push_back({step, call, result});
}

bool FaultPlan::forced(const std::string& step, Result& result) {
    const int call = ++calls_[step];
    for (const Fault& fault : faults_) {
        if (fault.step == step && (fault.call == 0 || fault.call == call)) {
            result = fault.result;
            return true;
        }
    }
    return false;
}

} // namespace gatekit
