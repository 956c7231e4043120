#include "common/TestSupport.h"
#include "ui/ProgressDockWidget.h"
#include "ui/ProgressWidget.h"
#include "ui/QProgressPie.h"
#include "ui/ServerContentWidget.h"
#include "utils/MetaTypes.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

namespace {

ProgressContent progress(int id, int percent, int kind = ProgressContent::Upload,
                         const QString& path = "/home/u/a.pdf") {
    ProgressContent p;
    p.id = id;
    p.kind = kind;
    p.percent = percent;
    p.localPath = path;
    p.remotePath = "/Tavlo/上传/a.pdf";
    p.server.name = "Room";
    return p;
}

QStringList menuTexts(const ProgressWidget* row) {
    QStringList texts;
    for (QAction* action : row->menu()->actions())
        texts << action->text();
    return texts;
}

QMimeData* mimeWith(const QList<QUrl>& urls) {
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

} // namespace

class TestViews : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { MetaTypes::registerAll(); }
    void rowsAreAddedOnTopAndUpdatedInPlace();
    void finalStates();
    void invalidPercentIsLoggedAndIgnored();
    void clearAndCloseRows();
    void textWrapping_data();
    void textWrapping();
    void pieFreezesWhenFull();
    void cardShowsTheDevice();
    void cardTakesLocalFilesOnly();
    void cardDoubleClickOpensTavloFilesOnly();
};

void TestViews::rowsAreAddedOnTopAndUpdatedInPlace() {
    ProgressDockWidget dock;
    dock.uploadProgressUpdated(progress(1, 0));
    dock.uploadProgressUpdated(progress(2, 0, ProgressContent::Download, "/home/u/b.png"));
    QCOMPARE(dock.rowCount(), 2);
    auto* top =
        qobject_cast<ProgressWidget*>(dock.listWidget()->itemWidget(dock.listWidget()->item(0)));
    QCOMPARE(top, dock.rowFor(2)); // newest first
    QCOMPARE(top->text(), QString("下载文件:\"b.png\"."));

    dock.uploadProgressUpdated(progress(1, 40));
    QCOMPARE(dock.rowCount(), 2);
    QCOMPARE(dock.rowFor(1)->progressValue(), 40);
    QVERIFY(!dock.rowFor(1)->isCloseVisible());
}

void TestViews::finalStates() {
    ProgressDockWidget dock;
    dock.uploadProgressUpdated(progress(7, 10, ProgressContent::SecureUpload));
    ProgressWidget* row = dock.rowFor(7);
    QCOMPARE(row->text(), QString("机密上传:\"a.pdf\"."));
    QCOMPARE(menuTexts(row),
             (QStringList{"在本地打开", "打开所在目录", "在Tavlo上删除", "在Tavlo上打开"}));

    dock.uploadProgressUpdated(
        progress(7, ProgressContent::Confirmed, ProgressContent::SecureUpload));
    QCOMPARE(row->text(), QString("机密上传:\"a.pdf\"成功."));
    QCOMPARE(row->progressValue(), 100);
    QVERIFY(row->isCloseVisible());
    dock.uploadProgressUpdated(progress(7, 50, ProgressContent::SecureUpload));
    QCOMPARE(row->progressValue(), 50); // a late update only moves the bar
    QCOMPARE(row->text(), QString("机密上传:\"a.pdf\"成功."));

    ProgressContent failed = progress(8, ProgressContent::Failed);
    failed.failure = TransferFailure(TransferFailure::NoAnswer);
    dock.uploadProgressUpdated(failed);
    ProgressWidget* failedRow = dock.rowFor(8);
    QCOMPARE(failedRow->text(), QString("上传文件:\"a.pdf\"失败. 原因: 设备没\n有应答"));
    ProgressContent refused = progress(9, ProgressContent::Failed);
    refused.failure = TransferFailure(TransferFailure::Refused, "disk full");
    dock.uploadProgressUpdated(refused);
    QCOMPARE(dock.rowFor(9)->text(),
             QString("上传文件:\"a.pdf\"失败. 原因: 设备拒\n绝了请求: disk full"));
    QVERIFY(failedRow->isCloseVisible());
    QCOMPARE(menuTexts(failedRow), QStringList{"重新下载/上传"});
}

void TestViews::invalidPercentIsLoggedAndIgnored() {
    ProgressDockWidget dock;
    dock.uploadProgressUpdated(progress(3, 30));
    LogCapture log;
    dock.uploadProgressUpdated(progress(3, -2));
    dock.uploadProgressUpdated(progress(3, 102));
    QCOMPARE(log.count("[E][ProgressDockWidget] Wrong parameter while updating progress widget"),
             2);
    QCOMPARE(dock.rowFor(3)->progressValue(), 30);
    QCOMPARE(dock.rowFor(3)->text(), QString("上传文件:\"a.pdf\"."));
}

void TestViews::clearAndCloseRows() {
    ProgressDockWidget dock;
    dock.uploadProgressUpdated(progress(1, 100));
    dock.uploadProgressUpdated(progress(2, 5));
    dock.clear();
    QCOMPARE(dock.rowCount(), 0);
    QCOMPARE(dock.listWidget()->count(), 0);
    dock.uploadProgressUpdated(progress(2, 6)); // still running: comes back
    QCOMPARE(dock.rowCount(), 1);

    dock.uploadProgressUpdated(progress(4, ProgressContent::Confirmed));
    ProgressWidget* row = dock.rowFor(4);
    QVERIFY(QMetaObject::invokeMethod(row, "close"));
    QCOMPARE(dock.rowCount(), 1);
    QVERIFY(!dock.rowFor(4));
    QCOMPARE(dock.listWidget()->count(), 1);
}

void TestViews::textWrapping_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QString a23(23, 'a');
    QTest::newRow("short") << "abc"
                           << "abc";
    QTest::newRow("exactly 23") << a23 << a23;
    QTest::newRow("24") << a23 + "b" << a23 + "\nb";
    // A word longer than a line is cut; every line holds at most 23.
    const QString x23(23, 'x');
    QTest::newRow("100 without blanks")
        << QString(100, 'x') << x23 + "\n" + x23 + "\n" + x23 + "\n" + x23 + "\n" + QString(8, 'x');
    QTest::newRow("words") << "the connection broke off at byte 123456"
                           << "the connection broke\noff at byte 123456";
    QTest::newRow("chinese") << QString("上传文件:\"季度报告.pdf\"失败. 原因: 设备没有应答")
                             << QString("上传文件:\"季度报告.pdf\"失败. 原因:\n设备没有应答");
}

void TestViews::textWrapping() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ProgressWidget::wrapped(text), expected);
}

void TestViews::pieFreezesWhenFull() {
    QProgressPie pie;
    pie.resize(40, 40);
    pie.setRange(0, 100);
    pie.setValue(50);
    QVERIFY(pie.isSpinning());
    const int before = pie.angle();
    QTRY_VERIFY(pie.angle() != before);
    pie.setValue(100);
    pie.grab(); // paints
    QVERIFY(!pie.isSpinning());
}

void TestViews::cardShowsTheDevice() {
    ServerContent device;
    device.name = "Room 9";
    device.uuid = "u-9";
    device.address = QHostAddress("10.0.0.9");
    device.type = "server";
    ServerContentWidget card(device, nullptr);
    QCOMPARE(card.findChild<QLabel*>("labelServerName")->text(), QString("Room 9"));
    QCOMPARE(card.findChild<QLabel*>("labelType")->text(), QString("Tavlo服务器"));
    QCOMPARE(card.toolTip(), QString("NAME:\tRoom 9\nUUID:\tu-9\nIP:\t10.0.0.9"));
    QCOMPARE(card.backgroundColor(), ServerContentWidget::NormalColor);
    device.type = "client";
    card.setServerContent(device);
    QCOMPARE(card.findChild<QLabel*>("labelType")->text(), QString("客户端"));
}

void TestViews::cardTakesLocalFilesOnly() {
    ServerContentWidget card;
    card.resize(300, 90);
    QSignalSpy dropped(&card, &ServerContentWidget::filePathDroped);

    std::unique_ptr<QMimeData> web(mimeWith({QUrl("https://example.org/a.png")}));
    QDragEnterEvent enterWeb(QPoint(5, 5), Qt::CopyAction, web.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&card, &enterWeb);
    QVERIFY(!enterWeb.isAccepted());
    QCOMPARE(card.backgroundColor(), ServerContentWidget::NormalColor);
    QDropEvent dropWeb(QPointF(5, 5), Qt::CopyAction, web.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&card, &dropWeb);
    QCOMPARE(dropped.count(), 0);

    std::unique_ptr<QMimeData> files(
        mimeWith({QUrl::fromLocalFile("/tmp/one.txt"), QUrl("https://example.org/x"),
                  QUrl::fromLocalFile("/tmp/两 个.pdf"), QUrl::fromLocalFile("/tmp/three.png")}));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, files.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&card, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(card.backgroundColor(), ServerContentWidget::DragColor);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, files.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&card, &drop);
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped.first().first().toStringList(),
             (QStringList{"/tmp/one.txt", "/tmp/两 个.pdf", "/tmp/three.png"}));
    QCOMPARE(card.backgroundColor(), ServerContentWidget::NormalColor);
}

void TestViews::cardDoubleClickOpensTavloFilesOnly() {
    ServerContent device;
    device.type = "server";
    ServerContentWidget card(device, nullptr);
    QSignalSpy opened(&card, &ServerContentWidget::fileList);
    QTest::mouseDClick(&card, Qt::LeftButton);
    QCOMPARE(opened.count(), 1);
    device.type = "client";
    card.setServerContent(device);
    QTest::mouseDClick(&card, Qt::LeftButton);
    QCOMPARE(opened.count(), 1);
}

QTEST_MAIN(TestViews)
#include "tst_views.moc"
