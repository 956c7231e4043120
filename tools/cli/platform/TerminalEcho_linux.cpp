#include "platform/TerminalEcho.h"

#include <termios.h>
#include <unistd.h>

namespace TerminalEcho {

bool isTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

void setEnabled(bool enabled) {
    termios settings{};
    if (!isTerminal() || tcgetattr(STDIN_FILENO, &settings) != 0)
        return;
    if (enabled)
        settings.c_lflag |= ECHO;
    else
        settings.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &settings);
}

} // namespace TerminalEcho
