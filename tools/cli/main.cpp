// tavlo-cli: the client's discovery, file operations and screen casting from
// the command line.
#include "CliContext.h"
#include "CommandTable.h"
#include "utils/DataLocations.h"
#include "utils/MetaTypes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

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
    parser.addOptions(CommandTable::parserOptions());
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("what to do"));
    // Bad options are bad arguments (exit code 2), like every other mistake.
    if (!parser.parse(QCoreApplication::arguments()))
        return context.usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("version"))) {
        context.print(QStringLiteral("tavlo-cli %1").arg(QStringLiteral(TAVLO_VERSION)));
        return CliContext::Success;
    }

    QStringList positional = parser.positionalArguments();
    const bool helpAsked = parser.isSet(QStringLiteral("help"));
    // "help", "help COMMAND" and "COMMAND --help" print usage and do nothing else.
    if (positional.value(0) == QLatin1String("help") || (helpAsked && positional.isEmpty())) {
        if (positional.size() > 2)
            return context.usageError(QStringLiteral("help takes one COMMAND"));
        const QString name = positional.value(1);
        if (name.isEmpty()) {
            context.printRaw(CommandTable::overview());
            return CliContext::Success;
        }
        const CommandTable::Command* described = CommandTable::find(name);
        if (!described)
            return context.usageError(QStringLiteral("unknown command: %1").arg(name));
        context.printRaw(CommandTable::usageOf(*described));
        return CliContext::Success;
    }
    if (positional.isEmpty())
        return context.usageError(QStringLiteral("no command given"));
    context.command = positional.first();
    context.arguments = positional.mid(1);
    const CommandTable::Command* command = CommandTable::find(context.command);
    if (!command)
        return context.usageError(QStringLiteral("unknown command: %1").arg(context.command));
    if (helpAsked) {
        context.printRaw(CommandTable::usageOf(*command));
        return CliContext::Success;
    }
    const QString unused = CommandTable::unusedOption(*command, parser.optionNames());
    if (!unused.isEmpty())
        return context.usageError(
            QStringLiteral("%1 does not take --%2").arg(context.command, unused));
    if (!parser.isSet(QStringLiteral("verbose")))
        qInstallMessageHandler(quietLog);

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

    const int code = command->run(context);
    if (parser.isSet(QStringLiteral("stats")))
        context.error(QStringLiteral("peak-rss-kib %1").arg(peakResidentKiB()));
    return code;
}
