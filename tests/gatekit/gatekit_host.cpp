// A small host program that calls the firewall library's three exports, for
// tests on Linux and for the Windows build check under Wine:
//   gatekit-host out|in NAME DESCRIPTION PORTS PROTOCOL PATH
//   gatekit-host remove NAME
// The library prints the outcome; the host adds nothing to standard output.
#include "gatekit/WideText.h"
#include "gatekit/gatekit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fputs("usage: gatekit-host out|in NAME DESCRIPTION PORTS PROTOCOL PATH\n"
               "       gatekit-host remove NAME\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 2; i < argc; ++i) {
        std::wstring arg;
        if (!WideText::fromUtf8(argv[i], arg)) {
            std::fprintf(stderr, "gatekit-host: argument %d is not UTF-8\n", i);
            return 2;
        }
        args.push_back(arg);
    }
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "remove" && args.size() == 1) {
        removeRule(args[0].c_str());
        return 0;
    }
    if ((command == "out" || command == "in") && args.size() == 5) {
        char* end = nullptr;
        const long protocol = std::strtol(argv[5], &end, 10);
        if (*end != '\0')
            return usage();
        auto setRule = command == "out" ? setOutRule : setInRule;
        setRule(args[0].c_str(), args[1].c_str(), args[2].c_str(), protocol, args[4].c_str());
        return 0;
    }
    return usage();
}
