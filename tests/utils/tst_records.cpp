#include "utils/FileContent.h"
#include "utils/ProgressContent.h"
#include "utils/ServerContent.h"

#include <QSet>
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void supportEntries();
    void deviceEquality();
    void listingEntryDefaults();
    void transferIdsAreUniqueAcrossThreads();
};

void TestRecords::supportEntries() {
    ServerContent device;
    device.addSupport("Glimmer : 5000");
    device.addSupport("file_upload");
    device.addSupport("Glimmer:6000");   // no blanks: a plain feature
    device.addSupport("A : 1 : 2");      // three parts: a plain feature
    device.addSupport("Cast : x1");      // port is not a number
    device.addSupport("file_upload");    // duplicates are kept
    device.addSupport("Glimmer : 5001"); // replaces the earlier port

    QCOMPARE(device.supportPorts.size(), 1);
    bool present = false;
    const SupportPort glimmer = device.supportPort("Glimmer", &present);
    QVERIFY(present);
    QCOMPARE(glimmer.port, 5001);
    QCOMPARE(glimmer.toString(), QString("Glimmer : 5001"));
    QCOMPARE(device.supports,
             (QStringList{"file_upload", "Glimmer:6000", "A : 1 : 2", "Cast : x1", "file_upload"}));

    const SupportPort absent = device.supportPort("Nope", &present);
    QVERIFY(!present);
    QCOMPARE(absent.name, QString());
    QCOMPARE(absent.port, 0);
}

void TestRecords::deviceEquality() {
    ServerContent a;
    a.address = QHostAddress("10.0.0.5");
    a.name = "Room 1";
    a.uuid = "aa:bb";
    a.addSupport("Glimmer : 5000");
    ServerContent b = a;
    b.version = "v2";
    b.os = "other";
    b.port = 16030;
    b.type = "client";
    b.supports.append("extra");
    QVERIFY(a == b);

    b = a;
    b.supportPorts["Glimmer"].port = 5001;
    QVERIFY(a != b);
    b = a;
    b.addSupport("Other : 1");
    QVERIFY(a != b);
    b = a;
    b.name = "Room 2";
    QVERIFY(a != b);
    b = a;
    b.address = QHostAddress("10.0.0.6");
    QVERIFY(a != b);
    b = a;
    b.uuid = "cc";
    QVERIFY(a != b);
}

void TestRecords::listingEntryDefaults() {
    const FileContent empty = FileContent::fromListingEntry(QVariantMap());
    QCOMPARE(empty.fileName, QString("AAA"));
    QCOMPARE(empty.fileType, QString("type"));
    QCOMPARE(empty.fileSize, qint64(10));
    QCOMPARE(empty.dateModified, qint64(10));
    QVERIFY(!empty.thumbLoaded);
    QVERIFY(empty.thumbnail.isNull());

    QVariantMap entry;
    entry.insert("file_name", "a.png");
    entry.insert("file_type", "file");
    entry.insert("file_size", qulonglong(5000000000ULL));
    entry.insert("date_modified", qulonglong(1700000000000ULL));
    const FileContent full = FileContent::fromListingEntry(entry);
    QCOMPARE(full.fileSize, qint64(5000000000LL));
    QCOMPARE(full.dateModified, qint64(1700000000000LL));
    QVERIFY(!full.isDir());
}

void TestRecords::transferIdsAreUniqueAcrossThreads() {
    const int first = ProgressContent::nextTransferId();
    QCOMPARE(ProgressContent::nextTransferId(), first + 1);

    constexpr int threads = 4;
    constexpr int perThread = 2000;
    QVector<QVector<int>> ids(threads);
    std::vector<std::unique_ptr<QThread>> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back(QThread::create([&ids, t] {
            for (int i = 0; i < perThread; ++i)
                ids[t].append(ProgressContent::nextTransferId());
        }));
        workers.back()->start();
    }
    for (auto& worker : workers)
        QVERIFY(worker->wait(30000));
    QSet<int> all;
    for (const auto& list : ids)
        for (int id : list)
            all.insert(id);
    QCOMPARE(all.size(), threads * perThread);
}

QTEST_APPLESS_MAIN(TestRecords)
#include "tst_records.moc"
