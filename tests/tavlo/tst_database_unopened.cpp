#include "common/TestSupport.h"
#include "tavlo/TavloClientDatabase.h"

#include <QtTest>

// A database file that cannot be opened: every operation must fail cleanly.
class TestDatabaseUnopened : public QObject {
    Q_OBJECT
private slots:
    void everyOperationFailsCleanly();
};

void TestDatabaseUnopened::everyOperationFailsCleanly() {
    ScopedWorkDir dir;
    QVERIFY(QDir().mkdir(dir.filePath("TavloClient.db"))); // a folder where the file should be
    LogCapture log;
    auto* db = TavloClientDatabase::instance();
    QVERIFY(!db->isOpen());
    QVERIFY(log.contains("[E][TavloClientDatabase] Open database fail."));

    RecentFilesContent record;
    record.uuid = "dev";
    ServerContent device;
    device.address = QHostAddress("10.0.0.1");
    QVERIFY(db->getThumb("dev", "/a", 1).isEmpty());
    QVERIFY(!db->setThumb("dev", "/a", 1, "x"));
    QVERIFY(!db->addRecentFileRecord(record));
    QVERIFY(!db->deleteRecentFileRecord(1));
    QVERIFY(!db->clearRecentFileRecord("dev"));
    QVERIFY(db->getRecentFiles("dev").isEmpty());
    QVERIFY(!db->addManualDevice(device));
    QVERIFY(!db->removeManualDevice(device));
    QVERIFY(!db->clearManualDevice());
    QVERIFY(db->getManualDevices().isEmpty());
    QVERIFY(log.contains("[E][TavloClientDatabase] Insert recent file record fail:"));
    QVERIFY(log.contains("[E][TavloClientDatabase] getManualDevices query db fail:"));
}

QTEST_GUILESS_MAIN(TestDatabaseUnopened)
#include "tst_database_unopened.moc"
