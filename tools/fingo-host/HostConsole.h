#pragma once

#include "FingoLibrary.h"

#include <iosfwd>
#include <string>

// The host's side of the library: prints every callback as one line on
// standard output and turns command lines into library calls.
//
//   shape TEXT W H     sendCursorShape (TEXT may hold spaces)
//   pos X Y            sendCursorPosition
//   close              closeFingoServer
//   start ADDR PORT    startFingoServer
class HostConsole {
public:
    explicit HostConsole(FingoLibrary& library);

    void start(const std::string& address, int port);
    // Runs the commands of input until it ends, then closes the server.
    void run(std::istream& input);

    // The callback record handed to the library (lives as long as the program).
    static const ServerCallbacks* callbacks();

private:
    bool execute(const std::string& line);

    FingoLibrary& m_library;
};
