// The transfer history page: order and texts of the rows, thumbnails from
// the local copy or the device, the context menu and its actions (the
// device ones against the simulator on loopback).
#include "common/TestSupport.h"
#include "common/WidgetTestSupport.h"
#include "tavlo/TavloClientDatabase.h"
#include "ui/RecentFilesDialog.h"
#include "ui/RecentFilesListView.h"
#include "ui/RecentFilesModel.h"
#include "ui/ThumbnailTableModel.h"
#include "ui/ViewPlaceholder.h"
#include "utils/MetaTypes.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cstdlib>
#include <ctime>

namespace {

ServerContent device(const QString& uuid, const QString& address = "127.0.4.30",
                     const QString& type = "server") {
    ServerContent server;
    server.uuid = uuid;
    server.name = "Device " + uuid;
    server.address = QHostAddress(address);
    server.type = type;
    return server;
}

RecentFilesContent record(const QString& uuid, const QString& nativePath, const QString& type,
                          qint64 operateTime, const QString& remotePath = QString()) {
    RecentFilesContent r;
    r.uuid = uuid;
    r.nativePath = nativePath;
    r.remotePath = remotePath.isEmpty() ? "/Tavlo/上传/" + nativePath.section('/', -1) : remotePath;
    r.type = type;
    r.operateTime = operateTime;
    r.dateModified = Q_INT64_C(1705309200000);
    return r;
}

QStringList column(const RecentFilesModel* model, int column) {
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

QImage decorationOf(const RecentFilesModel* model, int row) {
    return model->index(row, 0).data(Qt::DecorationRole).value<QPixmap>().toImage();
}

bool writePicture(const QString& path, const QColor& colour) {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path, "PNG");
}

// The history page shown for `server`.
struct Page {
    explicit Page(const ServerContent& server) {
        dialog.resize(600, 400);
        dialog.show();
        dialog.setServer(server);
    }
    RecentFilesModel* model() const { return dialog.model(); }
    RecentFilesListView* view() const { return dialog.view(); }
    RecentFilesDialog dialog;
};

} // namespace

class TestRecentFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void newestFirstWithTheirKinds();
    void localPicturesShowThumbnailsAskedForOnce();
    void missingLocalCopiesAskTheDevice();
    void menuAndRecordActions();
    void deviceActionsReachTheDeviceAndKeepTheRecord();
    void peersHaveNoDeviceActions();
    void placeholders();

private:
    ScopedWorkDir* dir_ = nullptr;
    TavloClientDatabase* db_ = nullptr;
};

void TestRecentFiles::initTestCase() {
    MetaTypes::registerAll();
    dir_ = new ScopedWorkDir;
    db_ = TavloClientDatabase::instance();
}

void TestRecentFiles::cleanupTestCase() {
    delete dir_;
}

void TestRecentFiles::newestFirstWithTheirKinds() {
    QVERIFY(db_->addRecentFileRecord(record("A", "/home/u/up.pdf", "file_upload", 2000)));
    QVERIFY(db_->addRecentFileRecord(record("A", "/home/u/down.txt", "file_download", 4000)));
    QVERIFY(db_->addRecentFileRecord(record("A", "/home/u/secret.doc", "secure", 3000)));
    QVERIFY(db_->addRecentFileRecord(record("A", "/home/u/odd.bin", "something", 1000)));
    QVERIFY(db_->addRecentFileRecord(record("B", "/home/u/other.pdf", "file_upload", 5000)));

    Page page(device("A"));
    QTRY_COMPARE(page.model()->rowCount(), 4);
    QCOMPARE(column(page.model(), 0), (QStringList{"down.txt", "secret.doc", "up.pdf", "odd.bin"}));
    QCOMPARE(column(page.model(), 1), (QStringList{"下载", "机密上传", "上传", "上传"}));
    QCOMPARE(column(page.model(), 2).first(), QString("1970-01-01 00:00:04"));
    QStringList headers;
    for (int c = 0; c < 3; ++c)
        headers << page.model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"文件名", "上传/下载", "操作时间"}));
    const QModelIndex first = page.model()->index(0, 0);
    QCOMPARE(first.data(RecentFilesModel::NativePathRole).toString(), QString("/home/u/down.txt"));
    QCOMPARE(first.data(RecentFilesModel::RemotePathRole).toString(),
             QString("/Tavlo/上传/down.txt"));
    QVERIFY(first.data(RecentFilesModel::RowIdRole).toLongLong() > 0);
    QCOMPARE(decorationOf(page.model(), 0),
             ThumbnailTableModel::cellPixmap(":/drawable/icon_file_text.png").toImage());

    // A newer transfer comes first after the next reload.
    QVERIFY(db_->addRecentFileRecord(record("A", "/home/u/newest.png", "file_download", 9000)));
    page.dialog.updateList();
    QTRY_COMPARE(page.model()->rowCount(), 5);
    QCOMPARE(column(page.model(), 0).first(), QString("newest.png"));
    QVERIFY(db_->clearRecentFileRecord("A"));
    QVERIFY(db_->clearRecentFileRecord("B"));
}

void TestRecentFiles::localPicturesShowThumbnailsAskedForOnce() {
    const QString picture = dir_->filePath("wide.png");
    QVERIFY(writePicture(picture, Qt::blue));
    QVERIFY(db_->addRecentFileRecord(record("C", picture, "file_upload", 1000)));
    QVERIFY(db_->addRecentFileRecord(record("C", dir_->filePath("notes.txt"), "file_upload", 900)));

    Page page(device("C"));
    QSignalSpy asked(page.model(), &RecentFilesModel::startGetThumb);
    QTRY_COMPARE(page.model()->rowCount(), 2);
    QTRY_VERIFY(page.model()->records().first().thumbLoaded);
    for (int i = 0; i < 5; ++i) {
        page.view()->viewport()->repaint();
        decorationOf(page.model(), 0);
    }
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.first().at(1).toString(), picture);
    const QImage shown = decorationOf(page.model(), 0);
    QCOMPARE(shown.size(), QSize(48, 48));
    QCOMPARE(shown.pixelColor(24, 24), QColor(Qt::blue));

    // The thumbnail was made once and cached under the low 32 bits of the
    // file's time.
    const QByteArray cached = db_->getThumb("C", picture, qint64(int(Q_INT64_C(1705309200000))));
    QCOMPARE(QImage::fromData(cached).size(), QSize(144, 144));
    QVERIFY(db_->clearRecentFileRecord("C"));
}

void TestRecentFiles::missingLocalCopiesAskTheDevice() {
    SimProcess sim("127.0.4.31", {"--sample-files"});
    QVERIFY(sim.isReady());
    QVERIFY(db_->addRecentFileRecord(record("D", dir_->filePath("gone/poster.png"), "file_download",
                                            1000, "/Pictures/poster.png")));
    QVERIFY(db_->addRecentFileRecord(record("D", dir_->filePath("gone/captions.txt"),
                                            "file_download", 900, "/Pictures/captions.txt")));
    Page page(device("D", sim.address()));
    QTRY_COMPARE(page.model()->rowCount(), 2);
    QTRY_VERIFY(page.model()->records().first().thumbLoaded);
    QVERIFY(decorationOf(page.model(), 0) !=
            ThumbnailTableModel::cellPixmap(":/drawable/icon_file_pic.png").toImage());
    QCOMPARE(sim.requests("get_thumb").size(), 1);
    QCOMPARE(sim.requests("get_thumb").first().value("file_path").toString(),
             QString("/Pictures/poster.png"));
    QVERIFY(db_->clearRecentFileRecord("D"));
}

void TestRecentFiles::menuAndRecordActions() {
    QVERIFY(db_->addRecentFileRecord(record("E", "/home/u/one.pdf", "file_upload", 1000)));
    QVERIFY(db_->addRecentFileRecord(record("E", "/home/u/two.pdf", "file_upload", 2000)));
    QVERIFY(db_->addRecentFileRecord(record("E", "/home/u/three.pdf", "file_upload", 3000)));
    Page page(device("E"));
    QTRY_COMPARE(page.model()->rowCount(), 3);

    QStringList texts;
    for (QAction* action : page.view()->menu()->actions())
        texts << action->text();
    QCOMPARE(texts, (QStringList{"删除记录", "清空记录", "刷新", "在本地打开", "打开所在目录",
                                 "在Tavlo上删除", "在Tavlo上打开"}));
    QAction* deleteRecord = page.view()->menu()->actions().first();
    QCOMPARE(deleteRecord->shortcut(), QKeySequence(QKeySequence::Delete));

    auto* deleteButton = page.dialog.findChild<QPushButton*>("deleteButton");
    auto* clearButton = page.dialog.findChild<QPushButton*>("clearButton");
    QCOMPARE(deleteButton->text(), QString("删除记录"));
    QCOMPARE(clearButton->text(), QString("清空记录"));
    // A view that gets the focus makes its first row current: once the
    // window is active, no row is chosen.
    QVERIFY(QTest::qWaitForWindowActive(&page.dialog));
    page.view()->setCurrentIndex(QModelIndex());
    QVERIFY(!deleteButton->isEnabled()); // no row chosen
    QVERIFY(clearButton->isEnabled());

    // A right press chooses the row and opens the menu there.
    const QRect second = page.view()->visualRect(page.model()->index(1, 0));
    QTest::mousePress(page.view()->viewport(), Qt::RightButton, {}, second.center());
    QVERIFY(page.view()->menu()->isVisible());
    page.view()->menu()->hide();
    QCOMPARE(page.view()->currentIndex().row(), 1);
    QVERIFY(deleteButton->isEnabled());
    deleteRecord->trigger();
    QTRY_COMPARE(column(page.model(), 0), (QStringList{"three.pdf", "one.pdf"}));
    QCOMPARE(db_->getRecentFiles("E").size(), 2);

    clearButton->click();
    QTRY_COMPARE(page.model()->rowCount(), 0);
    QVERIFY(db_->getRecentFiles("E").isEmpty());
    QVERIFY(!clearButton->isEnabled());
}

void TestRecentFiles::deviceActionsReachTheDeviceAndKeepTheRecord() {
    SimProcess sim("127.0.4.32", {"--sample-files"});
    QVERIFY(sim.isReady());
    QVERIFY(db_->addRecentFileRecord(
        record("F", dir_->filePath("agenda.txt"), "file_download", 1000, "/Tavlo/agenda.txt")));
    Page page(device("F", sim.address()));
    QTRY_COMPARE(page.model()->rowCount(), 1);
    page.view()->setCurrentIndex(page.model()->index(0, 0));
    QVERIFY(page.view()->openAtServerAction()->isEnabled());

    page.view()->openAtServerAction()->trigger();
    QVERIFY(sim.waitForLine("opened /Tavlo/agenda.txt"));
    {
        QuestionAnswerer yes(QMessageBox::Yes);
        page.view()->deleteAtServerAction()->trigger();
        QCOMPARE(yes.texts().size(), 1);
    }
    QVERIFY(sim.waitForLine("deleted /Tavlo/agenda.txt"));
    // The history keeps what was transferred.
    page.dialog.updateList();
    QTRY_COMPARE(db_->getRecentFiles("F").size(), 1);
    QCOMPARE(page.model()->rowCount(), 1);
    QVERIFY(db_->clearRecentFileRecord("F"));
}

void TestRecentFiles::peersHaveNoDeviceActions() {
    QVERIFY(db_->addRecentFileRecord(record("G", "/home/u/a.pdf", "file_upload", 1000)));
    Page page(device("G", "127.0.4.33", "client"));
    QTRY_COMPARE(page.model()->rowCount(), 1);
    QVERIFY(!page.view()->deviceActionsEnabled());
    QVERIFY(!page.view()->deleteAtServerAction()->isEnabled());
    QVERIFY(!page.view()->openAtServerAction()->isEnabled());
    for (QAction* action : page.view()->menu()->actions()) {
        if (action != page.view()->deleteAtServerAction() &&
            action != page.view()->openAtServerAction())
            QVERIFY2(action->isEnabled(), qPrintable(action->text()));
    }
    // A Tavlo device switches them on again.
    page.dialog.setServer(device("G"));
    QVERIFY(page.view()->deleteAtServerAction()->isEnabled());
    QVERIFY(page.view()->openAtServerAction()->isEnabled());
    QVERIFY(db_->clearRecentFileRecord("G"));
}

void TestRecentFiles::placeholders() {
    Page page{ServerContent()};
    ViewPlaceholder* hint = page.view()->placeholder();
    QVERIFY(hint->isVisible());
    QVERIFY(hint->text().contains("未找到设备"));
    QVERIFY(hint->text().contains("手动添加设备"));
    QSignalSpy addDevice(&page.dialog, &RecentFilesDialog::addDeviceRequested);
    emit hint->linkActivated("#add");
    QCOMPARE(addDevice.count(), 1);

    page.dialog.setServer(device("H"));
    QTRY_VERIFY(hint->text().startsWith("还没有与此设备的传输记录"));
    QVERIFY(hint->isVisible());
    QVERIFY(db_->addRecentFileRecord(record("H", "/home/u/a.pdf", "file_upload", 1000)));
    page.dialog.updateList();
    QTRY_COMPARE(page.model()->rowCount(), 1);
    QVERIFY(!hint->isVisible());
    QVERIFY(db_->clearRecentFileRecord("H"));
}

int main(int argc, char** argv) {
    qputenv("TZ", "UTC");
    tzset();
    QApplication app(argc, argv);
    TestRecentFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recentfiles.moc"
