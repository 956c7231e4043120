#include "common/TestSupport.h"
#include "tavlo/NativeFileThumb.h"
#include "tavlo/TavloClientDatabase.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThreadPool>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <future>

namespace {

RecentFilesContent record(const QString& uuid, const QString& remote, qint64 operateTime) {
    RecentFilesContent r;
    r.uuid = uuid;
    r.remotePath = remote;
    r.nativePath = "/local/" + remote;
    r.type = "file_upload";
    r.dateModified = 1700000000000LL + operateTime;
    r.operateTime = operateTime;
    return r;
}

ServerContent device(const QString& ip, int port) {
    ServerContent s;
    s.address = QHostAddress(ip);
    s.port = port;
    return s;
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void schemaIsCreated();
    void thumbnailUpsert();
    void recentFiles();
    void manualDevices();
    void concurrentUse();
    void aReadOnAnotherThreadDoesNotBlockWrites();
    void nativeThumbnails();

private:
    ScopedWorkDir* dir_ = nullptr;
};

void TestDatabase::initTestCase() {
    dir_ = new ScopedWorkDir;
    QVERIFY(!QFile::exists(dir_->filePath("TavloClient.db")));
    QVERIFY(TavloClientDatabase::instance()->isOpen());
}

void TestDatabase::cleanupTestCase() {
    delete dir_;
    dir_ = nullptr;
}

void TestDatabase::schemaIsCreated() {
    QVERIFY(QFile::exists(dir_->filePath("TavloClient.db")));
    {
        QSqlDatabase check = QSqlDatabase::addDatabase("QSQLITE", "check");
        check.setDatabaseName(dir_->filePath("TavloClient.db"));
        QVERIFY(check.open());
        QSqlQuery query(check);
        QVERIFY(query.exec("SELECT name, sql FROM sqlite_master WHERE type='table' ORDER BY name"));
        QStringList tables;
        while (query.next())
            tables << query.value(0).toString();
        QCOMPARE(tables, (QStringList{"tbManualDevices", "tbRecentFiles", "tbThumb"}));
        QVERIFY(query.exec("PRAGMA table_info(tbRecentFiles)"));
        QStringList columns;
        while (query.next())
            columns << query.value(1).toString();
        QCOMPARE(columns, (QStringList{"uuid", "remotePath", "nativePath", "type", "dateModified",
                                       "operateTime"}));
    }
    QSqlDatabase::removeDatabase("check");
}

void TestDatabase::thumbnailUpsert() {
    auto* db = TavloClientDatabase::instance();
    QVERIFY(db->getThumb("dev", "/a.png", 1).isEmpty());
    QVERIFY(db->setThumb("dev", "/a.png", 1, "first"));
    QCOMPARE(db->getThumb("dev", "/a.png", 1), QByteArray("first"));

    // Same device and path: the row is replaced, the old time no longer hits.
    QVERIFY(db->setThumb("dev", "/a.png", 2, "second"));
    QVERIFY(db->getThumb("dev", "/a.png", 1).isEmpty());
    QCOMPARE(db->getThumb("dev", "/a.png", 2), QByteArray("second"));
    QVERIFY(db->getThumb("other", "/a.png", 2).isEmpty());

    QSqlDatabase connection = QSqlDatabase::addDatabase("QSQLITE", "count");
    connection.setDatabaseName(dir_->filePath("TavloClient.db"));
    QVERIFY(connection.open());
    QSqlQuery count(connection);
    QVERIFY(count.exec("SELECT COUNT(*) FROM tbThumb WHERE uuid='dev'"));
    QVERIFY(count.next());
    QCOMPARE(count.value(0).toInt(), 1);
}

void TestDatabase::recentFiles() {
    auto* db = TavloClientDatabase::instance();
    QVERIFY(db->addRecentFileRecord(record("dev-a", "old.txt", 100)));
    QVERIFY(db->addRecentFileRecord(record("dev-a", "new.txt", 300)));
    QVERIFY(db->addRecentFileRecord(record("dev-a", "mid.txt", 200)));
    QVERIFY(db->addRecentFileRecord(record("dev-b", "b.txt", 400)));

    QList<RecentFilesContent> rows = db->getRecentFiles("dev-a");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).remotePath, QString("new.txt"));
    QCOMPARE(rows.at(1).remotePath, QString("mid.txt"));
    QCOMPARE(rows.at(2).remotePath, QString("old.txt"));
    QCOMPARE(rows.at(0).uuid, QString("dev-a"));
    QCOMPARE(rows.at(0).nativePath, QString("/local/new.txt"));
    QCOMPARE(rows.at(0).type, QString("file_upload"));
    QCOMPARE(rows.at(0).dateModified, 1700000000300LL);
    QVERIFY(!rows.at(0).thumbLoaded);

    QVERIFY(db->deleteRecentFileRecord(rows.at(1).rowid));
    QCOMPARE(db->getRecentFiles("dev-a").size(), 2);
    QVERIFY(db->deleteRecentFileRecord(999999)); // no such row: still a success

    QVERIFY(db->clearRecentFileRecord("dev-a"));
    QVERIFY(db->getRecentFiles("dev-a").isEmpty());
    QCOMPARE(db->getRecentFiles("dev-b").size(), 1);
}

void TestDatabase::manualDevices() {
    auto* db = TavloClientDatabase::instance();
    QVERIFY(db->getManualDevices().isEmpty());
    QVERIFY(db->addManualDevice(device("10.1.2.3", 16020)));
    QVERIFY(db->addManualDevice(device("10.1.2.4", 16040)));
    {
        LogCapture log;
        QVERIFY(!db->addManualDevice(device("10.1.2.3", 17000))); // address is the key
        QVERIFY(log.contains("[E][TavloClientDatabase] addManualDevice insert fail:"));
    }
    const QList<ServerContent> devices = db->getManualDevices();
    QCOMPARE(devices.size(), 2);
    QCOMPARE(devices.at(1).address, QHostAddress("10.1.2.4"));
    QCOMPARE(devices.at(1).port, 16040);
    QCOMPARE(devices.at(1).name, QString());

    QVERIFY(db->removeManualDevice(device("10.1.2.3", 16020)));
    QCOMPARE(db->getManualDevices().size(), 1);
    QVERIFY(db->clearManualDevice());
    QVERIFY(db->getManualDevices().isEmpty());
}

void TestDatabase::concurrentUse() {
    // History rows written from pool threads, as transfers do: each thread
    // uses a connection of its own, which goes when the thread ends.
    auto* db = TavloClientDatabase::instance();
    const auto ownConnections = [] {
        return QSqlDatabase::connectionNames().filter("TavloClientDatabase").size();
    };
    const int before = ownConnections();
    std::atomic<int> mostSeen{0};
    LogCapture log;
    {
        QThreadPool pool;
        pool.setMaxThreadCount(4);
        for (int t = 0; t < 4; ++t) {
            pool.start([&, t] {
                for (int i = 0; i < 50; ++i) {
                    QVERIFY(db->addRecentFileRecord(
                        record("dev-c", QString("f%1-%2").arg(t).arg(i), i)));
                    QVERIFY(db->setThumb("dev-c", QString("p%1").arg(t), i, QByteArray::number(i)));
                    db->getRecentFiles("dev-c");
                    int seen = mostSeen;
                    const int now = ownConnections();
                    while (now > seen && !mostSeen.compare_exchange_weak(seen, now)) {
                    }
                }
            });
        }
        QVERIFY(pool.waitForDone(60000)); // also ends the pool's threads
    }
    QVERIFY(mostSeen > before);
    QCOMPARE(db->getRecentFiles("dev-c").size(), 200);
    QCOMPARE(db->getThumb("dev-c", "p2", 49), QByteArray("49"));
    QVERIFY2(log.lines().isEmpty(), qPrintable(log.lines().join('\n')));
    QCOMPARE(ownConnections(), before);
}

void TestDatabase::aReadOnAnotherThreadDoesNotBlockWrites() {
    // A thumbnail looked up on a pool thread reads one row of several; the
    // thread then idles with its connection open. A write from this thread
    // must not wait for that read.
    auto* db = TavloClientDatabase::instance();
    QVERIFY(db->setThumb("dev-r", "/a.png", 1, "a"));
    QVERIFY(db->setThumb("dev-r", "/b.png", 1, "b"));
    QThreadPool pool;
    pool.setExpiryTimeout(-1); // the thread and its connection stay
    // The row comes back through a future, which ThreadSanitizer can follow
    // (the pool's own hand-over is a QMutex it cannot see).
    std::promise<QByteArray> found;
    pool.start([&] { found.set_value(db->getThumb("dev-r", "/a.png", 1)); });
    std::future<QByteArray> row = found.get_future();
    QVERIFY(row.wait_for(std::chrono::seconds(60)) == std::future_status::ready);
    QCOMPARE(row.get(), QByteArray("a"));
    while (pool.activeThreadCount() > 0) // the thread is idle, its connection open
        QThread::msleep(5);
    QElapsedTimer clock;
    clock.start();
    ServerContent manual;
    manual.address = QHostAddress("10.9.8.7");
    QVERIFY(db->addManualDevice(manual));
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(db->removeManualDevice(manual));
}

void TestDatabase::nativeThumbnails() {
    qRegisterMetaType<QModelIndex>();
    const QModelIndex index;
    {
        auto* task = new NativeFileThumb("dev", dir_->filePath("missing.png"), 5, index);
        QSignalSpy spy(task, &NativeFileThumb::getThumbEnd);
        task->setAutoDelete(false);
        task->run();
        QCOMPARE(spy.count(), 1);
        QVERIFY(spy.at(0).at(0).toByteArray().isEmpty());
        delete task;
        QVERIFY(TavloClientDatabase::instance()
                    ->getThumb("dev", dir_->filePath("missing.png"), 5)
                    .isEmpty());
    }

    const QString picture = dir_->filePath("picture.png");
    QImage image(300, 120, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(picture));

    // The history passes the low 32 bits of the time; a negative value is
    // stored sign-extended.
    const int dateModified = -123456;
    QByteArray first;
    {
        NativeFileThumb task("dev", picture, dateModified, index);
        task.setAutoDelete(false);
        QSignalSpy spy(&task, &NativeFileThumb::getThumbEnd);
        task.run();
        first = spy.at(0).at(0).toByteArray();
    }
    QImage thumb;
    QVERIFY(thumb.loadFromData(first, "PNG"));
    QCOMPARE(thumb.size(), QSize(144, 144));
    QCOMPARE(TavloClientDatabase::instance()->getThumb("dev", picture, qint64(dateModified)),
             first);

    // A second request is served from the cache, even with the file gone.
    QVERIFY(QFile::remove(picture));
    NativeFileThumb again("dev", picture, dateModified, index);
    again.setAutoDelete(false);
    QSignalSpy spy(&again, &NativeFileThumb::getThumbEnd);
    again.run();
    QCOMPARE(spy.at(0).at(0).toByteArray(), first);
}

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
