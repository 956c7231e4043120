#pragma once

// Whether what the user types on the terminal is shown, for typing a
// password. Does nothing when standard input is not a terminal.
namespace TerminalEcho {

bool isTerminal();
void setEnabled(bool enabled);

} // namespace TerminalEcho
