// The window's controller logic and the single-instance guard. Constructing
// the window starts discovery (broadcast, multicast DNS), so CTest runs this
// program in a network namespace of its own.
#include "common/TestSupport.h"
#include "common/WidgetTestSupport.h"
#include "tavlo/FileTransferServer.h"
#include "tavlo/discovery/DiscoveryServer.h"
#include "tavlo/server/OfferRegistry.h"
#include "ui/CastControllerWidget.h"
#include "ui/FileListDialog.h"
#include "ui/FileListView.h"
#include "ui/LocalServer.h"
#include "ui/MainWindow.h"
#include "ui/ManualDevicesManageDialog.h"
#include "ui/ProgressDockWidget.h"
#include "ui/RecentFilesDialog.h"
#include "ui/RecentFilesListView.h"
#include "ui/ServerContentWidget.h"
#include "ui/SettingDialog.h"
#include "ui/SingleApplication.h"
#include "utils/Config.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLocalSocket>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

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
    void secondStartHandsFilesOver();
    void withoutATrayClosingQuits();
    void malformedMessagesDoNothing();
    void shell();
    void tavloDevicesComeBeforePcs();
    void selectionIsRemembered();
    void tabsFollowTheSelection();
    void disappearingSelectionRebuildsTheList();
    void uploadsNeedADevice();
    void menuEntriesFollowTheDevices();
    void disabledMenuEntriesLookDisabled();
    void pagesAndDialogs();
    void castControlsFollowTheSelection();
    void offersAreAskedAboutOneAtATime();

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
    // The test watches quit requests instead of letting them end it.
    QObject::disconnect(window_, &MainWindow::quitRequested, qApp, nullptr);
}

void TestMainWindow::cleanupTestCase() {
    delete window_;
    delete dismisser_;
    delete dir_;
    dir_ = nullptr;
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

    // Started under another name (a link, as a desktop entry or autostart
    // may name it), it is still the same program.
    const QString link = dir_->filePath("tavlo-client-link");
    QVERIFY(QFile::link(QCoreApplication::applicationFilePath(), link));
    second.start(link, QStringList());
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(shown.count(), 2);
    QVERIFY(app->instanceKey().endsWith(QString("-u%1").arg(getuid())));
}

void TestMainWindow::secondStartHandsFilesOver() {
    // File names that a line-based message would break travel whole.
    const QStringList files{"/tmp/季度 报告.pdf", "/tmp/two\nlines.txt", "/tmp/100% sure"};
    QCOMPARE(
        SingleApplication::filesOf(QString::fromLatin1(SingleApplication::sendFilesMessage(files))),
        files);
    QVERIFY(SingleApplication::filesOf("hello").isEmpty());
    QVERIFY(SingleApplication::filesOf("SEND-FILES\nhttp://example.org/x").isEmpty());

    auto* app = qobject_cast<SingleApplication*>(qApp);
    QSignalSpy handed(app, &SingleApplication::filesToSend);
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TAVLO_TEST_SECOND_INSTANCE", "1");
    env.insert("TAVLO_TEST_SEND_FILES", files.join('|'));
    second.setProcessEnvironment(env);
    second.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(handed.count(), 1);
    QCOMPARE(handed.first().first().toStringList(), files);

    // A list that arrives in pieces is taken whole, once its sender is done.
    handed.clear();
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many << QString("/tmp/folder %1/a rather long file name number %1.pdf").arg(i);
    const QByteArray message = SingleApplication::sendFilesMessage(many);
    QLocalSocket pieces;
    pieces.connectToServer(app->instanceKey());
    QVERIFY(pieces.waitForConnected(3000));
    pieces.write(message.left(message.size() / 2));
    QVERIFY(pieces.waitForBytesWritten(3000));
    QTest::qWait(300); // the listener reads the first half on its own
    QCOMPARE(handed.count(), 0);
    pieces.write(message.mid(message.size() / 2));
    QVERIFY(pieces.waitForBytesWritten(3000));
    pieces.disconnectFromServer();
    QTRY_COMPARE(handed.count(), 1);
    QCOMPARE(handed.first().first().toStringList(), many);

    // The window sends them to the selected device as a drop would.
    forgetAll();
    window_->onServerDiscoveryEnd(0);
    const int boxes = dismisser_->texts().size();
    window_->sendFilesFromDesktop(files); // no device: the user is told
    QCOMPARE(dismisser_->texts().size(), boxes + 1);
    QVERIFY(dismisser_->texts().last().contains("3 个文件"));
    // The reports come from the upload thread; they are collected on this
    // one (a QSignalSpy would be filled from that thread while read here).
    QStringList sent;
    QObject receiver;
    connect(
        FileTransferServer::instance(), &FileTransferServer::uploadProgress, &receiver,
        [&](const ProgressContent& report) { sent << report.localPath; }, Qt::QueuedConnection);
    discover(device("Room", "server", 51));
    window_->sendFilesFromDesktop(files);
    // Each file ends (they do not exist) with its final report.
    QTRY_COMPARE(sent.size(), 3);
    QCOMPARE(sent, files);
}

void TestMainWindow::withoutATrayClosingQuits() {
    window_->setTrayAvailable(false);
    QSignalSpy quit(window_, &MainWindow::quitRequested);
    auto* dock = window_->findChild<ProgressDockWidget*>("notifyWidget");
    ProgressContent running;
    running.id = 9901;
    running.localPath = "/tmp/big.bin";
    running.percent = 40;
    dock->uploadProgressUpdated(running);
    const int boxes = dismisser_->texts().size();
    window_->show();
    window_->close(); // asked, and the question is answered no
    QCOMPARE(dismisser_->texts().size(), boxes + 1);
    QVERIFY(dismisser_->texts().last().contains("1 个传输正在进行"));
    QCOMPARE(quit.count(), 0);
    running.percent = ProgressContent::Confirmed;
    dock->uploadProgressUpdated(running);
    window_->close(); // nothing running: quits at once
    QCOMPARE(quit.count(), 1);
    QCOMPARE(dismisser_->texts().size(), boxes + 1);
    window_->setTrayAvailable(true);
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

    window_->setTrayAvailable(true);
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

    // Closing a tab before the device's moves it; the device's tab is still
    // found where it is now.
    window_->tabClose(0); // the recent files
    QCOMPARE(tabs->count(), 1);
    const ServerContent other = device("Other", "server", 23);
    window_->getFileList(other);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentIndex(), 1);
    window_->getFileList(card());
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentIndex(), 0);
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
    const int boxes = dismisser_->texts().size();
    window_->startUploadFiles({"/tmp/a"});
    window_->startUploadFile("/tmp/a");
    QCOMPARE(dismisser_->texts().size(), boxes);

    // Files for another PC are offered to it, one offer per file; an offer
    // is recorded once it went out.
    ServerContent pc = device("Peer", "client", 41);
    pc.address = QHostAddress("127.0.7.41");
    discover(pc);
    window_->startUploadFiles({"/tmp/a", "/tmp/b"});
    QTRY_COMPARE(OfferRegistry::instance().offersFor(pc.address).size(), 2);
    QStringList offered = OfferRegistry::instance().offersFor(pc.address);
    offered.sort();
    QCOMPARE(offered, QStringList({"/tmp/a", "/tmp/b"}));
    // This PC hears its own offers (the peer's address is a loopback one
    // here): asked about one after the other, never both at once.
    QTRY_VERIFY(dismisser_->texts().filter("的文件：b?").size() == 1);
    QTRY_VERIFY(dismisser_->texts().filter("的文件：a?").size() == 1);
}

namespace {

QAction* menuEntry(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

// The darkest grey level inside `rect` of `image`.
int darkest(const QImage& image, const QRect& rect) {
    int level = 255;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            level = qMin(level, qGray(image.pixel(x, y)));
    return level;
}

} // namespace

void TestMainWindow::menuEntriesFollowTheDevices() {
    forgetAll();
    QMenu* menu = window_->popupMenu();
    for (const char* text : {"刷新", "手动添加设备", "设置", "关于", "退出"})
        QVERIFY2(menuEntry(menu, text)->isEnabled(), text);
    // Without a device there is nothing to upload to or greet with.
    for (const char* text : {"上传文件", "上传多个文件", "设置欢迎辞"})
        QVERIFY2(!menuEntry(menu, text)->isEnabled(), text);
    discover(device("Tavlo-M", "server", 51));
    for (const char* text : {"上传文件", "上传多个文件", "设置欢迎辞"})
        QVERIFY2(menuEntry(menu, text)->isEnabled(), text);
    forgetAll();
    discover(device("PC-M", "client", 52));
    QVERIFY(menuEntry(menu, "上传文件")->isEnabled());
    QVERIFY(!menuEntry(menu, "设置欢迎辞")->isEnabled()); // a PC has no welcome text
}

void TestMainWindow::disabledMenuEntriesLookDisabled() {
    forgetAll();
    QMenu* menu = window_->popupMenu();
    menu->ensurePolished();
    menu->adjustSize();
    const QImage picture = menu->grab().toImage();
    const QRect enabled = menu->actionGeometry(menuEntry(menu, "手动添加设备"));
    const QRect disabled = menu->actionGeometry(menuEntry(menu, "上传多个文件"));
    // Greyed text: its darkest pixel is far lighter than that of live text.
    QVERIFY2(darkest(picture, disabled) > darkest(picture, enabled) + 60,
             qPrintable(QString("enabled %1, disabled %2")
                            .arg(darkest(picture, enabled))
                            .arg(darkest(picture, disabled))));
}

void TestMainWindow::pagesAndDialogs() {
    forgetAll();
    QVERIFY(!window_->windowIcon().isNull());
    auto* tabs = window_->findChild<QTabWidget*>("fileListTabWidget");
    RecentFilesDialog* recent = window_->getRecentFileDlg();
    QCOMPARE(tabs->widget(0), recent);
    QVERIFY(recent->server().uuid.isEmpty()); // no device: the page says so

    discover(device("Tavlo-P", "server", 61));
    QCOMPARE(recent->server().uuid, QString("uuid-Tavlo-P"));
    QCOMPARE(recent, window_->getRecentFileDlg()); // one page for the window's life
    QCOMPARE(tabs->count(), 2);
    QPointer<FileListDialog> browser = qobject_cast<FileListDialog*>(tabs->widget(1));
    QVERIFY(browser);
    QCOMPARE(browser->server().uuid, QString("uuid-Tavlo-P"));
    // Escape inside a page leaves the page in place.
    QTest::keyClick(browser->view(), Qt::Key_Escape);
    QVERIFY(!browser->isHidden());
    tabs->setCurrentWidget(recent);
    QTest::keyClick(recent->view(), Qt::Key_Escape);
    QVERIFY(!recent->isHidden());
    // A closed browser goes away once nothing of it runs.
    window_->tabClose(1);
    QTRY_VERIFY(browser.isNull());

    window_->onActionSettingTriggered(); // modeless
    QVERIFY(window_->settingDialog()->isVisible());
    window_->settingDialog()->reject();

    const int shown = dismisser_->texts().size();
    window_->onManualAddDevices();
    QVERIFY(window_->manualDevicesDialog());
    window_->onActionAboutTriggered();
    window_->setSalutatory();
    QVERIFY2(dismisser_->texts().mid(shown) ==
                 (QStringList{"手动添加设备", "关于Tavlo客户端", "欢迎辞设置"}),
             qPrintable(dismisser_->texts().mid(shown).join(" | ")));
    // The pointer on the empty history page opens the same dialog.
    forgetAll();
    emit recent->addDeviceRequested();
    QCOMPARE(dismisser_->texts().last(), QString("手动添加设备"));
    window_->setSalutatory(); // no device: nothing opens
    QCOMPARE(dismisser_->texts().size(), shown + 4);
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

void TestMainWindow::offersAreAskedAboutOneAtATime() {
    // This test answers the questions itself.
    delete dismisser_;
    dismisser_ = nullptr;
    const ServerContent peer = device("PC Z", "client", 77);
    QStringList asked;
    int mostOpen = 0;
    bool flooded = false;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        int open = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            open += qobject_cast<QMessageBox*>(widget) && widget->isVisible() ? 1 : 0;
        mostOpen = qMax(mostOpen, open);
        if (!flooded) {
            // While the first question is open, a flood of offers arrives:
            // 150 files, 50 of them offered twice.
            flooded = true;
            for (int i = 0; i < 200; ++i)
                window_->isDownloadFile(QString("/peer/file%1.txt").arg(i % 150), peer, 16021);
        }
        asked << box->text();
        box->button(QMessageBox::No)->click();
    });
    answerer.start(10);
    LogCapture log;
    window_->isDownloadFile("/peer/first.txt", peer, 16021);
    // The next question opens once the last one was answered.
    QTRY_COMPARE_WITH_TIMEOUT(asked.size(), 1 + MainWindow::MaxPendingOffers, 60000);
    answerer.stop();
    dismisser_ = new ModalDismisser;

    QCOMPARE(mostOpen, 1);
    QCOMPARE(asked.first(), QString("是否下载来自 PC Z 的文件：first.txt?"));
    QCOMPARE(
        asked.last(),
        QString("是否下载来自 PC Z 的文件：file%1.txt?").arg(MainWindow::MaxPendingOffers - 1));
    QCOMPARE(log.count("Too many offers waiting"), 150 - MainWindow::MaxPendingOffers);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("TAVLO_TEST_SECOND_INSTANCE")) {
        SingleApplication app(argc, argv);
        if (app.isRunning())
            return 3;
        const QString files = qEnvironmentVariable("TAVLO_TEST_SEND_FILES");
        if (!files.isEmpty() && !app.sendFilesToRunning(files.split('|')))
            return 5;
        return 0;
    }
    SingleApplication app(argc, argv);
    if (!app.isRunning())
        return 4;
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
