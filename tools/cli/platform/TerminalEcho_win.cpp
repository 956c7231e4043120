#include "platform/TerminalEcho.h"

#include <windows.h>

namespace TerminalEcho {

bool isTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

void setEnabled(bool enabled) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(input, &mode))
        return;
    if (enabled)
        mode |= ENABLE_ECHO_INPUT;
    else
        mode &= ~DWORD(ENABLE_ECHO_INPUT);
    SetConsoleMode(input, mode);
}

} // namespace TerminalEcho
