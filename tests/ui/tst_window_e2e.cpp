// The client's window against a simulated device, under a real X server
// (Xvfb) inside the private test network: the device is found, a file handed
// to the card as a drop is uploaded, the device's folders are browsed with
// thumbnails, a picture is downloaded and shows up in the recent files, a
// file the device offers is taken after the user agrees, and the global hot
// key works. Saves screenshots for people to look at.
#include "common/TestSupport.h"
#include "common/WidgetTestSupport.h"
#include "tavlo/FileUtil.h"
#include "ui/FileListDialog.h"
#include "ui/FileListView.h"
#include "ui/FileTreeModel.h"
#include "ui/GlobalShortcut.h"
#include "ui/MainWindow.h"
#include "ui/ManualDevicesManageDialog.h"
#include "ui/ProgressDockWidget.h"
#include "ui/ProgressWidget.h"
#include "ui/RecentFilesDialog.h"
#include "ui/RecentFilesModel.h"
#include "ui/ServerContentWidget.h"
#include "ui/SettingDialog.h"
#include "ui/ShortcutLineEdit.h"
#include "utils/Config.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QX11Info>
#include <QtTest>

#include <cstdio>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

void pressCtrlF9() {
    Display* display = QX11Info::display();
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    const KeyCode f9 = XKeysymToKeycode(display, XK_F9);
    XTestFakeKeyEvent(display, control, True, 0);
    XTestFakeKeyEvent(display, f9, True, 0);
    XTestFakeKeyEvent(display, f9, False, 0);
    XTestFakeKeyEvent(display, control, False, 0);
    XFlush(display);
}

} // namespace

class TestWindowE2e : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void findsTheSimulatedDevice();
    void uploadsAFileDroppedOnTheCard();
    void acceptsAFileTheDeviceOffers();
    void browsesAndDownloadsAPicture();
    void dialogs();
    void globalHotKey();

private:
    void screenshot(const QString& name);
    void screenshotOf(QWidget* widget, const QString& name);

    ScopedWorkDir* dir_ = nullptr;
    ModalDismisser* dismisser_ = nullptr;
    MainWindow* window_ = nullptr;
};

void TestWindowE2e::initTestCase() {
    if (QGuiApplication::platformName() != "xcb")
        QSKIP("needs an X server (the harness runs this under Xvfb)");
    dir_ = new ScopedWorkDir;
    dismisser_ = new ModalDismisser;
    window_ = new MainWindow;
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
}

void TestWindowE2e::cleanupTestCase() {
    delete window_;
    delete dismisser_;
    delete dir_;
    dir_ = nullptr;
}

void TestWindowE2e::screenshot(const QString& name) {
    screenshotOf(window_, name);
}

void TestWindowE2e::screenshotOf(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("TAVLO_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QCoreApplication::processEvents();
    QVERIFY(widget->grab().save(folder + "/" + name, "PNG"));
}

void TestWindowE2e::findsTheSimulatedDevice() {
    QTRY_VERIFY_WITH_TIMEOUT(!window_->serverList().isEmpty(), 20000);
    const auto* card = window_->findChild<ServerContentWidget*>("serverWidget");
    QCOMPARE(card->serverContent().name, QString("Room 301 Tavlo"));
    QCOMPARE(window_->findChild<QComboBox*>("serverComboBox")->currentText(),
             QString("Room 301 Tavlo"));
    // The hot key could be registered on this display: no warning was shown.
    QVERIFY(dismisser_->texts().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(window_->statusBar()->currentMessage().contains("查找结束"), 10000);
    screenshot("window-device.png");
}

void TestWindowE2e::uploadsAFileDroppedOnTheCard() {
    const QString path = dir_->filePath("季度 报告 Q3.pdf");
    QVERIFY(writePatternFile(path, 8 * 1024 * 1024));
    auto* card = window_->findChild<ServerContentWidget*>("serverWidget");
    emit card->filePathDroped(QStringList{path}); // what a drop of that file emits

    auto* dock = window_->findChild<ProgressDockWidget*>("notifyWidget");
    QTRY_COMPARE_WITH_TIMEOUT(dock->rowCount(), 1, 10000);
    auto* row =
        qobject_cast<ProgressWidget*>(dock->listWidget()->itemWidget(dock->listWidget()->item(0)));
    QVERIFY(row);
    QTRY_VERIFY_WITH_TIMEOUT(row->text().endsWith("成功."), 60000);
    QVERIFY(row->text().startsWith("上传文件:"));

    const QString store = qEnvironmentVariable("TAVLO_SIM_STORE");
    if (!store.isEmpty())
        QCOMPARE(getFileMd5(store + "/normal/Tavlo/上传/季度 报告 Q3.pdf"), getFileMd5(path));
    screenshot("window-transfer.png");
}

void TestWindowE2e::acceptsAFileTheDeviceOffers() {
    const QString lan = qEnvironmentVariable("LAN_SH");
    const QString store = qEnvironmentVariable("TAVLO_SIM_STORE");
    if (lan.isEmpty() || store.isEmpty())
        QSKIP("needs the private test network");
    const QString folder = dir_->filePath("downloads");
    QVERIFY(Config::instance()->setValue(Config::DownloadPath, folder));
    // The question must stay open for this test to answer it.
    delete dismisser_;
    dismisser_ = nullptr;

    // A second simulator on the device's address (on spare ports) sends the
    // offer; the first one serves the file.
    QProcess offering;
    offering.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    offering.start(lan, {"x", qEnvironmentVariable("TAVLO_DEVICE_NS"),
                         qEnvironmentVariable("TAVLO_BIN_DIR") + "/tavlo-device-sim", "--address",
                         qEnvironmentVariable("TAVLO_DEVICE_ADDRESS"), "--query-port", "0",
                         "--request-port", "0", "--name", "Room 301 Tavlo", "--offer",
                         "/Pictures/poster.png", "--offer-to",
                         qEnvironmentVariable("TAVLO_PC_ADDRESS")});
    QVERIFY(offering.waitForStarted());
    // The question runs its own event loop: answer it from a timer there.
    QString asked;
    const QString shots = qEnvironmentVariable("TAVLO_SCREENSHOT_DIR");
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, this, [&] {
        auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!question || !question->isVisible())
            return;
        asked = question->text();
        if (!shots.isEmpty())
            question->grab().save(shots + "/window-offer.png", "PNG");
        answerer.stop();
        question->button(QMessageBox::Yes)->click();
    });
    answerer.start(50);
    QTRY_VERIFY_WITH_TIMEOUT(!asked.isEmpty(), 20000);
    QCOMPARE(asked, QString("是否下载来自 Room 301 Tavlo 的文件：poster.png?"));

    const QString local = folder + "/poster.png";
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(local), 20000);
    QCOMPARE(getFileMd5(local), getFileMd5(store + "/normal/Pictures/poster.png"));
    QVERIFY(!QFile::exists(local + ".part"));
    offering.kill();
    offering.waitForFinished();
    dismisser_ = new ModalDismisser;
}

namespace {

int rowNamed(const FileTreeModel* model, const QString& name) {
    const QList<FileContent> files = model->files();
    for (int row = 0; row < files.size(); ++row)
        if (files.at(row).fileName == name)
            return row;
    return -1;
}

bool picturesHaveThumbnails(const FileTreeModel* model) {
    int pictures = 0;
    for (const FileContent& file : model->files()) {
        if (!file.fileName.endsWith(".png"))
            continue;
        ++pictures;
        if (!file.thumbLoaded || file.thumbnail.isNull())
            return false;
    }
    return pictures > 0;
}

} // namespace

void TestWindowE2e::browsesAndDownloadsAPicture() {
    const QString downloads = dir_->filePath("下载");
    QVERIFY(Config::instance()->setValue(Config::DownloadPath, downloads));
    auto* tabs = window_->findChild<QTabWidget*>("fileListTabWidget");
    tabs->setCurrentIndex(0);
    // Double-clicking the card brings up the device's folders.
    auto* card = window_->findChild<ServerContentWidget*>("serverWidget");
    QTest::mouseDClick(card, Qt::LeftButton, {}, card->rect().center());
    auto* browser = qobject_cast<FileListDialog*>(tabs->currentWidget());
    QVERIFY(browser);
    FileTreeModel* model = browser->model();
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), 3, 10000);

    FileListView* view = browser->view();
    const int pictures = rowNamed(model, "Pictures");
    QVERIFY(pictures >= 0);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                       view->visualRect(model->index(pictures, 0)).center());
    QTRY_COMPARE_WITH_TIMEOUT(browser->currentPath(), QString("/Pictures"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(picturesHaveThumbnails(model), 10000);
    screenshot("window-browser.png");

    const int poster = rowNamed(model, "poster.png");
    QVERIFY(poster >= 0);
    view->setCurrentIndex(model->index(poster, 0));
    auto* dock = window_->findChild<ProgressDockWidget*>("notifyWidget");
    const int rows = dock->rowCount();
    view->downloadAction()->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(dock->rowCount(), rows + 1, 10000);
    auto* row =
        qobject_cast<ProgressWidget*>(dock->listWidget()->itemWidget(dock->listWidget()->item(0)));
    QTRY_VERIFY_WITH_TIMEOUT(row->text().endsWith("成功."), 30000);
    QVERIFY(row->text().startsWith("下载文件:"));
    const QString local = downloads + "/poster.png";
    const QString store = qEnvironmentVariable("TAVLO_SIM_STORE");
    if (!store.isEmpty())
        QCOMPARE(getFileMd5(local), getFileMd5(store + "/normal/Pictures/poster.png"));
    else
        QVERIFY(QFile::exists(local));

    // The download is the newest transfer in the recent files, with its
    // thumbnail made from the local copy.
    RecentFilesDialog* recent = window_->getRecentFileDlg();
    tabs->setCurrentWidget(recent);
    RecentFilesModel* history = recent->model();
    QTRY_VERIFY_WITH_TIMEOUT(
        history->rowCount() >= 2 && history->records().first().nativePath == local, 10000);
    QCOMPARE(history->index(0, 1).data().toString(), QString("下载"));
    QTRY_VERIFY_WITH_TIMEOUT(history->records().first().thumbLoaded &&
                                 !history->records().first().thumb.isNull(),
                             10000);
    screenshot("window-recent.png");
}

void TestWindowE2e::dialogs() {
    window_->onActionSettingTriggered();
    SettingDialog* settings = window_->settingDialog();
    QVERIFY(QTest::qWaitForWindowExposed(settings));
    screenshotOf(settings, "dialog-settings.png");
    settings->reject();

    // Shown rather than run, so that the picture can be taken.
    ManualDevicesManageDialog manual(window_);
    manual.show();
    QVERIFY(QTest::qWaitForWindowExposed(&manual));
    manual.findChild<QLineEdit*>("lineEditIPAddress")->setText("10.77.0.2");
    manual.findChild<QPushButton*>("pushButtonAdd")->click();
    QCOMPARE(manual.findChild<QListWidget*>("listWidgetDevices")->count(), 1);
    manual.findChild<QLineEdit*>("lineEditIPAddress")->clear();
    screenshotOf(&manual, "dialog-manual-devices.png");
}

void TestWindowE2e::globalHotKey() {
    GlobalShortcut shortcut;
    QSignalSpy activated(&shortcut, &GlobalShortcut::activated);
    QVERIFY(shortcut.setShortcut(QKeySequence("Ctrl+F9")));
    pressCtrlF9();
    QTRY_COMPARE(activated.count(), 1);

    // Switched off (as while the settings dialog is open), the key reaches
    // the focused field instead; waiting for it there also makes sure the
    // press was handled before the key is switched on again.
    ShortcutLineEdit field;
    field.show();
    field.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&field));
    field.setFocus();
    shortcut.setEnabled(false);
    pressCtrlF9();
    QTRY_COMPARE(field.text(), QString("Ctrl+F9"));
    QCOMPARE(activated.count(), 1);
    field.hide();
    shortcut.setEnabled(true);
    pressCtrlF9();
    QTRY_COMPARE(activated.count(), 2);

    // Another program holding the combination makes registration fail.
    QProcess holder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TAVLO_TEST_HOLD_KEY", "Ctrl+F8");
    holder.setProcessEnvironment(env);
    holder.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("holding"));
    GlobalShortcut taken;
    QVERIFY(!taken.setShortcut(QKeySequence("Ctrl+F8")));

    // A refused change keeps the previous key in force, enabled or not (the
    // settings dialog changes it while the key is switched off).
    QVERIFY(!shortcut.setShortcut(QKeySequence("Ctrl+F8")));
    QCOMPARE(shortcut.shortcut(), QKeySequence("Ctrl+F9"));
    pressCtrlF9();
    QTRY_COMPARE(activated.count(), 3);
    shortcut.setEnabled(false);
    QVERIFY(!shortcut.setShortcut(QKeySequence("Ctrl+F8")));
    QCOMPARE(shortcut.shortcut(), QKeySequence("Ctrl+F9"));
    shortcut.setEnabled(true);
    pressCtrlF9();
    QTRY_COMPARE(activated.count(), 4);
    holder.kill();
    holder.waitForFinished();
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("TAVLO_TEST_HOLD_KEY")) {
        GlobalShortcut shortcut;
        if (!shortcut.setShortcut(QKeySequence(qEnvironmentVariable("TAVLO_TEST_HOLD_KEY"))))
            return 1;
        std::printf("holding\n");
        std::fflush(stdout);
        return app.exec();
    }
    TestWindowE2e test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window_e2e.moc"
