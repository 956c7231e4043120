#include "portwarden/platform/ToolHelp.h"

namespace ToolHelp {

// On Windows the tool keeps to its two options: no help, no description.
void describe(QCommandLineParser&) {}

} // namespace ToolHelp
