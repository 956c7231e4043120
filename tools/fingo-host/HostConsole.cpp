#include "HostConsole.h"

#include <cstdio>
#include <istream>
#include <sstream>
#include <vector>

namespace {

// Callbacks arrive on the library's threads: each line goes out in one
// call, which the C library's stream lock keeps whole.
void printLine(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void onState(int state, int port) {
    printLine("onState " + std::to_string(state) + " " + std::to_string(port));
}

void onClosed(const char* reason) {
    printLine(std::string("onClosed ") + reason);
}

void onLog(int level, const char* text) {
    printLine("onLog " + std::to_string(level) + " " + text);
}

void onClientConnected(const char* ip, int port) {
    printLine(std::string("onClientConnected ") + ip + " " + std::to_string(port));
}

void onClientDisconnected(const char* ip, int port) {
    printLine(std::string("onClientDisconnected ") + ip + " " + std::to_string(port));
}

const ServerCallbacks g_callbacks = {&onState, &onClosed, &onLog, &onClientConnected,
                                     &onClientDisconnected};

bool parseInt(const std::string& text, int& value) {
    std::istringstream stream(text);
    return static_cast<bool>(stream >> value) && stream.peek() == EOF;
}

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

const char* yesNo(bool value) {
    return value ? "true" : "false";
}

} // namespace

HostConsole::HostConsole(FingoLibrary& library)
    : m_library(library) {}

const ServerCallbacks* HostConsole::callbacks() {
    return &g_callbacks;
}

void HostConsole::start(const std::string& address, int port) {
    m_library.startFingoServer(address.c_str(), port, &g_callbacks);
}

void HostConsole::run(std::istream& input) {
    for (std::string line; std::getline(input, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!wordsOf(line).empty() && !execute(line))
            printLine("error: cannot understand \"" + line + "\"");
    }
    m_library.closeFingoServer();
}

bool HostConsole::execute(const std::string& line) {
    const std::vector<std::string> words = wordsOf(line);
    const std::string& command = words.front();
    int first = 0;
    int second = 0;
    if (command == "shape" && words.size() >= 4 && parseInt(words[words.size() - 2], first) &&
        parseInt(words.back(), second)) {
        // The text is everything between the command and the two numbers.
        std::string text = line;
        text.erase(0, text.find_first_not_of(" \t"));
        text.erase(0, command.size());
        for (int number = 0; number < 2; ++number) {
            text.erase(text.find_last_not_of(" \t") + 1);
            text.erase(text.find_last_of(" \t") + 1);
        }
        text.erase(0, text.find_first_not_of(" \t"));
        text.erase(text.find_last_not_of(" \t") + 1);
        printLine(std::string("sendCursorShape ") +
                  yesNo(m_library.sendCursorShape(text.c_str(), first, second)));
        return true;
    }
    if (command == "pos" && words.size() == 3 && parseInt(words[1], first) &&
        parseInt(words[2], second)) {
        printLine(std::string("sendCursorPosition ") +
                  yesNo(m_library.sendCursorPosition(first, second)));
        return true;
    }
    if (command == "close" && words.size() == 1) {
        m_library.closeFingoServer();
        return true;
    }
    if (command == "start" && words.size() == 3 && parseInt(words[2], first)) {
        start(words[1], first);
        return true;
    }
    return false;
}
