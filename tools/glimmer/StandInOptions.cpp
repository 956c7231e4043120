#include "StandInOptions.h"

#include <QCommandLineParser>
#include <QProcess>

const char* const StandInOptions::EnvironmentVariable = "GLIMMER_OPTIONS";

namespace {

bool toMilliseconds(const QString& text, int& value, bool allowNever) {
    if (allowNever && text == QLatin1String("never")) {
        value = -1;
        return true;
    }
    bool ok = false;
    value = text.toInt(&ok, 10);
    return ok && value >= 0 && value <= 24 * 3600 * 1000;
}

} // namespace

bool StandInOptions::fail(const QString& text) {
    error_ = text;
    return false;
}

bool StandInOptions::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A stand-in for the mirroring program that the Tavlo client starts to cast the screen. "
        "It shows no video and sends no picture: it opens the local control server named by "
        "-cs, accepts one controller, obeys pause, resume, changeAspectRatio and stop (it exits "
        "after stop, or when the controller leaves), reports castConnected, castPaused, "
        "castResumed and castDisconnected as its pretended cast changes, and prints each step "
        "on standard output (lines starting \"glimmer: \").\n"
        "Options from the environment variable GLIMMER_OPTIONS are added after the command "
        "line, so a stand-in started by the client can be scripted."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption modeOpt(QStringLiteral("s"),
                                     QStringLiteral("Mode of the cast (printed only)."),
                                     QStringLiteral("N"));
    const QCommandLineOption addressOpt(QStringLiteral("i"),
                                        QStringLiteral("The device's address (printed only)."),
                                        QStringLiteral("ADDRESS"));
    const QCommandLineOption serverOpt(QStringLiteral("cs"),
                                       QStringLiteral("Name of the local control server to open."),
                                       QStringLiteral("NAME"));
    const QCommandLineOption connectOpt(
        QStringLiteral("connect-after"),
        QStringLiteral("Reports castConnected MS after the controller connected (default 300; "
                       "\"never\": the cast never connects)."),
        QStringLiteral("MS"), QStringLiteral("300"));
    const QCommandLineOption dropOpt(
        QStringLiteral("drop-after"),
        QStringLiteral("The cast drops (castDisconnected) MS after it connected (default never)."),
        QStringLiteral("MS"), QStringLiteral("never"));
    const QCommandLineOption lingerOpt(
        QStringLiteral("linger"),
        QStringLiteral("After a drop, exits when no stop came within MS (default 3000)."),
        QStringLiteral("MS"), QStringLiteral("3000"));
    const QCommandLineOption waitOpt(
        QStringLiteral("wait-client"),
        QStringLiteral("Exits with code 3 when no controller connected within MS (default 60000)."),
        QStringLiteral("MS"), QStringLiteral("60000"));
    const QCommandLineOption logOpt(QStringLiteral("log"),
                                    QStringLiteral("Also appends every printed line to FILE."),
                                    QStringLiteral("FILE"));
    parser.addOptions(
        {modeOpt, addressOpt, serverOpt, connectOpt, dropOpt, lingerOpt, waitOpt, logOpt});
    helpText_ = parser.helpText();

    QStringList all = arguments;
    all += QProcess::splitCommand(QString::fromLocal8Bit(qgetenv(EnvironmentVariable)));
    if (!parser.parse(all))
        return fail(parser.errorText());
    helpRequested_ = parser.isSet(help);
    if (helpRequested_)
        return true;
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("Unexpected argument: %1")
                        .arg(parser.positionalArguments().constFirst()));

    mode = parser.value(modeOpt);
    logFile = parser.value(logOpt);
    deviceAddress = parser.value(addressOpt);
    serverName = parser.value(serverOpt);
    if (serverName.isEmpty())
        return fail(QStringLiteral("No control server name: use -cs NAME"));
    if (!toMilliseconds(parser.value(connectOpt), connectAfterMs, true))
        return fail(QStringLiteral("Bad --connect-after: %1").arg(parser.value(connectOpt)));
    if (!toMilliseconds(parser.value(dropOpt), dropAfterMs, true))
        return fail(QStringLiteral("Bad --drop-after: %1").arg(parser.value(dropOpt)));
    if (!toMilliseconds(parser.value(lingerOpt), lingerMs, false))
        return fail(QStringLiteral("Bad --linger: %1").arg(parser.value(lingerOpt)));
    if (!toMilliseconds(parser.value(waitOpt), waitClientMs, false))
        return fail(QStringLiteral("Bad --wait-client: %1").arg(parser.value(waitOpt)));
    return true;
}
