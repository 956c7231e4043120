// fingo-host: loads the remote-input library at run time, starts its server
// and lets standard input drive it; every callback is printed on standard
// output. Used by the tests and as the example of a host program.
#include "FingoLibrary.h"
#include "HostConsole.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

int usage() {
    std::fputs("usage: fingo-host [--library PATH] ADDRESS PORT\n"
               "  Starts the remote-input server on ADDRESS (dotted IPv4, 0.0.0.0 for every\n"
               "  interface) and PORT (0: any free port), prints every callback, and reads\n"
               "  commands from standard input until it ends:\n"
               "    shape TEXT W H     send a cursor shape\n"
               "    pos X Y            send a cursor position\n"
               "    close              close the server\n"
               "    start ADDR PORT    start a server again\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string libraryPath = FingoLibrary::defaultPath();
    int argument = 1;
    if (argc > 2 && std::strcmp(argv[1], "--library") == 0) {
        libraryPath = argv[2];
        argument = 3;
    }
    if (argc - argument != 2)
        return usage();
    const std::string address = argv[argument];
    char* end = nullptr;
    const long port = std::strtol(argv[argument + 1], &end, 10);
    if (*end != '\0' || port < 0 || port > 65535)
        return usage();

    FingoLibrary library;
    if (!library.load(libraryPath)) {
        std::fprintf(stderr, "fingo-host: %s\n", library.error().c_str());
        return 1;
    }
    HostConsole console(library);
    console.start(address, static_cast<int>(port));
    console.run(std::cin);
    return 0;
}
