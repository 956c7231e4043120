// tavlo-bench-ops: the small operations end to end against one device, run on
// this thread the way the window's pools run them.
//
//   tavlo-bench-ops --device ADDRESS --file SMALL_FILE --folder REMOTE_DIR [--runs N]
//
// For each run: one device query (one UDP exchange: the reference), one
// upload of SMALL_FILE with the timings devices are built for, and one
// listing of REMOTE_DIR. Prints one JSON object with every time in
// milliseconds and the pause before each completion poll; how many polls
// the uploads took is for the device to count. Exit code 1 when an
// operation failed.
#include "tavlo/FileFinder.h"
#include "tavlo/FileUploadTask.h"
#include "tavlo/TransferTimings.h"
#include "tavlo/discovery/ServerInfoGetter.h"
#include "utils/DataLocations.h"
#include "utils/MetaTypes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

double millisecondsSince(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

bool queryDevice(const QHostAddress& address, ServerContent& device, double& ms) {
    QElapsedTimer clock;
    clock.start();
    bool answered = false;
    DiscoveryServer::ServerInfoGetter getter(nullptr, address, ServerContent::DefaultQueryPort);
    getter.query([&](const ServerContent& server, bool valid, bool) {
        if (valid) {
            device = server;
            answered = true;
        }
    });
    ms = millisecondsSince(clock);
    return answered;
}

// One upload; the task reports its failure through failure().
bool upload(const QString& path, const ServerContent& device, double& ms) {
    QElapsedTimer clock;
    clock.start();
    bool confirmed = false;
    {
        FileUploadTask task(path, device, false);
        task.setAutoDelete(false);
        task.run();
        confirmed = !task.failure().isFailure();
    } // the final report and the history row are part of the operation
    ms = millisecondsSince(clock);
    return confirmed;
}

bool list(const QString& folder, const ServerContent& device, int& entries, double& ms) {
    QElapsedTimer clock;
    clock.start();
    FileFinder finder(folder, QStringLiteral("file_name_increase"), device);
    finder.setAutoDelete(false);
    QObject::connect(
        &finder, &FileFinder::findFileEnd, &finder,
        [&entries](QList<FileContent> found) { entries = found.size(); }, Qt::DirectConnection);
    finder.run();
    ms = millisecondsSince(clock);
    return finder.succeeded();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    MetaTypes::registerAll();
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("device"), QStringLiteral("The device's address."), QStringLiteral("A")},
        {QStringLiteral("file"), QStringLiteral("The small file to upload."), QStringLiteral("F")},
        {QStringLiteral("folder"), QStringLiteral("The remote folder to list."),
         QStringLiteral("D")},
        {QStringLiteral("runs"), QStringLiteral("How many times."), QStringLiteral("N"),
         QStringLiteral("5")},
    });
    parser.process(app);
    const QHostAddress address(parser.value(QStringLiteral("device")));
    const int runs = parser.value(QStringLiteral("runs")).toInt();
    QTextStream err(stderr);
    if (address.isNull() || runs <= 0 || !parser.isSet(QStringLiteral("file"))) {
        err << "tavlo-bench-ops: give --device, --file, --folder and a positive --runs\n";
        return 2;
    }
    // Settings and history go to a folder of their own.
    QTemporaryDir data;
    DataLocations::setDataDirectory(data.path());
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    QJsonArray queries, uploads, listings;
    int entries = 0;
    for (int run = 0; run < runs; ++run) {
        ServerContent device;
        double query = 0, full = 0, listing = 0;
        if (!queryDevice(address, device, query)) {
            err << "tavlo-bench-ops: the device did not answer the query\n";
            return 1;
        }
        if (!upload(parser.value(QStringLiteral("file")), device, full)) {
            err << "tavlo-bench-ops: an upload failed\n";
            return 1;
        }
        if (!list(parser.value(QStringLiteral("folder")), device, entries, listing)) {
            err << "tavlo-bench-ops: the listing failed\n";
            return 1;
        }
        queries.append(query);
        uploads.append(full);
        listings.append(listing);
    }
    const QJsonObject result{
        {QStringLiteral("poll_pause_ms"), TransferTimings::forUpload().pollSleepMs},
        {QStringLiteral("query_ms"), queries},
        {QStringLiteral("upload_ms"), uploads},
        {QStringLiteral("listing_ms"), listings},
        {QStringLiteral("listing_entries"), entries},
    };
    QTextStream(stdout) << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
    return 0;
}
