#include "CliContext.h"

#include "CommandTable.h"

#include "tavlo/discovery/ServerInfoGetter.h"

#include <QDir>
#include <QFileInfo>
#include <QHostInfo>
#include <QTextStream>

void CliContext::print(const QString& line) const {
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << line << '\n';
    out.flush();
}

void CliContext::printRaw(const QString& text) const {
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << text;
    out.flush();
}

void CliContext::error(const QString& line) const {
    QTextStream err(stderr);
    err.setCodec("UTF-8");
    err << "tavlo-cli: " << line << '\n';
    err.flush();
}

int CliContext::usageError(const QString& message) const {
    error(message);
    error(command.isEmpty() || !CommandTable::find(command)
              ? QStringLiteral("see 'tavlo-cli --help'")
              : QStringLiteral("see 'tavlo-cli help %1'").arg(command));
    return Usage;
}

bool CliContext::waitSeconds(double& seconds, double fallback) const {
    seconds = fallback;
    if (!parser.isSet(QStringLiteral("wait")))
        return true;
    bool ok = false;
    seconds = parser.value(QStringLiteral("wait")).toDouble(&ok);
    if (!ok || seconds < 0)
        return false;
    // At most a day: longer waits would overflow a timer's milliseconds.
    seconds = qMin(seconds, MaxWaitSeconds);
    return true;
}

bool CliContext::parseEndpoint(const QString& text, QHostAddress& address, quint16& port,
                               quint16 defaultPort) {
    QString host = text;
    port = defaultPort;
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && text.count(QLatin1Char(':')) == 1) {
        bool ok = false;
        const uint value = text.mid(colon + 1).toUInt(&ok, 10);
        if (!ok || value == 0 || value > 65535)
            return false;
        port = quint16(value);
        host = text.left(colon);
    }
    if (address.setAddress(host))
        return address.protocol() == QAbstractSocket::IPv4Protocol;
    // A host name: its first IPv4 address.
    if (host.isEmpty())
        return false;
    const QHostInfo info = QHostInfo::fromName(host);
    for (const QHostAddress& candidate : info.addresses()) {
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
            address = candidate;
            return true;
        }
    }
    return false;
}

bool CliContext::targetDevice(ServerContent& device) const {
    const QString text = parser.value(QStringLiteral("device"));
    if (text.isEmpty()) {
        usageError(QStringLiteral("no device given: use --device ADDRESS"));
        return false;
    }
    QHostAddress address;
    quint16 queryPort = 0;
    if (!parseEndpoint(text, address, queryPort, ServerContent::DefaultQueryPort)) {
        usageError(QStringLiteral("invalid device address or unknown host: %1").arg(text));
        return false;
    }

    device = ServerContent();
    device.address = address;
    device.port = queryPort;
    bool answered = false;
    DiscoveryServer::ServerInfoGetter getter(nullptr, address, queryPort);
    getter.query([&](const ServerContent& server, bool valid, bool) {
        if (valid) {
            device = server;
            answered = true;
        }
    });
    if (!answered)
        error(QStringLiteral("note: %1 did not answer the device query; going on by address")
                  .arg(address.toString()));
    return true;
}

QString CliContext::absolutePath(const QString& path) const {
    return QFileInfo(QDir(startDirectory), path).absoluteFilePath();
}
