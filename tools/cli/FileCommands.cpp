#include "FileCommands.h"

#include "CliContext.h"
#include "ProgressPrinter.h"
#include "tavlo/FileDelete.h"
#include "tavlo/FileDownloader.h"
#include "tavlo/FileFinder.h"
#include "tavlo/FileOpen.h"
#include "tavlo/FileThumb.h"
#include "tavlo/FileTransferServer.h"
#include "tavlo/FileUploadTask.h"
#include "tavlo/SalutatorySetter.h"
#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/QtJson.h"
#include "utils/StopToken.h"

#include "SignalWatcher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QThreadPool>

#include <memory>

namespace FileCommands {
namespace {

const QStringList SortOrders{Protocol::FILE_NAME_INCREASE,     Protocol::FILE_NAME_DECREASE,
                             Protocol::DATE_MODIFIED_INCREASE, Protocol::DATE_MODIFIED_DECREASE,
                             Protocol::FILE_SIZE_INCREASE,     Protocol::FILE_SIZE_DECREASE};

QString lastComponent(const QString& path) {
    const QStringList parts = path.split(QRegExp(QStringLiteral("[/:]")), Qt::SkipEmptyParts);
    return parts.isEmpty() ? QString() : parts.last();
}

// Lists `dir` on the device on this thread.
bool listDirectory(const ServerContent& device, const QString& dir, const QString& order,
                   QList<FileContent>& entries, QString& error) {
    FileFinder finder(dir, order, device);
    finder.setAutoDelete(false);
    QObject::connect(
        &finder, &FileFinder::findFileEnd, &finder,
        [&entries](QList<FileContent> list) { entries = list; }, Qt::DirectConnection);
    finder.run();
    error = finder.errorText();
    return finder.succeeded();
}

// The listed entry of a remote file, found in its folder's listing; its
// modification time keys the history and the thumbnail cache.
bool lookupEntry(const ServerContent& device, const QString& remotePath, FileContent& entry) {
    const int slash = remotePath.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return false;
    QList<FileContent> entries;
    QString error;
    if (!listDirectory(device, remotePath.left(slash), Protocol::FILE_NAME_INCREASE, entries,
                       error))
        return false;
    const QString name = remotePath.mid(slash + 1);
    for (const FileContent& candidate : qAsConst(entries)) {
        if (candidate.fileName == name) {
            entry = candidate;
            return true;
        }
    }
    return false;
}

// Runs one of the small requests on this thread and reports its outcome.
int runRequest(const CliContext& context, DeviceRequestTask& task, const QString& failure,
               const QString& success) {
    task.setAutoDelete(false);
    task.run();
    if (!task.result()) {
        context.error(QStringLiteral("%1 failed: %2").arg(failure, task.errorText()));
        return CliContext::Failure;
    }
    context.print(success);
    return CliContext::Success;
}

QString deviceLabel(const ServerContent& device) {
    return device.name.isEmpty()
               ? device.address.toString()
               : QStringLiteral("%1 (%2)").arg(device.name, device.address.toString());
}

} // namespace

int send(CliContext& context) {
    if (context.arguments.isEmpty())
        return context.usageError(QStringLiteral("send needs at least one FILE"));
    ServerContent device;
    if (!context.targetDevice(device))
        return CliContext::Usage;
    const bool secure = context.parser.isSet(QStringLiteral("secure"));

    bool allGood = true;
    QStringList paths;
    for (const QString& argument : qAsConst(context.arguments)) {
        const QString path = context.absolutePath(argument);
        const QFileInfo info(path);
        QFile probe(path);
        QString problem;
        if (!info.exists())
            problem = QStringLiteral("no such file");
        else if (info.isDir())
            problem = QStringLiteral("it is a directory");
        else if (!probe.open(QIODevice::ReadOnly))
            problem = probe.errorString();
        if (!problem.isEmpty()) {
            context.error(QStringLiteral("cannot read %1: %2").arg(argument, problem));
            allGood = false;
            continue;
        }
        paths.append(path);
    }
    if (paths.isEmpty())
        return CliContext::Failure;

    FileTransferServer* service = FileTransferServer::instance();
    QMap<int, std::shared_ptr<ProgressPrinter>> printers;
    QMap<int, QString> names;
    int open = paths.size();
    // Ctrl+C or a TERM signal drops the queued uploads and stops the running
    // one at its next block; each still reports its end below.
    int stopSignal = 0;
    SignalWatcher watcher;
    QObject::connect(&watcher, &SignalWatcher::stopRequested, qApp, [&](int signalNumber) {
        if (stopSignal != 0)
            return;
        stopSignal = signalNumber;
        service->stopAll();
    });
    QObject::connect(
        service, &FileTransferServer::uploadProgress, qApp,
        [&](ProgressContent progress) {
            auto printer = printers.value(progress.id);
            if (!printer)
                return;
            const QString name = names.value(progress.id);
            if (progress.percent >= 0 && progress.percent <= 100) {
                printer->update(progress.percent);
                return;
            }
            printer->finish();
            if (progress.percent == ProgressContent::Confirmed) {
                context.print(QStringLiteral("sent %1 to %2 as %3 (confirmed)")
                                  .arg(name, deviceLabel(device), progress.remotePath));
            } else if (stopSignal != 0) {
                context.error(QStringLiteral("upload of %1 stopped; the device may keep an "
                                             "incomplete copy of it as %2")
                                  .arg(name, progress.remotePath));
                allGood = false;
            } else {
                context.error(
                    QStringLiteral("upload of %1 failed: %2").arg(name, progress.failure.text()));
                allGood = false;
            }
            if (--open == 0)
                QCoreApplication::quit();
        },
        Qt::QueuedConnection);

    for (const QString& path : qAsConst(paths)) {
        auto* task = new FileUploadTask(path, device, secure);
        const QString name = QFileInfo(path).fileName();
        names.insert(task->transferId(), name);
        printers.insert(task->transferId(),
                        std::make_shared<ProgressPrinter>(name, QFileInfo(path).size()));
        service->start(task);
    }
    QCoreApplication::exec();
    // A task sends its final report before it writes its history row: the
    // program ends only after the row is written.
    service->waitForDone();
    if (stopSignal != 0)
        return CliContext::exitCodeForSignal(stopSignal);
    return allGood ? CliContext::Success : CliContext::Failure;
}

int list(CliContext& context) {
    if (context.arguments.size() > 1)
        return context.usageError(QStringLiteral("ls takes at most one PATH"));
    const QString order = context.parser.value(QStringLiteral("sort"));
    if (!SortOrders.contains(order))
        return context.usageError(QStringLiteral("unknown sort order %1; use one of: %2")
                                      .arg(order, SortOrders.join(QStringLiteral(", "))));
    ServerContent device;
    if (!context.targetDevice(device))
        return CliContext::Usage;

    const QString dir = context.arguments.value(0);
    QList<FileContent> entries;
    QString error;
    if (!listDirectory(device, dir, order, entries, error)) {
        context.error(QStringLiteral("listing %1 failed: %2")
                          .arg(dir.isEmpty() ? QStringLiteral("the top level") : dir, error));
        return CliContext::Failure;
    }

    if (context.parser.isSet(QStringLiteral("json"))) {
        QVariantList list;
        for (const FileContent& entry : qAsConst(entries)) {
            QVariantMap map;
            map.insert(QStringLiteral("name"), entry.fileName);
            map.insert(QStringLiteral("type"), entry.fileType);
            map.insert(QStringLiteral("size"), entry.fileSize);
            map.insert(QStringLiteral("date_modified"), entry.dateModified);
            list.append(map);
        }
        context.print(QString::fromUtf8(QtJson::serialize(list)));
        return CliContext::Success;
    }
    for (const FileContent& entry : qAsConst(entries)) {
        context.print(
            QStringLiteral("%1 %2 %3  %4")
                .arg(entry.isDir() ? QLatin1Char('d') : QLatin1Char('-'))
                .arg(entry.isDir() ? QStringLiteral("-") : QString::number(entry.fileSize), 12)
                .arg(QDateTime::fromMSecsSinceEpoch(entry.dateModified)
                         .toString(QStringLiteral("yyyy-MM-dd hh:mm")))
                .arg(entry.fileName));
    }
    return CliContext::Success;
}

int get(CliContext& context) {
    if (context.arguments.isEmpty() || context.arguments.size() > 2)
        return context.usageError(QStringLiteral("get needs REMOTE and optionally LOCAL"));
    ServerContent device;
    if (!context.targetDevice(device))
        return CliContext::Usage;

    const QString remote = context.arguments.at(0);
    const QString name = lastComponent(remote);
    QString local = context.absolutePath(context.arguments.value(1, name));
    if (QFileInfo(local).isDir())
        local = QDir(local).filePath(name);

    FileContent entry;
    const bool listed = lookupEntry(device, remote, entry);
    auto* downloader = new FileDownloader(remote, local, device, listed ? entry.dateModified : 0);
    StopToken stop;
    downloader->setStopToken(stop);
    int stopSignal = 0;
    SignalWatcher watcher;
    QObject::connect(&watcher, &SignalWatcher::stopRequested, qApp, [&](int signalNumber) {
        stopSignal = signalNumber;
        stop.requestStop();
    });
    ProgressPrinter printer(name, listed ? entry.fileSize : 0);
    bool success = false;
    QString failure;
    QObject::connect(
        downloader, &FileDownloader::updateProgress, qApp,
        [&](ProgressContent progress) {
            if (progress.percent >= 0 && progress.percent <= 100) {
                printer.update(progress.percent);
                return;
            }
            printer.finish();
            success = progress.percent == ProgressContent::Confirmed;
            failure = progress.failure.text();
            QCoreApplication::quit();
        },
        Qt::QueuedConnection);
    QThreadPool::globalInstance()->start(downloader);
    QCoreApplication::exec();
    // The downloader reports its end before it writes the history row: the
    // program ends only after the row is written.
    QThreadPool::globalInstance()->waitForDone();
    if (stopSignal != 0 && !success) {
        const QString partial = FileDownloader::partialPathFor(local);
        context.error(
            QFile::exists(partial)
                ? QStringLiteral("download of %1 stopped; what arrived is in %2")
                      .arg(remote, partial)
                : QStringLiteral("download of %1 stopped; nothing was written").arg(remote));
        return CliContext::exitCodeForSignal(stopSignal);
    }
    if (!success) {
        context.error(QStringLiteral("download of %1 failed: %2").arg(remote, failure));
        return CliContext::Failure;
    }
    context.print(
        QStringLiteral("received %1 from %2 into %3").arg(remote, deviceLabel(device), local));
    return CliContext::Success;
}

int open(CliContext& context) {
    if (context.arguments.size() != 1)
        return context.usageError(QStringLiteral("open needs one REMOTE path"));
    ServerContent device;
    if (!context.targetDevice(device))
        return CliContext::Usage;
    const QString remote = context.arguments.first();
    FileOpen task(remote, device);
    return runRequest(context, task, QStringLiteral("opening %1").arg(remote),
                      QStringLiteral("opened %1 on %2").arg(remote, deviceLabel(device)));
}

int remove(CliContext& context) {
    if (context.arguments.size() != 1)
        return context.usageError(QStringLiteral("rm needs one REMOTE path"));
    ServerContent device;
    if (!context.targetDevice(device))
        return CliContext::Usage;
    const QString remote = context.arguments.first();
    FileDelete task(remote, device);
    return runRequest(context, task, QStringLiteral("deleting %1").arg(remote),
                      QStringLiteral("deleted %1 on %2").arg(remote, deviceLabel(device)));
}

int thumb(CliContext& context) {
    if (context.arguments.size() != 2)
        return context.usageError(QStringLiteral("thumb needs REMOTE and OUT.png"));
    ServerContent device;
    if (!context.targetDevice(device))
        return CliContext::Usage;
    const QString remote = context.arguments.at(0);
    const QString out = context.absolutePath(context.arguments.at(1));

    qint64 dateModified = 0;
    if (context.parser.isSet(QStringLiteral("date"))) {
        bool ok = false;
        dateModified = context.parser.value(QStringLiteral("date")).toLongLong(&ok);
        if (!ok)
            return context.usageError(QStringLiteral("--date needs milliseconds since 1970"));
    } else {
        FileContent entry;
        if (lookupEntry(device, remote, entry))
            dateModified = entry.dateModified;
    }

    FileThumb task(remote, device, dateModified, QModelIndex());
    task.setAutoDelete(false);
    task.run();
    if (!task.result()) {
        context.error(QStringLiteral("thumbnail of %1 failed: %2").arg(remote, task.errorText()));
        return CliContext::Failure;
    }
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(task.thumbnail()) != task.thumbnail().size()) {
        context.error(QStringLiteral("cannot write %1: %2").arg(out, file.errorString()));
        return CliContext::Failure;
    }
    context.print(QStringLiteral("thumbnail of %1 written to %2 (%3)")
                      .arg(remote, out,
                           task.fromCache() ? QStringLiteral("from cache")
                                            : QStringLiteral("from the device")));
    return CliContext::Success;
}

int welcome(CliContext& context) {
    if (context.arguments.size() != 1 || context.arguments.first().isEmpty())
        return context.usageError(QStringLiteral("welcome needs one non-empty TEXT"));
    ServerContent device;
    if (!context.targetDevice(device))
        return CliContext::Usage;
    SalutatorySetter task(context.arguments.first(), device);
    return runRequest(context, task, QStringLiteral("setting the welcome text"),
                      QStringLiteral("welcome text set on %1").arg(deviceLabel(device)));
}

} // namespace FileCommands
