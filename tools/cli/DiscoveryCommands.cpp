#include "DiscoveryCommands.h"

#include "CliContext.h"
#include "tavlo/TavloClientDatabase.h"
#include "tavlo/discovery/DiscoveryListener.h"
#include "tavlo/discovery/DiscoveryServer.h"
#include "tavlo/discovery/ServerInfoGetter.h"
#include "utils/QtJson.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace DiscoveryCommands {
namespace {

QVariantMap toJson(const ServerContent& device) {
    QVariantMap ports;
    for (const SupportPort& port : device.supportPorts)
        ports.insert(port.name, port.port);
    QVariantMap map;
    map.insert(QStringLiteral("address"), device.address.toString());
    map.insert(QStringLiteral("port"), device.port);
    map.insert(QStringLiteral("name"), device.name);
    map.insert(QStringLiteral("type"), device.type);
    map.insert(QStringLiteral("uuid"), device.uuid);
    map.insert(QStringLiteral("version"), device.version);
    map.insert(QStringLiteral("os"), device.os);
    map.insert(QStringLiteral("supports"), device.supports);
    map.insert(QStringLiteral("ports"), ports);
    return map;
}

QString describe(const ServerContent& device) {
    return QStringLiteral("%1:%2  %3  [%4]  uuid=%5  version=%6  os=%7  supports=%8")
        .arg(device.address.toString())
        .arg(device.port)
        .arg(device.name, device.type, device.uuid, device.version, device.os,
             device.supportEntries().join(QStringLiteral(", ")));
}

void printDevices(const CliContext& context, QList<ServerContent> devices) {
    std::sort(devices.begin(), devices.end(), [](const ServerContent& a, const ServerContent& b) {
        return a.address.toIPv4Address() < b.address.toIPv4Address();
    });
    if (context.parser.isSet(QStringLiteral("json"))) {
        QVariantList list;
        for (const ServerContent& device : devices)
            list.append(toJson(device));
        context.print(QString::fromUtf8(QtJson::serialize(list)));
        return;
    }
    for (const ServerContent& device : devices)
        context.print(describe(device));
}

} // namespace

int discover(CliContext& context) {
    double seconds = 0;
    if (!context.waitSeconds(seconds, 6))
        return context.usageError(QStringLiteral("--wait needs a number of seconds"));
    const bool events = context.parser.isSet(QStringLiteral("events"));

    DiscoveryServer* discovery = DiscoveryServer::instance();
    QElapsedTimer clock;
    clock.start();
    auto stamp = [&clock] {
        return QStringLiteral("[%1] ").arg(clock.elapsed() / 1000.0, 7, 'f', 3);
    };
    if (events) {
        QObject::connect(
            discovery, &DiscoveryServer::serverDiscoveried, discovery,
            [&](ServerContent server) {
                context.print(
                    stamp() +
                    QStringLiteral("discovered %1 %2").arg(server.address.toString(), server.name));
            },
            Qt::QueuedConnection);
        QObject::connect(
            discovery, &DiscoveryServer::serverDisappeared, discovery,
            [&](ServerContent server) {
                context.print(stamp() + QStringLiteral("disappeared %1 %2")
                                            .arg(server.address.toString(), server.name));
            },
            Qt::QueuedConnection);
        QObject::connect(
            discovery, &DiscoveryServer::serverDiscoeryEnd, discovery,
            [&](int count) { context.print(stamp() + QStringLiteral("sweep-end %1").arg(count)); },
            Qt::QueuedConnection);
    }
    discovery->start();
    QTimer::singleShot(int(seconds * 1000), qApp, &QCoreApplication::quit);
    QCoreApplication::exec();

    const QList<ServerContent> devices = discovery->servers();
    printDevices(context, devices);
    if (devices.isEmpty()) {
        context.error(QStringLiteral("no devices found within %1 s").arg(seconds));
        return CliContext::Failure;
    }
    return CliContext::Success;
}

int query(CliContext& context) {
    if (context.arguments.size() != 1)
        return context.usageError(QStringLiteral("query needs one ADDRESS[:PORT]"));
    QHostAddress address;
    quint16 port = 0;
    if (!CliContext::parseEndpoint(context.arguments.first(), address, port,
                                   ServerContent::DefaultQueryPort))
        return context.usageError(
            QStringLiteral("invalid address: %1").arg(context.arguments.first()));

    ServerContent answer;
    bool valid = false;
    DiscoveryServer::ServerInfoGetter getter(nullptr, address, port);
    getter.query([&](const ServerContent& server, bool ok, bool) {
        answer = server;
        valid = ok;
    });
    if (!valid) {
        context.error(QStringLiteral("no answer from %1:%2 within %3 ms")
                          .arg(address.toString())
                          .arg(port)
                          .arg(DiscoveryServer::ServerInfoGetter::ReplyTimeoutMs));
        return CliContext::Failure;
    }
    printDevices(context, {answer});
    return CliContext::Success;
}

int respond(CliContext& context) {
    double seconds = 0;
    if (!context.waitSeconds(seconds, 0))
        return context.usageError(QStringLiteral("--wait needs a number of seconds"));
    DiscoveryListener* listener = DiscoveryListener::instance();
    listener->start(QThread::InheritPriority);
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, &ready, [&] {
        if (listener->isListening()) {
            context.print(
                QStringLiteral("responding on UDP %1").arg(DiscoveryListener::ListenPort));
            ready.stop();
        }
    });
    ready.start(20);
    if (seconds > 0)
        QTimer::singleShot(int(seconds * 1000), qApp, &QCoreApplication::quit);
    const int code = QCoreApplication::exec();
    listener->requestInterruption();
    listener->quit();
    listener->wait();
    return code == 0 ? CliContext::Success : CliContext::Failure;
}

int devices(CliContext& context) {
    TavloClientDatabase* database = TavloClientDatabase::instance();
    const QString action = context.arguments.value(0, QStringLiteral("list"));
    if (action == QLatin1String("list") && context.arguments.size() <= 1) {
        for (const ServerContent& device : database->getManualDevices())
            context.print(QStringLiteral("%1:%2").arg(device.address.toString()).arg(device.port));
        return CliContext::Success;
    }
    if ((action != QLatin1String("add") && action != QLatin1String("rm")) ||
        context.arguments.size() != 2)
        return context.usageError(QStringLiteral("use: devices [list] | add ADDRESS[:PORT] | "
                                                 "rm ADDRESS[:PORT]"));
    ServerContent device;
    quint16 port = 0;
    if (!CliContext::parseEndpoint(context.arguments.at(1), device.address, port,
                                   ServerContent::DefaultQueryPort))
        return context.usageError(
            QStringLiteral("invalid address: %1").arg(context.arguments.at(1)));
    device.port = port;
    const QString endpoint = QStringLiteral("%1:%2").arg(device.address.toString()).arg(port);
    if (action == QLatin1String("add")) {
        if (!database->addManualDevice(device)) {
            context.error(
                QStringLiteral("cannot add %1: the address is already stored").arg(endpoint));
            return CliContext::Failure;
        }
        context.print(QStringLiteral("added %1").arg(endpoint));
        return CliContext::Success;
    }
    const QList<ServerContent> stored = database->getManualDevices();
    const bool known = std::any_of(stored.begin(), stored.end(), [&](const ServerContent& entry) {
        return entry.address == device.address && entry.port == device.port;
    });
    if (!known || !database->removeManualDevice(device)) {
        context.error(QStringLiteral("cannot remove %1: no such manual device").arg(endpoint));
        return CliContext::Failure;
    }
    context.print(QStringLiteral("removed %1").arg(endpoint));
    return CliContext::Success;
}

} // namespace DiscoveryCommands
