// tavlo-cli: the client's discovery, file operations and screen casting from
// the command line.
#include "CastCommands.h"
#include "CliContext.h"
#include "DiscoveryCommands.h"
#include "FileCommands.h"
#include "PeerCommands.h"
#include "utils/DataLocations.h"
#include "utils/MetaTypes.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>

#include <functional>

namespace {

const char* const Description = R"(Works with Tavlo devices on the local network.

Commands:
  discover [--wait S] [--json] [--events]   find devices (multicast DNS, broadcast sweep,
                                            manual devices) and list them
  query ADDRESS[:PORT] [--json]             ask one device who it is
  respond [--wait S]                        answer PCs and devices that look for this PC
  devices [list] | add ADDR[:PORT] | rm ADDR[:PORT]
                                            the devices added by hand
  send FILE... [--secure]                   upload files (normal or secure storage)
  ls [PATH] [--sort ORDER] [--json]         list a folder (top level when PATH is empty)
  get REMOTE [LOCAL]                        download a file
  open REMOTE                               show a file on the device's screen
  rm REMOTE                                 delete a file on the device
  thumb REMOTE OUT.png [--date MS]          fetch a file's thumbnail
  welcome TEXT                              set the device's welcome text
  receive [--dir DIR] [--yes] [--wait S]    answer other PCs and devices and take the files
                                            they offer (asks on the terminal, or --yes)
  offer FILE... [--wait S]                  offer files to another PC and serve them until
                                            it confirmed each (default wait 120 s)
  cast [--password-prompt] [--screen WxH]   mirror the screen onto the device: runs the
                                            handshake (questions asked here), starts the
                                            mirroring program ("glimmer" on Linux: the
                                            program's folder, then PATH) and reads the
                                            commands pause, resume, ratio and stop from
                                            standard input; end of input or Ctrl+C stops
File, offer and cast commands need --device ADDRESS[:QUERYPORT]. Exit codes:
0 done, 1 failed, 2 bad arguments.)";

// Peak resident memory of this process, in KiB; 0 where it cannot be read.
qint64 peakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

// The library logs every step for the window's log; on the command line the
// commands say themselves what happened, so the log is shown only on request.
void quietLog(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavlo-cli"));
    MetaTypes::registerAll();

    CliContext context;
    context.startDirectory = QDir::currentPath();
    QCommandLineParser& parser = context.parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("what to do"));
    parser.addOptions({
        {QStringLiteral("device"), QStringLiteral("The device to work with."),
         QStringLiteral("ADDRESS[:PORT]")},
        {QStringLiteral("data-dir"),
         QStringLiteral("Folder with config.ini, the history database and the log (default: "
                        "the window's own folders)."),
         QStringLiteral("DIR")},
        {QStringLiteral("wait"),
         QStringLiteral("Seconds to run (discover: 6; respond: until "
                        "stopped)."),
         QStringLiteral("SECONDS")},
        {QStringLiteral("json"), QStringLiteral("Print JSON instead of text.")},
        {QStringLiteral("events"), QStringLiteral("discover: print devices as they come and go.")},
        {QStringLiteral("secure"), QStringLiteral("send: into the device's secure storage.")},
        {QStringLiteral("sort"), QStringLiteral("ls: the order the device applies."),
         QStringLiteral("ORDER"), Protocol::FILE_NAME_INCREASE},
        {QStringLiteral("date"),
         QStringLiteral("thumb: the file's modification time (default: from its listing)."),
         QStringLiteral("MS")},
        {QStringLiteral("dir"),
         QStringLiteral("receive: the folder for received files (default: "
                        "the download folder setting)."),
         QStringLiteral("DIR")},
        {QStringLiteral("yes"), QStringLiteral("receive: accept every offer without asking.")},
        {QStringLiteral("password-prompt"),
         QStringLiteral("cast: ask for the device's cast password on the terminal (without it "
                        "only a saved password is used).")},
        {QStringLiteral("screen"),
         QStringLiteral("cast: the screen size told to the device (default 1920x1080)."),
         QStringLiteral("WxH")},
        {QStringLiteral("stats"), QStringLiteral("Print the peak memory use at the end.")},
        {QStringLiteral("verbose"), QStringLiteral("Show the library's log lines.")},
    });
    // Bad options are bad arguments (exit code 2), like every other mistake.
    if (!parser.parse(QCoreApplication::arguments()))
        return context.usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(CliContext::Success);
    if (!parser.isSet(QStringLiteral("verbose")))
        qInstallMessageHandler(quietLog);

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return context.usageError(QStringLiteral("no command given"));
    context.command = positional.first();
    context.arguments = positional.mid(1);

    const QMap<QString, std::function<int(CliContext&)>> commands{
        {QStringLiteral("discover"), DiscoveryCommands::discover},
        {QStringLiteral("query"), DiscoveryCommands::query},
        {QStringLiteral("respond"), DiscoveryCommands::respond},
        {QStringLiteral("devices"), DiscoveryCommands::devices},
        {QStringLiteral("send"), FileCommands::send},
        {QStringLiteral("ls"), FileCommands::list},
        {QStringLiteral("get"), FileCommands::get},
        {QStringLiteral("open"), FileCommands::open},
        {QStringLiteral("rm"), FileCommands::remove},
        {QStringLiteral("thumb"), FileCommands::thumb},
        {QStringLiteral("welcome"), FileCommands::welcome},
        {QStringLiteral("receive"), PeerCommands::receive},
        {QStringLiteral("offer"), PeerCommands::offer},
        {QStringLiteral("cast"), CastCommands::cast},
    };
    const auto command = commands.find(context.command);
    if (command == commands.end())
        return context.usageError(QStringLiteral("unknown command: %1").arg(context.command));

    // Settings and history live where the window keeps them, unless told
    // otherwise; paths on the command line were taken relative to the
    // folder the user is in.
    if (parser.isSet(QStringLiteral("data-dir"))) {
        const QString dataDir = context.absolutePath(parser.value(QStringLiteral("data-dir")));
        if (!QDir().mkpath(dataDir))
            return context.usageError(QStringLiteral("cannot use data folder %1").arg(dataDir));
        DataLocations::setDataDirectory(dataDir);
    } else {
        DataLocations::usePerUserFolders();
    }

    const int code = command.value()(context);
    if (parser.isSet(QStringLiteral("stats")))
        context.error(QStringLiteral("peak-rss-kib %1").arg(peakResidentKiB()));
    return code;
}
