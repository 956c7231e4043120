// tavlo-device-sim: plays Tavlo meeting-room display devices for tests, demos
// and people without hardware. Run with --help for the options.
#include "DiscoveryProbe.h"
#include "EventLog.h"
#include "FileStore.h"
#include "MdnsAnnouncer.h"
#include "MdnsWatcher.h"
#include "SampleContent.h"
#include "SignalWatcher.h"
#include "SimDevice.h"
#include "SimOptions.h"

#include "utils/ProtocolDefinedJsonObject.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

void printError(const QString& text) {
    std::fprintf(stderr, "tavlo-device-sim: %s\n", qPrintable(text));
}

int runProbe(QCoreApplication& app, const SimOptions& options, EventLog& log) {
    QVariantMap message;
    message.insert(Protocol::NAME, options.name);
    message.insert(Protocol::OS, options.os);
    message.insert(Protocol::TYPE, options.type);
    // Leaving a member out tests the PC's rules for missing values.
    if (!options.probeVersion.isEmpty())
        message.insert(Protocol::VERSION, options.probeVersion);
    if (!options.probeUuid.isEmpty())
        message.insert(Protocol::UUID, options.probeUuid);

    DiscoveryProbe probe(message, options.askPcAddress, options.askPcPort, options.waitMs, log);
    QObject::connect(&probe, &DiscoveryProbe::finished, &app, [&app](int code) { app.exit(code); });
    SignalWatcher stopper;
    QObject::connect(&stopper, &SignalWatcher::stopRequested, &app, [&app] { app.exit(1); });
    probe.start();
    return app.exec();
}

int runDevices(QCoreApplication& app, const SimOptions& options, EventLog& log) {
    // Declared first so it is removed last, after every transfer stopped.
    std::unique_ptr<QTemporaryDir> temporaryStore;
    QString root = options.storeDir;
    if (root.isEmpty()) {
        temporaryStore =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tavlo-sim-XXXXXX"));
        if (!temporaryStore->isValid()) {
            printError(QStringLiteral("cannot create a temporary store: %1")
                           .arg(temporaryStore->errorString()));
            return 1;
        }
        root = temporaryStore->path();
    }
    const FileStore store(root);
    QString error;
    if (!store.prepare(options.extraTopFolders, &error) ||
        (options.sampleFiles && !SampleContent::write(store, &error))) {
        printError(QStringLiteral("store %1: %2").arg(root, error));
        return 1;
    }
    log.event(QStringLiteral("store %1").arg(store.root()));

    SignalWatcher stopper;
    QObject::connect(&stopper, &SignalWatcher::stopRequested, &app, &QCoreApplication::quit);

    std::vector<std::unique_ptr<SimDevice>> devices;
    for (const DeviceIdentity& identity : options.devices()) {
        devices.push_back(std::make_unique<SimDevice>(identity, options, store, log));
        if (!devices.back()->start(&error)) {
            printError(QStringLiteral("cannot listen: %1").arg(error));
            return 1;
        }
    }

    std::unique_ptr<MdnsAnnouncer> announcer;
    if (!options.announceName.isEmpty()) {
        announcer = std::make_unique<MdnsAnnouncer>(options.announceName,
                                                    devices.front()->queryPort(), log);
        announcer->start();
    }
    std::unique_ptr<MdnsWatcher> watcher;
    if (options.watchMdns) {
        watcher = std::make_unique<MdnsWatcher>(log);
        watcher->start();
    }

    const int code = app.exec();
    // Withdraw the announcement and end the transfers before the store goes.
    announcer.reset();
    watcher.reset();
    devices.clear();
    return code;
}

// Drawing the sample pictures (text needs fonts) takes a GUI application;
// everything else runs on a plain one, which needs no platform plugin.
bool needsGui(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--sample-files") == 0 || qstrcmp(argv[i], "-sample-files") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> application;
    if (needsGui(argc, argv)) {
        // A GUI application, but never a screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("tavlo-device-sim"));

    SimOptions options;
    if (!options.parse(QCoreApplication::arguments())) {
        printError(options.errorText());
        return 2;
    }
    if (options.versionRequested()) {
        std::printf("tavlo-device-sim %s\n", TAVLO_VERSION);
        return 0;
    }
    if (options.helpRequested()) {
        std::fputs(options.helpText().toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
        return 0;
    }

    EventLog log(options.quiet);
    return options.mode() == SimOptions::Mode::AskPc ? runProbe(app, options, log)
                                                     : runDevices(app, options, log);
}
