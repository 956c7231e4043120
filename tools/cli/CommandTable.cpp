#include "CommandTable.h"

#include "CastCommands.h"
#include "DiscoveryCommands.h"
#include "FileCommands.h"
#include "PeerCommands.h"

#include "utils/ProtocolDefinedJsonObject.h"

namespace {

constexpr int Width = 80;

// Wraps `text` into lines of `Width` columns; the first line follows
// `lead`, the others are indented by `indent`.
QString wrap(const QString& lead, const QString& text, int indent) {
    QString result = lead;
    int column = lead.size();
    if (column > indent) {
        result += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
        column = indent;
    } else {
        result += QString(indent - column, QLatin1Char(' '));
        column = indent;
    }
    bool first = true;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!first && column + 1 + word.size() > Width) {
            result += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            column = indent;
        } else if (!first) {
            result += QLatin1Char(' ');
            ++column;
        }
        result += word;
        column += word.size();
        first = false;
    }
    return result + QLatin1Char('\n');
}

QString paragraph(const QString& text) {
    QString result;
    for (const QString& line : text.split(QLatin1Char('\n')))
        result += line.isEmpty() ? QStringLiteral("\n") : wrap(QString(), line, 0);
    return result;
}

QString optionLead(const CommandTable::Option& option) {
    QString lead = QStringLiteral("  --") + option.name;
    if (!option.valueName.isEmpty())
        lead += QLatin1Char(' ') + option.valueName;
    if (option.name == QLatin1String("help"))
        lead = QStringLiteral("  -h, --help");
    return lead;
}

const QStringList& sortOrders() {
    static const QStringList orders{
        Protocol::FILE_NAME_INCREASE,     Protocol::FILE_NAME_DECREASE,
        Protocol::DATE_MODIFIED_INCREASE, Protocol::DATE_MODIFIED_DECREASE,
        Protocol::FILE_SIZE_INCREASE,     Protocol::FILE_SIZE_DECREASE};
    return orders;
}

} // namespace

const QList<CommandTable::Option>& CommandTable::commonOptions() {
    static const QList<Option> options{
        {QStringLiteral("data-dir"), QStringLiteral("DIR"),
         QStringLiteral("the folder for config.ini, the history database and the log "
                        "(default: the window's own folders)"),
         QString()},
        {QStringLiteral("verbose"), QString(), QStringLiteral("show the library's log lines"),
         QString()},
        {QStringLiteral("stats"), QString(), QStringLiteral("print the peak memory use at the end"),
         QString()},
        {QStringLiteral("help"), QString(), QStringLiteral("show this help and exit"), QString()},
        {QStringLiteral("version"), QString(), QStringLiteral("show the version and exit"),
         QString()},
    };
    return options;
}

const QList<CommandTable::Option>& CommandTable::commandOptions() {
    static const QList<Option> options{
        {QStringLiteral("device"), QStringLiteral("HOST[:PORT]"),
         QStringLiteral("the device (or other PC): an IPv4 address or a host name, with the "
                        "port it answers queries on (default 16020)"),
         QString()},
        {QStringLiteral("wait"), QStringLiteral("SECONDS"),
         QStringLiteral("how long to run (discover: 6; respond and receive: until stopped; "
                        "offer: how long the peer may stay silent, 120; at most a day)"),
         QString()},
        {QStringLiteral("json"), QString(), QStringLiteral("print JSON instead of text"),
         QString()},
        {QStringLiteral("events"), QString(), QStringLiteral("print devices as they come and go"),
         QString()},
        {QStringLiteral("secure"), QString(),
         QStringLiteral("into the device's secure storage instead of /Tavlo/上传/"), QString()},
        {QStringLiteral("sort"), QStringLiteral("ORDER"),
         QStringLiteral("the order the device lists in, one of: ") +
             sortOrders().join(QStringLiteral(", ")) + QStringLiteral(" (default ") +
             Protocol::FILE_NAME_INCREASE + QLatin1Char(')'),
         Protocol::FILE_NAME_INCREASE},
        {QStringLiteral("date"), QStringLiteral("MS"),
         QStringLiteral("the file's modification time in milliseconds since 1970, which keys "
                        "the thumbnail cache (default: from its listing)"),
         QString()},
        {QStringLiteral("dir"), QStringLiteral("DIR"),
         QStringLiteral("the folder for received files (default: the download folder "
                        "setting)"),
         QString()},
        {QStringLiteral("yes"), QString(), QStringLiteral("accept every offer without asking"),
         QString()},
        {QStringLiteral("password-prompt"), QString(),
         QStringLiteral("ask for the device's cast password on the terminal (without it only "
                        "a saved password is used)"),
         QString()},
        {QStringLiteral("screen"), QStringLiteral("WxH"),
         QStringLiteral("the screen size told to the device (default 1920x1080)"), QString()},
    };
    return options;
}

const CommandTable::Option* CommandTable::option(const QString& name) {
    for (const QList<Option>* list : {&commonOptions(), &commandOptions()}) {
        for (const Option& option : *list) {
            if (option.name == name)
                return &option;
        }
    }
    return nullptr;
}

QList<QCommandLineOption> CommandTable::parserOptions() {
    QList<QCommandLineOption> options;
    for (const QList<Option>* list : {&commonOptions(), &commandOptions()}) {
        for (const Option& option : *list) {
            QStringList names{option.name};
            if (option.name == QLatin1String("help"))
                names = QStringList{QStringLiteral("h"), QStringLiteral("help")};
            options.append(
                QCommandLineOption(names, option.help, option.valueName, option.defaultValue));
        }
    }
    return options;
}

const QList<CommandTable::Command>& CommandTable::commands() {
    static const QList<Command> table{
        {QStringLiteral("discover"),
         QString(),
         QStringLiteral("find devices and list them"),
         QStringLiteral("Finds Tavlo devices and PCs running the client: through multicast DNS "
                        "(\"_tavlo._udp\"), a broadcast sweep and the devices added by hand, "
                        "and lists them when the time is up. It broadcasts: on a development "
                        "machine run it inside a private test network (scripts/lan)."),
         {QStringLiteral("wait"), QStringLiteral("json"), QStringLiteral("events")},
         false,
         DiscoveryCommands::discover},
        {QStringLiteral("query"),
         QStringLiteral("HOST[:PORT]"),
         QStringLiteral("ask one device who it is"),
         QStringLiteral("Sends one device query and prints the answer: name, version, system, "
                        "uuid, type and the features with their ports."),
         {QStringLiteral("json")},
         false,
         DiscoveryCommands::query},
        {QStringLiteral("respond"),
         QString(),
         QStringLiteral("answer PCs and devices that look for this PC"),
         QStringLiteral("Answers discovery requests on UDP 16020 as the window does, until "
                        "stopped (Ctrl+C) or the time is up."),
         {QStringLiteral("wait")},
         false,
         DiscoveryCommands::respond},
        {QStringLiteral("devices"),
         QStringLiteral("[list | add HOST[:PORT] | rm HOST[:PORT]]"),
         QStringLiteral("the devices added by hand"),
         QStringLiteral("Lists, adds or removes the devices that discovery asks directly, "
                        "shared with the window's list of devices added by address."),
         {},
         false,
         DiscoveryCommands::devices},
        {QStringLiteral("send"),
         QStringLiteral("FILE..."),
         QStringLiteral("upload files"),
         QStringLiteral("Uploads files to the device, one after another, into /Tavlo/上传/ or "
                        "with --secure into the secure storage; each is confirmed by its MD5. "
                        "Every local file is checked before the device is asked."),
         {QStringLiteral("device"), QStringLiteral("secure")},
         true,
         FileCommands::send},
        {QStringLiteral("ls"),
         QStringLiteral("[PATH]"),
         QStringLiteral("list a folder"),
         QStringLiteral("Lists a folder of the device; without PATH its top level (Tavlo, "
                        "Pictures, Whiteboard)."),
         {QStringLiteral("device"), QStringLiteral("sort"), QStringLiteral("json")},
         true,
         FileCommands::list},
        {QStringLiteral("get"),
         QStringLiteral("REMOTE [LOCAL]"),
         QStringLiteral("download a file"),
         QStringLiteral("Downloads a file of the device into LOCAL (a file or a folder; "
                        "default: the current folder). The bytes go into LOCAL.part first, "
                        "which replaces LOCAL once complete."),
         {QStringLiteral("device")},
         true,
         FileCommands::get},
        {QStringLiteral("open"),
         QStringLiteral("REMOTE"),
         QStringLiteral("show a file on the device's screen"),
         QStringLiteral("Makes the device open one of its files on its screen."),
         {QStringLiteral("device")},
         true,
         FileCommands::open},
        {QStringLiteral("rm"),
         QStringLiteral("REMOTE"),
         QStringLiteral("delete a file on the device"),
         QStringLiteral("Deletes a file on the device; this cannot be undone."),
         {QStringLiteral("device")},
         true,
         FileCommands::remove},
        {QStringLiteral("thumb"),
         QStringLiteral("REMOTE OUT.png"),
         QStringLiteral("fetch a file's thumbnail"),
         QStringLiteral("Fetches a file's thumbnail from the device (or the local cache) "
                        "into OUT.png."),
         {QStringLiteral("device"), QStringLiteral("date")},
         true,
         FileCommands::thumb},
        {QStringLiteral("welcome"),
         QStringLiteral("TEXT"),
         QStringLiteral("set the device's welcome text"),
         QStringLiteral("Sets the welcome text the device shows."),
         {QStringLiteral("device")},
         true,
         FileCommands::welcome},
        {QStringLiteral("receive"),
         QString(),
         QStringLiteral("take the files other PCs and devices offer"),
         QStringLiteral("Answers other PCs and devices as the window does (UDP 16020 and "
                        "16021) and downloads every file they offer, after asking on the "
                        "terminal (or at once with --yes), until stopped."),
         {QStringLiteral("dir"), QStringLiteral("yes"), QStringLiteral("wait")},
         false,
         PeerCommands::receive},
        {QStringLiteral("offer"),
         QStringLiteral("FILE..."),
         QStringLiteral("send files to another PC"),
         QStringLiteral("Offers files to another PC running the client and serves them (TCP "
                        "20000 and up) until the PC confirmed each, or the wait is over. Exits "
                        "0 only when every file was confirmed."),
         {QStringLiteral("device"), QStringLiteral("wait")},
         true,
         PeerCommands::offer},
        {QStringLiteral("cast"),
         QString(),
         QStringLiteral("mirror the screen onto the device"),
         QStringLiteral("Runs the cast handshake (questions asked on the terminal), starts the "
                        "mirroring program (\"glimmer\" on Linux: the program's folder, then "
                        "PATH) and reads the commands pause, resume, ratio and stop from "
                        "standard input; end of input or Ctrl+C stops the cast."),
         {QStringLiteral("device"), QStringLiteral("password-prompt"), QStringLiteral("screen")},
         true,
         CastCommands::cast},
    };
    return table;
}

const CommandTable::Command* CommandTable::find(const QString& name) {
    for (const Command& command : commands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

QString CommandTable::overview() {
    QString text = QStringLiteral("Usage: tavlo-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
                                  "       tavlo-cli help COMMAND\n\n");
    text += paragraph(QStringLiteral("Works with Tavlo meeting-room displays on the local "
                                     "network: the operations of the Tavlo window, from a "
                                     "shell."));
    text += QStringLiteral("\nCommands:\n");
    for (const Command& command : commands())
        text += wrap(QStringLiteral("  ") + command.name, command.summary, 12);
    text += QStringLiteral("\nOptions of every command:\n");
    for (const Option& option : commonOptions())
        text += wrap(optionLead(option), option.help, 20);
    text += QLatin1Char('\n');
    text += paragraph(QStringLiteral("'tavlo-cli help COMMAND' or 'tavlo-cli COMMAND --help' "
                                     "shows a command's arguments and options. Exit codes: 0 "
                                     "done, 1 failed, 2 bad arguments, 130 and 143 stopped by "
                                     "Ctrl+C or a TERM signal."));
    return text;
}

QString CommandTable::usageOf(const Command& command) {
    QString synopsis = QStringLiteral("tavlo-cli ") + command.name;
    if (!command.arguments.isEmpty())
        synopsis += QLatin1Char(' ') + command.arguments;
    if (command.needsDevice)
        synopsis += QStringLiteral(" --device HOST[:PORT]");
    for (const QString& name : command.options) {
        const Option* opt = option(name);
        if (name == QLatin1String("device"))
            continue;
        synopsis += QStringLiteral(" [--") + name +
                    (opt->valueName.isEmpty() ? QString() : QLatin1Char(' ') + opt->valueName) +
                    QLatin1Char(']');
    }
    QString text = wrap(QStringLiteral("Usage:"), synopsis, 7) + QLatin1Char('\n');
    text += paragraph(command.description);
    if (!command.options.isEmpty()) {
        text += QStringLiteral("\nOptions:\n");
        for (const QString& name : command.options)
            text += wrap(optionLead(*option(name)), option(name)->help, 24);
    }
    text += QStringLiteral("\nOptions of every command: --data-dir DIR, --verbose, --stats, "
                           "--help, --version\n");
    return text;
}

QString CommandTable::unusedOption(const Command& command, const QStringList& given) {
    for (const QString& name : given) {
        if (name == QLatin1String("h"))
            continue;
        const bool common = std::any_of(commonOptions().begin(), commonOptions().end(),
                                        [&](const Option& o) { return o.name == name; });
        if (!common && !command.options.contains(name))
            return name;
    }
    return QString();
}
