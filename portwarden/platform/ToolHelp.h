#pragma once

class QCommandLineParser;

// What this system's portwarden says about itself when asked.
namespace ToolHelp {

// Adds the help option and the description where the tool has them.
void describe(QCommandLineParser& parser);

} // namespace ToolHelp
