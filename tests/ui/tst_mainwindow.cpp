// The window's controller logic and the single-instance guard. Constructing
// the window starts discovery (broadcast, multicast DNS), so CTest runs this
// program in a network namespace of its own.
#include "common/TestSupport.h"
#include "common/WidgetTestSupport.h"
#include "tavlo/discovery/DiscoveryServer.h"
#include "ui/CastControllerWidget.h"
#include "ui/LocalServer.h"
#include "ui/MainWindow.h"
#include "ui/ServerContentWidget.h"
#include "ui/SingleApplication.h"
#include "utils/Config.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLocalSocket>
#include <QLockFile>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

namespace {

ServerContent device(const QString& name, const QString& type, int last) {
    ServerContent s;
    s.name = name;
    s.type = type;
    s.uuid = "uuid-" + name;
    s.address = QHostAddress(QStringLiteral("10.1.0.%1").arg(last));
    s.valid = true;
    return s;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void secondStartShowsTheFirstWindow();
    void malformedMessagesDoNothing();
    void shell();
    void tavloDevicesComeBeforePcs();
    void selectionIsRemembered();
    void tabsFollowTheSelection();
    void disappearingSelectionRebuildsTheList();
    void uploadsNeedADevice();
    void castControlsFollowTheSelection();

private:
    void discover(const ServerContent& server) { window_->onServerDiscoveried(server); }
    void forgetAll();
    QComboBox* combo() const { return window_->findChild<QComboBox*>("serverComboBox"); }
    const ServerContent& card() const {
        return window_->findChild<ServerContentWidget*>("serverWidget")->serverContent();
    }

    ScopedWorkDir* dir_ = nullptr;
    ModalDismisser* dismisser_ = nullptr;
    MainWindow* window_ = nullptr;
};

void TestMainWindow::initTestCase() {
    dir_ = new ScopedWorkDir;
    dismisser_ = new ModalDismisser;
    window_ = new MainWindow;
}

void TestMainWindow::cleanupTestCase() {
    delete window_;
    delete dismisser_;
}

void TestMainWindow::forgetAll() {
    for (const ServerContent& server : window_->serverList())
        window_->onServerDisappeared(server);
    QVERIFY(window_->serverList().isEmpty());
}

void TestMainWindow::secondStartShowsTheFirstWindow() {
    auto* app = qobject_cast<SingleApplication*>(qApp);
    QVERIFY(app->isRunning());
    // The lock and the listener's socket are separate files, and the lock
    // is held.
    QVERIFY(QFileInfo(app->lockPath()).isFile());
    QLockFile probe(app->lockPath());
    QVERIFY(!probe.tryLock(0));
    QSignalSpy shown(app, &SingleApplication::showUp);
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TAVLO_TEST_SECOND_INSTANCE", "1");
    second.setProcessEnvironment(env);
    second.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(shown.count(), 1);
}

void TestMainWindow::malformedMessagesDoNothing() {
    LocalServer server("tavlo-test-unused-name");
    QSignalSpy shown(&server, &LocalServer::showUp);
    QSignalSpy other(&server, &LocalServer::dataReceived);
    server.slotOnData("CMD:showUpCMD:showUp"); // two in one write
    server.slotOnData("xCMD:showUp");          // loses "xCMD", leaves ":showUp"
    server.slotOnData("CMD:hideDown");
    QCOMPARE(shown.count(), 0);
    QCOMPARE(other.count(), 0);
    server.slotOnData("hello");
    QCOMPARE(other.count(), 1);
    server.slotOnData("CMD:showUp");
    QCOMPARE(shown.count(), 1);

    // A message with a NUL is cut there.
    auto* app = qobject_cast<SingleApplication*>(qApp);
    QSignalSpy appShown(app, &SingleApplication::showUp);
    QLocalSocket socket;
    socket.connectToServer(app->instanceKey());
    QVERIFY(socket.waitForConnected(3000));
    socket.write(QByteArray("CMD:showUp\0trailing", 19));
    QVERIFY(socket.waitForBytesWritten(3000));
    QTRY_COMPARE(appShown.count(), 1);
}

void TestMainWindow::shell() {
    QCOMPARE(window_->findChild<QLabel*>("labelVersion")->text(), QString("V1.5.5"));
    QVERIFY(window_->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(window_->findChild<QPushButton*>("btn_max")->isHidden());
    QStringList texts;
    for (QAction* action : window_->popupMenu()->actions())
        if (!action->isSeparator())
            texts << action->text();
    QCOMPARE(texts, (QStringList{"刷新", "手动添加设备", "上传文件", "上传多个文件", "设置欢迎辞",
                                 "设置", "关于", "退出"}));

    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    window_->close(); // hides into the tray
    QVERIFY(window_->isHidden());
    window_->showOrHide(QSystemTrayIcon::Trigger);
    QVERIFY(window_->isVisible());
    window_->showOrHide(QSystemTrayIcon::DoubleClick); // other reasons do nothing
    QVERIFY(window_->isVisible());
    window_->showOrHide(QSystemTrayIcon::Trigger);
    QVERIFY(window_->isHidden());

    // Only the header drags the frameless window.
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    const QPoint start = window_->pos();
    QTest::mousePress(window_, Qt::LeftButton, {}, QPoint(300, 200));
    QMouseEvent below(QEvent::MouseMove, QPointF(340, 230), window_->mapToGlobal(QPoint(340, 230)),
                      Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(window_, &below);
    QTest::mouseRelease(window_, Qt::LeftButton, {}, QPoint(340, 230));
    QCOMPARE(window_->pos(), start);
    QTest::mousePress(window_, Qt::LeftButton, {}, QPoint(300, 20));
    QMouseEvent inHeader(QEvent::MouseMove, QPointF(340, 50), window_->mapToGlobal(QPoint(340, 50)),
                         Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(window_, &inHeader);
    QTest::mouseRelease(window_, Qt::LeftButton, {}, QPoint(340, 50));
    QCOMPARE(window_->pos(), start + QPoint(40, 30));
    window_->hide();

    window_->notify("hello");
    QCOMPARE(window_->statusBar()->currentMessage(), QString("hello"));
    QTRY_COMPARE_WITH_TIMEOUT(window_->statusBar()->currentMessage(), QString(), 5000);
}

void TestMainWindow::tavloDevicesComeBeforePcs() {
    forgetAll();
    discover(device("PC-1", "client", 1));
    discover(device("Tavlo-1", "server", 2));
    discover(device("PC-2", "client", 3));
    discover(device("Tavlo-2", "server", 4));
    QStringList names;
    for (const ServerContent& s : window_->serverList())
        names << s.name;
    QCOMPARE(names, (QStringList{"Tavlo-1", "Tavlo-2", "PC-1", "PC-2"}));
    QCOMPARE(combo()->count(), 4);
    QCOMPARE(combo()->itemText(0), QString("Tavlo-1"));
}

void TestMainWindow::selectionIsRemembered() {
    forgetAll();
    Config* config = Config::instance();
    // Automatic selection stores a device only when none is stored yet.
    if (!config->contains(Config::LastSelectedServerUUID)) {
        discover(device("A", "server", 11));
        QCOMPARE(config->value(Config::LastSelectedServerUUID).toString(), QString("uuid-A"));
        forgetAll();
    }
    QVERIFY(config->setValue(Config::LastSelectedServerUUID, "uuid-B"));
    discover(device("A", "server", 11));
    discover(device("B", "server", 12));
    discover(device("C", "server", 13));
    QCOMPARE(combo()->currentIndex(), 1);
    QCOMPARE(card().name, QString("B"));
    QCOMPARE(config->value(Config::LastSelectedServerUUID).toString(), QString("uuid-B"));

    combo()->setCurrentIndex(2); // by hand
    QCOMPARE(config->value(Config::LastSelectedServerUUID).toString(), QString("uuid-C"));
    QCOMPARE(card().name, QString("C"));
}

void TestMainWindow::tabsFollowTheSelection() {
    forgetAll();
    auto* tabs = window_->findChild<QTabWidget*>("fileListTabWidget");
    QVERIFY(Config::instance()->setValue(Config::LastSelectedServerUUID, "uuid-PC"));
    discover(device("PC", "client", 21));
    QCOMPARE(tabs->count(), 1); // a PC peer has only the recent files
    QCOMPARE(tabs->tabText(0), QString("最近文件"));

    discover(device("Big room with a very long name that goes on and on and on", "server", 22));
    combo()->setCurrentIndex(0);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1).size(), 50);
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(window_->tabMap().size(), 1);

    window_->tabClose(1);
    QCOMPARE(tabs->count(), 1);
    QVERIFY(window_->tabMap().isEmpty());
    window_->getFileList(card());
    QCOMPARE(tabs->count(), 2);
    window_->getFileList(card()); // already open: selected, not added
    QCOMPARE(tabs->count(), 2);
}

void TestMainWindow::disappearingSelectionRebuildsTheList() {
    forgetAll();
    QVERIFY(Config::instance()->setValue(Config::LastSelectedServerUUID, "uuid-Y"));
    discover(device("X", "server", 31));
    discover(device("Y", "server", 32));
    QCOMPARE(card().name, QString("Y"));
    window_->onServerDisappeared(device("Y", "server", 32));
    QCOMPARE(combo()->count(), 1);
    QCOMPARE(card().name, QString("X"));
    window_->onServerDisappeared(device("X", "server", 31));
    QCOMPARE(combo()->count(), 0);
    QCOMPARE(card().name, QString()); // card cleared
    QCOMPARE(window_->findChild<QTabWidget*>("fileListTabWidget")->count(), 1);
}

void TestMainWindow::uploadsNeedADevice() {
    forgetAll();
    auto* refresh = window_->findChild<QPushButton*>("refreshPushButton");
    window_->onServerDiscoveryEnd(3);
    QVERIFY(refresh->isEnabled());
    QCOMPARE(window_->statusBar()->currentMessage(), QString("查找结束,总共找到 3 个设备."));
    window_->onDeviceCheck(); // nothing listed: scans again
    QVERIFY(!refresh->isEnabled());
    QCOMPARE(window_->statusBar()->currentMessage(), QString("开始扫描服务器!"));

    // Without devices the upload actions do nothing (no file dialog opens).
    window_->startUploadFiles({"/tmp/a"});
    window_->startUploadFile("/tmp/a");
    QVERIFY(dismisser_->texts().size() <= 1); // only the hot-key warning, if any

    discover(device("Peer", "client", 41));
    window_->startUploadFiles({"/tmp/a"});
    QCOMPARE(window_->statusBar()->currentMessage(), QString("暂不支持向其他电脑发送文件."));
}

void TestMainWindow::castControlsFollowTheSelection() {
    forgetAll();
    auto* cast = window_->findChild<CastControllerWidget*>("castControllerWidget");
    QVERIFY(cast);
    QVERIFY(!cast->isHidden());
    auto page = [cast] {
        return cast->findChild<QStackedWidget*>("stackedWidget")->currentWidget()->objectName();
    };
    QCOMPARE(page(), QString("notSurrpotWidget"));

    ServerContent caster = device("Caster", "server", 51);
    caster.addSupport("Glimmer : 5000");
    discover(caster);
    QCOMPARE(page(), QString("notCastWidget"));
    discover(device("Plain", "server", 52));
    combo()->setCurrentIndex(1);
    QCOMPARE(card().name, QString("Plain"));
    QCOMPARE(page(), QString("notSurrpotWidget"));
    combo()->setCurrentIndex(0);
    QCOMPARE(page(), QString("notCastWidget"));

    // The last device gone: the controls are cleared.
    forgetAll();
    QCOMPARE(page(), QString("notSurrpotWidget"));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("TAVLO_TEST_SECOND_INSTANCE")) {
        SingleApplication app(argc, argv);
        return app.isRunning() ? 3 : 0;
    }
    SingleApplication app(argc, argv);
    if (!app.isRunning())
        return 4;
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
