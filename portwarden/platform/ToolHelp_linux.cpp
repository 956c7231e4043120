#include "portwarden/platform/ToolHelp.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace ToolHelp {

// Linux firewalls do not filter by program, so here the tool needs to say what
// it really does.
void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QCoreApplication::translate(
        "main",
        "Adds an outbound rule \"NAME - out\" and an inbound rule \"NAME - in\" that let the\n"
        "program at the application path through the firewall, replacing earlier rules\n"
        "of the same names.\n"
        "\n"
        "On Linux the rules are recorded, not enforced: Linux firewalls do not filter by\n"
        "program, so the rules are only written to a file, $GATEKIT_RULES_FILE or else\n"
        "$XDG_STATE_HOME/gatekit/rules (~/.local/state/gatekit/rules). To open the\n"
        "client's ports use the UFW or firewalld profiles shipped with it."));
    parser.addHelpOption();
}

} // namespace ToolHelp
