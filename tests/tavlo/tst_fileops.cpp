// The client's file operations against the device simulator on loopback
// addresses (unicast only), with shortened waits where a case waits for
// time-outs.
#include "common/TestSupport.h"
#include "tavlo/FileDelete.h"
#include "tavlo/FileDownloader.h"
#include "tavlo/FileFinder.h"
#include "tavlo/FileOpen.h"
#include "tavlo/FileThumb.h"
#include "tavlo/FileTransferServer.h"
#include "tavlo/FileUploadTask.h"
#include "tavlo/FileUtil.h"
#include "tavlo/SalutatorySetter.h"
#include "tavlo/TavloClientDatabase.h"
#include "utils/MetaTypes.h"
#include "utils/QtJson.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMutex>
#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {

ServerContent deviceAt(const QString& address) {
    ServerContent device;
    device.address = QHostAddress(address);
    device.uuid = "uuid-" + address;
    device.name = "Sim " + address;
    device.type = "server";
    return device;
}

TransferTimings fast() {
    TransferTimings t;
    t.replyTimeoutMs = 3000;
    t.pollTimeoutMs = 300;
    t.pollSleepMs = 200; // ten polls give the device two seconds to finish
    t.connectTimeoutMs = 3000;
    t.ioTimeoutMs = 3000;
    return t;
}

struct UploadResult {
    QList<ProgressContent> reports;
    ProgressContent last() const { return reports.isEmpty() ? ProgressContent() : reports.last(); }
    int finals() const {
        int n = 0;
        for (const ProgressContent& p : reports)
            n += (p.percent == ProgressContent::Confirmed || p.percent == ProgressContent::Failed);
        return n;
    }
};

UploadResult upload(const QString& path, const ServerContent& device, bool secure,
                    const TransferTimings& timings = fast()) {
    UploadResult result;
    QObject context;
    QObject::connect(
        FileTransferServer::instance(), &FileTransferServer::uploadProgress, &context,
        [&](ProgressContent p) { result.reports.append(p); }, Qt::DirectConnection);
    auto* task = new FileUploadTask(path, device, secure);
    task->setTimings(timings);
    task->setAutoDelete(false);
    task->run();
    delete task; // sends the final report
    return result;
}

struct DownloadResult {
    QList<ProgressContent> reports;
    bool historyUpdated = false;
};

DownloadResult download(const QString& remote, const QString& local, const ServerContent& device,
                        const TransferTimings& timings = fast()) {
    DownloadResult result;
    auto* task = new FileDownloader(remote, local, device, 1700000000000LL);
    task->setTimings(timings);
    task->setAutoDelete(false);
    QObject::connect(task, &FileDownloader::updateProgress, task,
                     [&](ProgressContent p) { result.reports.append(p); });
    QObject::connect(task, &FileDownloader::updateRecentFileList, task,
                     [&] { result.historyUpdated = true; });
    task->run();
    delete task;
    return result;
}

// While it exists no file of this process may grow beyond `bytes`; a write
// past that fails (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    sighandler_t previousHandler_;
};

QString pollMd5(SimProcess& sim) {
    for (const QString& line : sim.lines()) {
        if (line.startsWith("request query_result "))
            return QtJson::parse(line.mid(21)).toMap().value("md5").toString();
    }
    return QString();
}

} // namespace

class TestFileOps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void uploadsIntoBothAreas();
    void emptyFiles();
    void resumeAfterDroppedConnections();
    void notCompleteThenOk();
    void unansweredPollsFailUploadButNotDownload();
    void deviceFailuresEndTheUpload();
    void repliesFromAWrongPortAreRefused();
    void downloads();
    void downloadsIntoAFullOrUnwritableFolder();
    void listings();
    void listingFailuresAreReported();
    void openPaths();
    void thumbnailsAreCached();
    void deleteAndWelcomeReports();
    void quittingDropsQueuedUploads();

private:
    QString makeFile(const QString& name, qint64 size);
    ScopedWorkDir* dir_ = nullptr;
};

void TestFileOps::initTestCase() {
    dir_ = new ScopedWorkDir;
    MetaTypes::registerAll();
    QVERIFY(TavloClientDatabase::instance()->isOpen());
}

void TestFileOps::cleanupTestCase() {
    delete dir_;
    dir_ = nullptr;
}

QString TestFileOps::makeFile(const QString& name, qint64 size) {
    const QString path = dir_->filePath(name);
    writePatternFile(path, size, quint32(size));
    return path;
}

void TestFileOps::uploadsIntoBothAreas() {
    SimProcess sim("127.0.1.1");
    QVERIFY(sim.isReady());
    const ServerContent device = deviceAt(sim.address());
    const QString path = makeFile("会议 记录 v2.bin", 3 * 1024 * 1024 + 7);

    UploadResult normal = upload(path, device, false);
    QCOMPARE(normal.finals(), 1);
    QCOMPARE(normal.last().percent, ProgressContent::Confirmed);
    QCOMPARE(normal.last().kind, int(ProgressContent::Upload));
    QCOMPARE(normal.last().remotePath, QString("/Tavlo/上传/会议 记录 v2.bin"));
    int previous = -1;
    for (const ProgressContent& p : normal.reports) {
        if (p.percent <= 100) {
            QVERIFY(p.percent > previous); // one report per new percentage
            previous = p.percent;
        }
    }
    QCOMPARE(md5Of(sim.storePath("normal/Tavlo/上传/会议 记录 v2.bin")), md5Of(path));

    UploadResult secure = upload(path, device, true);
    QCOMPARE(secure.last().percent, ProgressContent::Confirmed);
    QCOMPARE(secure.last().kind, int(ProgressContent::SecureUpload));
    QCOMPARE(secure.last().remotePath, QString("secure:/会议 记录 v2.bin"));
    QCOMPARE(md5Of(sim.storePath("secure/会议 记录 v2.bin")), md5Of(path));
    QVERIFY(sim.waitForLine("request file_upload"));
    QVERIFY(sim.lines().filter("\"option\" : \"secure\"").size() == 1);

    const auto history = TavloClientDatabase::instance()->getRecentFiles(device.uuid);
    QCOMPARE(history.size(), 2);
    QCOMPARE(history.at(0).type, QString("secure"));
    QCOMPARE(history.at(0).remotePath, QString("secure:/会议 记录 v2.bin"));
    QCOMPARE(history.at(1).type, QString("file_upload"));
    QCOMPARE(history.at(1).nativePath, path);
}

void TestFileOps::emptyFiles() {
    SimProcess sim("127.0.1.2");
    QVERIFY(sim.isReady());
    const ServerContent device = deviceAt(sim.address());
    const QString path = makeFile("empty.txt", 0);
    const UploadResult result = upload(path, device, false);
    QCOMPARE(result.last().percent, ProgressContent::Confirmed);
    QVERIFY(sim.lines().filter("\"file_size\" : 0").size() == 1);
    QCOMPARE(pollMd5(sim), QString("d41d8cd98f00b204e9800998ecf8427e")); // MD5 of nothing

    const QString local = dir_->filePath("empty-back.txt");
    const DownloadResult back = download("/Tavlo/上传/empty.txt", local, device);
    QCOMPARE(back.reports.last().percent, ProgressContent::Confirmed);
    QVERIFY(QFile::exists(local));
    QCOMPARE(QFileInfo(local).size(), qint64(0));
}

void TestFileOps::resumeAfterDroppedConnections() {
    // The cuts come early: with less than the socket buffers left to send, a
    // sender cannot see that the other side broke off.
    SimProcess sim("127.0.1.3", {"--drop-after", "2000000", "--drop-times", "2"});
    QVERIFY(sim.isReady());
    const ServerContent device = deviceAt(sim.address());
    const QString path = makeFile("resume.bin", 32 * 1000 * 1000);

    const UploadResult result = upload(path, device, false);
    QVERIFY2(result.last().percent == ProgressContent::Confirmed,
             qPrintable(result.last().description + "\n" + sim.lines().join("\n")));
    QCOMPARE(sim.count("cut "), 2);
    // The resumed attempts hashed only their part: the poll carries the
    // whole file's MD5.
    QCOMPARE(pollMd5(sim), md5Of(path));
    QCOMPARE(md5Of(sim.storePath("normal/Tavlo/上传/resume.bin")), md5Of(path));

    const QString local = dir_->filePath("resume-back.bin");
    const DownloadResult back = download("/Tavlo/上传/resume.bin", local, device);
    QCOMPARE(back.reports.last().percent, ProgressContent::Confirmed);
    QCOMPARE(sim.count("cut "), 4);
    QCOMPARE(md5Of(local), md5Of(path));
}

void TestFileOps::notCompleteThenOk() {
    SimProcess sim("127.0.1.4", {"--not-complete", "3"});
    QVERIFY(sim.isReady());
    const UploadResult result = upload(makeFile("slow.bin", 10000), deviceAt(sim.address()), false);
    QCOMPARE(result.last().percent, ProgressContent::Confirmed);
    QCOMPARE(sim.count("request query_result"), 4);
}

void TestFileOps::unansweredPollsFailUploadButNotDownload() {
    SimProcess sim("127.0.1.5", {"--no-poll-answer", "--sample-files"});
    QVERIFY(sim.isReady());
    const ServerContent device = deviceAt(sim.address());
    LogCapture log;
    const UploadResult result = upload(makeFile("unconfirmed.bin", 20000), device, false);
    QCOMPARE(result.last().percent, ProgressContent::Failed);
    QCOMPARE(result.finals(), 1);
    QCOMPARE(sim.count("request query_result"), 10);
    QVERIFY(log.contains("[E][FileTransferServer] Wait for server response timeout."));
    QCOMPARE(result.last().failure.code, TransferFailure::NotConfirmed);
    QVERIFY(result.last().failure.text().contains("MD5 not confirmed"));
    QVERIFY(TavloClientDatabase::instance()->getRecentFiles(device.uuid).isEmpty());

    // All its data is on disk: a download counts as done and is recorded.
    const QString local = dir_->filePath("agenda.txt");
    const DownloadResult back = download("/Tavlo/agenda.txt", local, device);
    QCOMPARE(back.reports.last().percent, ProgressContent::Confirmed);
    QVERIFY(back.historyUpdated);
    QCOMPARE(md5Of(local), md5Of(sim.storePath("normal/Tavlo/agenda.txt")));
    QCOMPARE(TavloClientDatabase::instance()->getRecentFiles(device.uuid).first().type,
             QString("file_download"));
}

void TestFileOps::deviceFailuresEndTheUpload() {
    SimProcess sim("127.0.1.6", {"--fail", "file_upload:disk full"});
    QVERIFY(sim.isReady());
    LogCapture log;
    const UploadResult refused = upload(makeFile("a.txt", 10), deviceAt(sim.address()), false);
    QCOMPARE(refused.last().percent, ProgressContent::Failed);
    QCOMPARE(refused.last().failure, TransferFailure(TransferFailure::Refused, "disk full"));
    QCOMPARE(refused.last().failure.text(), QString("refused by the device: disk full"));
    QVERIFY(log.contains("[E][FileTransferServer] Server response fail: disk full."));

    const UploadResult unreadable =
        upload(dir_->filePath("missing.txt"), deviceAt(sim.address()), false);
    QCOMPARE(unreadable.finals(), 1); // every started upload ends in the view
    QCOMPARE(unreadable.last().failure.code, TransferFailure::LocalReadFailed);

    SimProcess silent("127.0.1.7", {"--silent-requests"});
    QVERIFY(silent.isReady());
    const UploadResult noAnswer = upload(makeFile("b.txt", 10), deviceAt(silent.address()), false);
    QCOMPARE(noAnswer.last().failure.code, TransferFailure::NoAnswer);
    QVERIFY(log.contains("[E][FileTransferServer] Wait for udp packet fail."));
}

void TestFileOps::repliesFromAWrongPortAreRefused() {
    SimProcess sim("127.0.1.8", {"--wrong-port", "--sample-files"});
    QVERIFY(sim.isReady());
    const ServerContent device = deviceAt(sim.address());
    LogCapture log;
    const UploadResult result = upload(makeFile("c.txt", 10), device, false);
    QCOMPARE(result.last().percent, ProgressContent::Failed);
    QVERIFY(log.contains("[E][FileTransferServer] Udp receive a packet from a wrong host."));

    FileOpen open("/Pictures/poster.png", device);
    open.setAutoDelete(false);
    open.run();
    QVERIFY(!open.result());
    QCOMPARE(open.errorText(), QString("answer from a wrong address or port"));
    FileThumb thumb("/Pictures/poster.png", device, 1, QModelIndex());
    thumb.setAutoDelete(false);
    thumb.run();
    QVERIFY(!thumb.result());
    FileDelete remove("/Pictures/poster.png", device);
    remove.setAutoDelete(false);
    remove.run();
    QVERIFY(!remove.result()); // the device may have acted, but its answer is not taken
    SalutatorySetter welcome("Hi", device);
    welcome.setAutoDelete(false);
    welcome.run();
    QVERIFY(!welcome.result());
}

void TestFileOps::downloads() {
    SimProcess sim("127.0.1.9", {"--sample-files"});
    QVERIFY(sim.isReady());
    const ServerContent device = deviceAt(sim.address());
    const QString local = dir_->filePath("poster copy.png");
    QVERIFY(writePatternFile(local, 5 * 1024 * 1024)); // larger file to be replaced
    const DownloadResult result = download("/Pictures/poster.png", local, device);
    QCOMPARE(result.reports.last().percent, ProgressContent::Confirmed);
    QCOMPARE(result.reports.last().kind, int(ProgressContent::Download));
    QCOMPARE(md5Of(local), md5Of(sim.storePath("normal/Pictures/poster.png")));

    const DownloadResult missing = download("/Pictures/nothing.png", local, device);
    QCOMPARE(missing.reports.last().percent, ProgressContent::Failed);
    QCOMPARE(missing.reports.last().failure.code, TransferFailure::Refused);

    // Every connection cut: the TCP phase fails and the shorter file stays.
    SimProcess cutting("127.0.1.10",
                       {"--sample-files", "--drop-after", "1000", "--drop-times", "20"});
    QVERIFY(cutting.isReady());
    // The shorter file stays under its temporary name; an older file of the
    // target's name is not touched.
    const QString target = dir_->filePath("partial.png");
    QVERIFY(writePatternFile(target, 777));
    const QString oldMd5 = md5Of(target);
    TransferTimings timings = fast();
    timings.maxAttempts = 3;
    const DownloadResult cut =
        download("/Pictures/meeting-room.png", target, deviceAt(cutting.address()), timings);
    QCOMPARE(cut.reports.last().percent, ProgressContent::Failed);
    QCOMPARE(cut.reports.last().failure.code, TransferFailure::ConnectionBroken);
    QCOMPARE(md5Of(target), oldMd5);
    const QString partial = FileDownloader::partialPathFor(target);
    QCOMPARE(partial, target + ".part");
    QVERIFY(QFileInfo(partial).size() > 0);
    QVERIFY(QFileInfo(partial).size() <
            QFileInfo(cutting.storePath("normal/Pictures/meeting-room.png")).size());

    // A final "fail" in the poll deletes what was written, and only that.
    SimProcess rejecting("127.0.1.11", {"--sample-files", "--fail", "query_result:bad copy"});
    QVERIFY(rejecting.isReady());
    const QString rejected = dir_->filePath("rejected.txt");
    QVERIFY(writePatternFile(rejected, 10));
    const DownloadResult poll =
        download("/Tavlo/agenda.txt", rejected, deviceAt(rejecting.address()));
    QCOMPARE(poll.reports.last().percent, ProgressContent::Failed);
    QCOMPARE(poll.reports.last().failure, TransferFailure(TransferFailure::Disputed, "bad copy"));
    QVERIFY(!QFile::exists(FileDownloader::partialPathFor(rejected)));
    QCOMPARE(QFileInfo(rejected).size(), qint64(10));
}

void TestFileOps::downloadsIntoAFullOrUnwritableFolder() {
    SimProcess sim("127.0.7.20", {"--sample-files"});
    QVERIFY(sim.isReady());
    const ServerContent device = deviceAt(sim.address());

    // A folder that cannot be written (here: a file stands where the folder
    // should be) is reported before anything is asked of the device.
    const QString blocker = dir_->filePath("not-a-folder");
    QVERIFY(writePatternFile(blocker, 1));
    const DownloadResult unwritable =
        download("/Pictures/poster.png", blocker + "/poster.png", device);
    QCOMPARE(unwritable.reports.size(), 1);
    QCOMPARE(unwritable.reports.last().percent, ProgressContent::Failed);
    QCOMPARE(unwritable.reports.last().failure.code, TransferFailure::LocalWriteFailed);
    QVERIFY(unwritable.reports.last().failure.detail.contains(blocker));
    QVERIFY(sim.requests("file_download").isEmpty());

    // A disk that fills up. Here the process may write no file beyond 64 KiB
    // (RLIMIT_FSIZE): writes past it fail as on a full file system, with the
    // system's reason (disk_faults.sh fills a real one). The download fails
    // at once, without a retry, and neither the final name nor the partial
    // file is left behind.
    QVERIFY(writePatternFile(sim.storePath("normal/Tavlo/big.bin"), 1000000));
    const QString target = dir_->filePath("big.bin");
    DownloadResult full;
    {
        FileSizeLimit limit(64 * 1024);
        full = download("/Tavlo/big.bin", target, device);
    }
    QCOMPARE(full.reports.last().percent, ProgressContent::Failed);
    QCOMPARE(full.reports.last().failure.code, TransferFailure::LocalWriteFailed);
    QCOMPARE(full.reports.last().failure.position, qint64(64 * 1024));
    QVERIFY2(full.reports.last().failure.detail == QString::fromLocal8Bit(strerror(EFBIG)),
             qPrintable(full.reports.last().failure.text()));
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(!QFileInfo::exists(FileDownloader::partialPathFor(target)));
    QCOMPARE(sim.requests("file_download").size(), 1);
    QCOMPARE(sim.count("request query_result"), 0);

    // A request the device refuses leaves no empty partial file either.
    const QString refused = dir_->filePath("refused.png");
    QCOMPARE(download("/Pictures/nothing.png", refused, device).reports.last().failure.code,
             TransferFailure::Refused);
    QVERIFY(!QFileInfo::exists(FileDownloader::partialPathFor(refused)));
    QVERIFY(!QFileInfo::exists(refused));

    // The next download into a folder with room works as ever.
    const QString good = dir_->filePath("good.png");
    QCOMPARE(download("/Pictures/poster.png", good, device).reports.last().percent,
             ProgressContent::Confirmed);
    QCOMPARE(md5Of(good), md5Of(sim.storePath("normal/Pictures/poster.png")));
}

void TestFileOps::listings() {
    SimProcess sim("127.0.1.12",
                   {"--sample-files", "--listing-chunk", "2", "--extra-top-folder", "Documents"});
    QVERIFY(sim.isReady());
    const ServerContent device = deviceAt(sim.address());
    auto list = [&](const QString& dir, const QString& order, const TransferTimings& timings) {
        QList<FileContent> entries;
        FileFinder finder(dir, order, device);
        finder.setTimings(timings);
        finder.setAutoDelete(false);
        QSignalSpy ended(&finder, &FileFinder::findFileEnd);
        finder.run();
        if (!ended.isEmpty())
            entries = ended.first().first().value<QList<FileContent>>();
        return std::make_pair(entries, finder.datagramsReceived());
    };

    auto [top, topDatagrams] = list("", "file_name_increase", fast());
    QStringList names;
    for (const FileContent& entry : top)
        names << entry.fileName;
    QCOMPARE(names, (QStringList{"Pictures", "Tavlo", "Whiteboard"}));
    QCOMPARE(topDatagrams, 2); // four folders, two per datagram

    auto [pictures, datagrams] = list("/Pictures", "file_size_decrease", fast());
    QCOMPARE(pictures.size(), 3);
    QCOMPARE(datagrams, 2);
    QVERIFY(pictures.at(0).fileSize >= pictures.at(1).fileSize);

    // Five whiteboard and text entries over three datagrams arrive in order.
    for (int i = 0; i < 2; ++i)
        QVERIFY(writePatternFile(sim.storePath(QString("normal/Whiteboard/extra%1.txt").arg(i)),
                                 100 + i));
    auto [board, boardDatagrams] = list("/Whiteboard", "file_name_increase", fast());
    QCOMPARE(board.size(), 5);
    QCOMPARE(boardDatagrams, 3);
    for (int i = 1; i < board.size(); ++i)
        QVERIFY(board.at(i - 1).fileName.compare(board.at(i).fileName, Qt::CaseInsensitive) <= 0);

    SimProcess unfinished("127.0.1.13",
                          {"--sample-files", "--listing-chunk", "2", "--no-finished"});
    QVERIFY(unfinished.isReady());
    TransferTimings quick = fast();
    quick.replyTimeoutMs = 500; // the listing ends after this much silence
    QList<FileContent> entries;
    FileFinder finder("/Pictures", "file_name_increase", deviceAt(unfinished.address()));
    finder.setTimings(quick);
    finder.setAutoDelete(false);
    QSignalSpy ended(&finder, &FileFinder::findFileEnd);
    finder.run();
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().value<QList<FileContent>>().size(), 3);
}

namespace {

// One listing of /Pictures run to its end, with what it reported.
struct Listing {
    explicit Listing(const ServerContent& device)
        : finder("/Pictures", "file_name_increase", device)
        , ended(&finder, &FileFinder::findFileEnd)
        , failed(&finder, &FileFinder::findFileFailed) {
        TransferTimings quick = fast();
        quick.replyTimeoutMs = 500;
        finder.setTimings(quick);
        finder.setAutoDelete(false);
        finder.run();
    }
    FileFinder finder;
    QSignalSpy ended;
    QSignalSpy failed;
};

} // namespace

void TestFileOps::listingFailuresAreReported() {
    // A refusal: no list, the device's reason.
    SimProcess refusing("127.0.4.60", {"--fail", "file_list:busy"});
    QVERIFY(refusing.isReady());
    Listing refused(deviceAt(refusing.address()));
    QCOMPARE(refused.ended.count(), 0);
    QCOMPARE(refused.failed.count(), 1);
    QCOMPARE(refused.failed.first().first().value<TransferFailure>(),
             TransferFailure(TransferFailure::Refused, "busy"));

    // Nobody answers: the empty list, then why.
    SimProcess silent("127.0.4.61", {"--silent-requests"});
    QVERIFY(silent.isReady());
    Listing unanswered(deviceAt(silent.address()));
    QCOMPARE(unanswered.ended.count(), 1);
    QVERIFY(unanswered.ended.first().first().value<QList<FileContent>>().isEmpty());
    QCOMPARE(unanswered.failed.count(), 1);
    QCOMPARE(unanswered.failed.first().first().value<TransferFailure>().code,
             TransferFailure::NoAnswer);

    // A good listing reports no failure.
    SimProcess good("127.0.4.62", {"--sample-files"});
    QVERIFY(good.isReady());
    Listing listed(deviceAt(good.address()));
    QCOMPARE(listed.ended.count(), 1);
    QCOMPARE(listed.failed.count(), 0);
}

void TestFileOps::openPaths() {
    QVariantMap secure = FileOpen::request("secure:/report.pdf");
    QCOMPARE(secure.value("option").toString(), QString("secure"));
    QCOMPARE(secure.value("file_path").toString(), QString("report.pdf"));
    QCOMPARE(secure.value("type").toString(), QString("file_open"));
    QVariantMap normal = FileOpen::request("/Pictures/a.png");
    QCOMPARE(normal.value("option").toString(), QString("normal"));
    QCOMPARE(normal.value("file_path").toString(), QString("/Pictures/a.png"));

    SimProcess sim("127.0.1.14", {"--sample-files"});
    QVERIFY(sim.isReady());
    const ServerContent device = deviceAt(sim.address());
    QVERIFY(writePatternFile(sim.storePath("secure/report.pdf"), 100));
    QString text;
    {
        FileOpen open("secure:/report.pdf", device);
        open.setAutoDelete(false);
        QObject::connect(&open, &FileOpen::notify, &open, [&](QString t) { text = t; });
        open.run();
        QVERIFY(open.result());
    }
    QCOMPARE(text, QString("打开文件成功."));
    QVERIFY(sim.waitForLine("opened"));
    {
        LogCapture log;
        FileOpen open("/Pictures/none.png", device);
        open.setAutoDelete(false);
        QObject::connect(&open, &FileOpen::notify, &open, [&](QString t) { text = t; });
        open.run();
        QVERIFY(!open.result());
        QVERIFY(log.contains("[E][FileOpen] Open file fail: File not exists."));
    }
    QCOMPARE(text, QString("打开文件失败."));
}

void TestFileOps::thumbnailsAreCached() {
    SimProcess sim("127.0.1.15", {"--sample-files"});
    QVERIFY(sim.isReady());
    const ServerContent device = deviceAt(sim.address());
    auto fetch = [&](qint64 dateModified, bool* fromCache) {
        FileThumb thumb("/Pictures/poster.png", device, dateModified, QModelIndex());
        thumb.setAutoDelete(false);
        thumb.run();
        *fromCache = thumb.fromCache();
        return thumb.result() ? thumb.thumbnail() : QByteArray();
    };
    bool cached = true;
    const QByteArray first = fetch(111, &cached);
    QVERIFY(!cached);
    QImage image;
    QVERIFY(image.loadFromData(first, "PNG"));
    QVERIFY(image.width() <= 160 && image.height() <= 160);
    QCOMPARE(sim.count("request get_thumb"), 1);

    const QByteArray second = fetch(111, &cached);
    QVERIFY(cached);
    QCOMPARE(second, first);
    QCOMPARE(sim.count("request get_thumb"), 1); // no traffic

    fetch(222, &cached); // a newer modification time asks again
    QVERIFY(!cached);
    QVERIFY(sim.waitForLine("request get_thumb"));
    QTRY_COMPARE(sim.count("request get_thumb"), 2);
}

void TestFileOps::deleteAndWelcomeReports() {
    SimProcess sim("127.0.1.16", {"--sample-files", "--fail", "file_delete:locked"});
    QVERIFY(sim.isReady());
    QString text;
    QList<bool> ends;
    {
        LogCapture log;
        FileDelete remove("/Tavlo/agenda.txt", deviceAt(sim.address()));
        remove.setAutoDelete(false);
        QObject::connect(&remove, &FileDelete::notify, &remove, [&](QString t) { text = t; });
        QObject::connect(&remove, &FileDelete::deleteFileEnd, &remove,
                         [&](bool ok) { ends.append(ok); });
        remove.run();
        QVERIFY(log.contains("[E][FileDelete] delete file fail."));
    }
    QCOMPARE(text, QString("删除文件失败."));
    QCOMPARE(ends, QList<bool>{false});

    SimProcess silent("127.0.1.17", {"--silent-requests"});
    QVERIFY(silent.isReady());
    LogCapture log;
    {
        SalutatorySetter welcome("欢迎", deviceAt(silent.address()));
        welcome.setTimings(fast());
        welcome.setAutoDelete(false);
        QObject::connect(&welcome, &SalutatorySetter::notify, &welcome,
                         [&](QString t) { text = t; });
        welcome.run();
    }
    QCOMPARE(text, QString("设置欢迎辞失败."));
    QVERIFY(log.lines().filter("SalutatorySetter").isEmpty()); // no answer: no log line

    SimProcess good("127.0.1.18");
    QVERIFY(good.isReady());
    {
        SalutatorySetter welcome("欢迎光临", deviceAt(good.address()));
        welcome.setAutoDelete(false);
        QObject::connect(&welcome, &SalutatorySetter::notify, &welcome,
                         [&](QString t) { text = t; });
        welcome.run();
    }
    QCOMPARE(text, QString("设置欢迎辞成功."));
    QVERIFY(good.waitForLine("salutatory 欢迎光临"));
}

void TestFileOps::quittingDropsQueuedUploads() {
    SimProcess sim("127.0.1.19", {"--silent-requests"});
    QVERIFY(sim.isReady());
    FileTransferServer* service = FileTransferServer::instance();
    QMutex mutex;
    QList<int> finals;
    QObject context;
    QObject::connect(
        service, &FileTransferServer::uploadProgress, &context,
        [&](ProgressContent p) {
            QMutexLocker lock(&mutex);
            if (p.percent == ProgressContent::Failed)
                finals.append(p.id);
        },
        Qt::DirectConnection);
    for (int i = 0; i < 3; ++i) {
        auto* task = new FileUploadTask(makeFile(QString("queued%1.bin").arg(i), 100),
                                        deviceAt(sim.address()), false);
        task->setTimings(fast());
        service->start(task);
    }
    QVERIFY(sim.waitForLine("request file_upload"));
    service->stopAll();                            // what quitting the program does
    QCOMPARE(finals.size(), 3);                    // every upload still ends in the view
    QCOMPARE(sim.count("request file_upload"), 1); // the queued ones never ran
}

QTEST_GUILESS_MAIN(TestFileOps)
#include "tst_fileops.moc"
