#include "PeerCommands.h"

#include "CliContext.h"
#include "LineReader.h"
#include "ProgressPrinter.h"
#include "SignalWatcher.h"
#include "tavlo/FileDownloader.h"
#include "tavlo/discovery/DiscoveryListener.h"
#include "tavlo/server/FileDistribution.h"
#include "tavlo/server/IncomingOffer.h"
#include "tavlo/server/OperateListener.h"
#include "utils/Config.h"
#include "utils/StopToken.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMap>
#include <QTextStream>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace PeerCommands {
namespace {

QString peerLabel(const ServerContent& peer) {
    return peer.name.isEmpty() ? peer.address.toString()
                               : QStringLiteral("%1 (%2)").arg(peer.name, peer.address.toString());
}

// Starts the operate listener and waits until it took its port.
bool startListener(const CliContext& context, OperateListener& listener) {
    listener.start(QThread::InheritPriority);
    for (int waited = 0; waited < 3000 && !listener.isListening(); waited += 20)
        QThread::msleep(20);
    if (!listener.isListening()) {
        context.error(QStringLiteral("cannot listen on UDP %1 (another client running?)")
                          .arg(OperateListener::ListenPort));
        return false;
    }
    return true;
}

} // namespace

int receive(CliContext& context) {
    if (!context.arguments.isEmpty())
        return context.usageError(QStringLiteral("receive takes no arguments"));
    double seconds = 0;
    if (!context.waitSeconds(seconds, 0))
        return context.usageError(QStringLiteral("--wait needs a number of seconds"));
    const QString folder = context.parser.isSet(QStringLiteral("dir"))
                               ? context.absolutePath(context.parser.value(QStringLiteral("dir")))
                               : Config::instance()->value(Config::DownloadPath).toString();
    const bool acceptAll = context.parser.isSet(QStringLiteral("yes"));

    // Peers find this PC through discovery, then offer their files.
    DiscoveryListener* responder = DiscoveryListener::instance();
    responder->start(QThread::InheritPriority);
    OperateListener listener;
    if (!startListener(context, listener))
        return CliContext::Failure;
    context.print(
        QStringLiteral("receiving into %1; offers are %2")
            .arg(folder, acceptAll ? QStringLiteral("accepted") : QStringLiteral("asked about")));

    QThreadPool downloads;
    StopToken stop;
    int stopSignal = 0;
    bool allGood = true;
    std::map<int, std::unique_ptr<ProgressPrinter>> printers;
    const auto take = [&](const QString& path, const ServerContent& peer) {
        const QString name = IncomingOffer::safeFileName(path);
        QString error;
        const QString local = IncomingOffer::reserveLocalPath(folder, path, error);
        if (local.isEmpty()) {
            context.error(QStringLiteral("cannot receive %1: %2").arg(name, error));
            allGood = false;
            return;
        }
        auto* downloader = new FileDownloader(path, local, peer, 0);
        downloader->setStopToken(stop);
        printers[downloader->transferId()] = std::make_unique<ProgressPrinter>(name, 0);
        QObject::connect(
            downloader, &FileDownloader::updateProgress, qApp,
            [&, name, local, peer](ProgressContent progress) {
                ProgressPrinter* printer = printers[progress.id].get();
                if (progress.percent >= 0 && progress.percent <= 100) {
                    printer->update(progress.percent);
                    return;
                }
                printer->finish();
                if (progress.percent == ProgressContent::Confirmed) {
                    context.print(QStringLiteral("received %1 from %2 into %3")
                                      .arg(name, peerLabel(peer), local));
                } else {
                    context.error(QStringLiteral("receiving %1 from %2 failed: %3")
                                      .arg(name, peerLabel(peer), progress.failure.text()));
                    allGood = false;
                }
            },
            Qt::QueuedConnection);
        downloads.start(downloader);
    };

    // Offers are asked about one at a time; the answer is a line read without
    // blocking, so Ctrl+C and the transfers go on meanwhile.
    struct Offer {
        QString path;
        ServerContent peer;
    };
    QList<Offer> waiting;
    bool asking = false;
    const bool terminal = isatty(STDIN_FILENO) != 0;
    const auto askNext = [&] {
        if (asking || waiting.isEmpty())
            return;
        asking = true;
        const Offer& offer = waiting.first();
        QTextStream out(stdout);
        out << QStringLiteral("%1 offers %2. Accept? [y/N] ")
                   .arg(peerLabel(offer.peer), IncomingOffer::safeFileName(offer.path));
        out.flush();
    };
    if (!acceptAll && terminal) {
        QObject::connect(LineReader::instance(), &LineReader::lineRead, qApp, [&](QString line) {
            if (!asking)
                return;
            const Offer offer = waiting.takeFirst();
            asking = false;
            const QString answer = line.trimmed().toLower();
            if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
                take(offer.path, offer.peer);
            askNext();
        });
    }
    QObject::connect(
        &listener, &OperateListener::isDownloadFile, qApp,
        [&](QString path, ServerContent peer, quint16) {
            const QString name = IncomingOffer::safeFileName(path);
            if (name.isEmpty()) {
                context.error(QStringLiteral("refused %1 from %2: unusable file name")
                                  .arg(path, peerLabel(peer)));
                return;
            }
            if (acceptAll) {
                take(path, peer);
                return;
            }
            if (!terminal) {
                context.error(QStringLiteral("%1 offers %2: declined (no terminal to ask; use "
                                             "--yes)")
                                  .arg(peerLabel(peer), name));
                return;
            }
            constexpr int MaxWaitingOffers = 100;
            if (waiting.size() >= MaxWaitingOffers)
                return;
            waiting.append(Offer{path, peer});
            askNext();
        },
        Qt::QueuedConnection);

    SignalWatcher watcher;
    QObject::connect(&watcher, &SignalWatcher::stopRequested, qApp, [&](int signalNumber) {
        stopSignal = signalNumber;
        QCoreApplication::quit();
    });
    if (seconds > 0)
        QTimer::singleShot(int(seconds * 1000), qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    listener.stopServing();
    responder->stop();
    stop.requestStop();
    downloads.waitForDone();
    QCoreApplication::processEvents(); // the final reports
    if (stopSignal != 0)
        return CliContext::exitCodeForSignal(stopSignal);
    return allGood ? CliContext::Success : CliContext::Failure;
}

namespace {

// What became of one offered file.
struct OfferState {
    QString name;
    std::unique_ptr<ProgressPrinter> printer;
    bool sent = false;
    bool confirmed = false;
    QString failure;
    bool isOver() const { return confirmed || !failure.isEmpty(); }
};

} // namespace

int offer(CliContext& context) {
    if (context.arguments.isEmpty())
        return context.usageError(QStringLiteral("offer needs at least one FILE"));
    double seconds = 0;
    if (!context.waitSeconds(seconds, 120))
        return context.usageError(QStringLiteral("--wait needs a number of seconds"));
    // Every file is checked before the peer hears of any.
    QStringList paths;
    for (const QString& argument : qAsConst(context.arguments)) {
        const QString path = context.absolutePath(argument);
        const QFileInfo info(path);
        QFile probe(path);
        if (!info.isFile() || !probe.open(QIODevice::ReadOnly)) {
            context.error(QStringLiteral("cannot read %1: %2")
                              .arg(argument, info.isDir()    ? QStringLiteral("it is a directory")
                                             : info.exists() ? probe.errorString()
                                                             : QStringLiteral("no such file")));
            return CliContext::Failure;
        }
        paths.append(path);
    }
    ServerContent peer;
    if (!context.targetDevice(peer))
        return CliContext::Usage;

    OperateListener listener;
    if (!startListener(context, listener))
        return CliContext::Failure;
    std::map<QString, OfferState> states;
    QMap<quint32, QString> sessions;
    QMap<int, QString> transfers; // download server transfer id -> path
    const auto finishIfDone = [&] {
        if (std::all_of(states.begin(), states.end(),
                        [](const auto& s) { return s.second.isOver(); }))
            QCoreApplication::quit();
    };
    QObject::connect(
        &listener, &OperateListener::sessionGranted, qApp,
        [&](quint32 id, QString path, QHostAddress) { sessions.insert(id, path); },
        Qt::QueuedConnection);
    QObject::connect(
        &listener, &OperateListener::uploadProgress, qApp,
        [&](ProgressContent progress) {
            auto it = states.find(progress.localPath);
            if (it == states.end())
                return;
            OfferState& state = it->second;
            if (!state.printer)
                state.printer = std::make_unique<ProgressPrinter>(
                    state.name, QFileInfo(progress.localPath).size());
            if (progress.percent >= 0 && progress.percent <= 100) {
                state.printer->update(progress.percent);
                return;
            }
            state.printer->finish();
            if (progress.percent == ProgressContent::Confirmed)
                state.sent = true;
            else if (!state.confirmed)
                state.failure = progress.failure.text();
            finishIfDone();
        },
        Qt::QueuedConnection);
    QObject::connect(
        &listener, &OperateListener::sessionQueried, qApp,
        [&](quint32 id, bool confirmed) {
            auto it = states.find(sessions.value(id));
            if (it == states.end())
                return;
            OfferState& state = it->second;
            if (confirmed) {
                state.confirmed = true;
                state.failure.clear();
            } else if (state.sent && !state.confirmed) {
                state.failure = QStringLiteral("the peer's copy differs from the file");
            }
            finishIfDone();
        },
        Qt::QueuedConnection);

    for (const QString& path : qAsConst(paths)) {
        states[path].name = QFileInfo(path).fileName();
        FileDistribution distribution(path, peer);
        distribution.setAutoDelete(false);
        distribution.run();
        if (distribution.isOffered())
            context.print(
                QStringLiteral("offered %1 to %2").arg(states[path].name, peerLabel(peer)));
        else
            states[path].failure = QStringLiteral("the offer could not be sent");
    }

    int stopSignal = 0;
    SignalWatcher watcher;
    QObject::connect(&watcher, &SignalWatcher::stopRequested, qApp, [&](int signalNumber) {
        stopSignal = signalNumber;
        QCoreApplication::quit();
    });
    // The wait is for the peer: any grant or progress starts it again, so a
    // long transfer is never cut off while it moves.
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(int(seconds * 1000));
    QObject::connect(&idle, &QTimer::timeout, qApp, &QCoreApplication::quit);
    QObject::connect(
        &listener, &OperateListener::sessionGranted, &idle, [&idle] { idle.start(); },
        Qt::QueuedConnection);
    QObject::connect(
        &listener, &OperateListener::uploadProgress, &idle, [&idle] { idle.start(); },
        Qt::QueuedConnection);
    idle.start();
    finishIfDone();
    QCoreApplication::exec();
    listener.stopServing();
    QCoreApplication::processEvents();

    bool allConfirmed = true;
    for (auto& [path, state] : states) {
        if (state.confirmed) {
            context.print(
                QStringLiteral("sent %1 to %2 (confirmed)").arg(state.name, peerLabel(peer)));
            continue;
        }
        allConfirmed = false;
        QString why = state.failure;
        if (why.isEmpty())
            why = state.sent ? QStringLiteral("sent, but the peer did not confirm it")
                             : QStringLiteral("the peer did not fetch it in time");
        context.error(QStringLiteral("%1: %2").arg(state.name, why));
    }
    if (stopSignal != 0)
        return CliContext::exitCodeForSignal(stopSignal);
    return allConfirmed ? CliContext::Success : CliContext::Failure;
}

} // namespace PeerCommands
