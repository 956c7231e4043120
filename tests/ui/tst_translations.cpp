// The window in English and in Chinese: the language follows the system or
// TAVLO_LANG, every text of the window has an English form, and texts that
// name places on the device stay as the device names them.
#include "common/TestSupport.h"
#include "common/WidgetTestSupport.h"
#include "tavlo/FileUploadTask.h"
#include "ui/FailureText.h"
#include "ui/MainWindow.h"
#include "ui/ProgressDockWidget.h"
#include "ui/ProgressWidget.h"
#include "ui/SettingDialog.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QtTest>

namespace {

// Runs this program again with `environment` and returns what it printed
// as its chosen language.
QString languageUnder(const QStringList& environment) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("TAVLO_LANG");
    env.remove("LC_ALL");
    env.remove("LC_MESSAGES");
    for (const QString& entry : environment)
        env.insert(entry.section('=', 0, 0), entry.section('=', 1));
    env.insert("TAVLO_TEST_PRINT_LANGUAGE", "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    child.waitForFinished(10000);
    return QString::fromLatin1(child.readAllStandardOutput()).trimmed();
}

void saveShot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("TAVLO_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    widget->grab().save(folder + "/" + name, "PNG");
}

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void theWindowSpeaksChineseFirst();
    void languageFollowsTheSystem();
    void theWindowSpeaksEnglish();
    void placesOnTheDeviceKeepTheirNames();

private:
    ScopedWorkDir* dir_ = nullptr;
    ModalDismisser* dismisser_ = nullptr;
};

void TestTranslations::initTestCase() {
    dir_ = new ScopedWorkDir;
    dismisser_ = new ModalDismisser;
}

void TestTranslations::cleanupTestCase() {
    delete dismisser_;
    dismisser_ = nullptr;
    delete dir_;
    dir_ = nullptr;
}

namespace {

// The window with one failed transfer, as the screenshots show it.
void showWithAFailure(MainWindow& window) {
    auto* dock = window.findChild<ProgressDockWidget*>("notifyWidget");
    ProgressContent failed;
    failed.id = 77;
    failed.localPath = "/tmp/report.pdf";
    failed.percent = ProgressContent::Failed;
    failed.failure = TransferFailure(TransferFailure::Refused, "disk full");
    dock->uploadProgressUpdated(failed);
    window.resize(900, 640);
    window.show();
}

} // namespace

void TestTranslations::theWindowSpeaksChineseFirst() {
    // The sources are Chinese: without a translator the window is as it is.
    MainWindow window;
    showWithAFailure(window);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.popupMenu()->actions().first()->text(), QString("刷新"));
    QCOMPARE(
        window.findChild<ProgressDockWidget*>("notifyWidget")->rowFor(77)->text(),
        ProgressWidget::wrapped("上传文件:\"report.pdf\"失败. 原因: 设备拒绝了请求: disk full"));
    saveShot(&window, "window-chinese.png");
    Translations::install(*qApp, "en");
}

void TestTranslations::languageFollowsTheSystem() {
    QCOMPARE(languageUnder({"LANG=en_US.UTF-8"}), QString("en"));
    QCOMPARE(languageUnder({"LANG=zh_CN.UTF-8"}), QString("zh"));
    QCOMPARE(languageUnder({"LANG=de_DE.UTF-8"}), QString("en"));
    QCOMPARE(languageUnder({"LANG=zh_CN.UTF-8", "TAVLO_LANG=en"}), QString("en"));
    QCOMPARE(languageUnder({"LANG=en_US.UTF-8", "TAVLO_LANG=ZH"}), QString("zh"));
    QCOMPARE(languageUnder({"LANG=zh_TW.UTF-8", "TAVLO_LANG=fr"}), QString("zh"));
}

void TestTranslations::theWindowSpeaksEnglish() {
    QCOMPARE(FailureText::of(TransferFailure(TransferFailure::NoAnswer)),
             QString("no answer from the device"));
    MainWindow window;
    QStringList menu;
    for (QAction* action : window.popupMenu()->actions())
        if (!action->isSeparator())
            menu << action->text();
    QCOMPARE(menu,
             (QStringList{"Refresh", "Add a device by address", "Upload a file", "Upload files",
                          "Set the welcome text", "Settings", "About", "Quit"}));
    showWithAFailure(window);
    auto* dock = window.findChild<ProgressDockWidget*>("notifyWidget");
    QCOMPARE(dock->rowFor(77)->text(),
             ProgressWidget::wrapped("Upload:\"report.pdf\" failed. Reason: refused by the "
                                     "device: disk full"));
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    saveShot(&window, "window-english.png");
    window.onActionSettingTriggered();
    QVERIFY(QTest::qWaitForWindowExposed(window.settingDialog()));
    QCOMPARE(window.settingDialog()->windowTitle(), QString("Settings"));
    saveShot(window.settingDialog(), "dialog-settings-english.png");
    window.settingDialog()->reject();
}

void TestTranslations::placesOnTheDeviceKeepTheirNames() {
    QCOMPARE(FileUploadTask::remotePathFor("a.txt", false), QString("/Tavlo/上传/a.txt"));
    // The responder the window started still holds UDP 16020.
    SimProcess sim("127.0.8.1", {"--query-port", "0"});
    QVERIFY(sim.isReady());
    const QString path = dir_->filePath("english.txt");
    QVERIFY(writePatternFile(path, 1000));
    ServerContent device;
    device.address = QHostAddress("127.0.8.1");
    auto* task = new FileUploadTask(path, device, false);
    TransferTimings timings = TransferTimings::forUpload();
    timings.pollSleepMs = 0;
    task->setTimings(timings);
    task->setAutoDelete(false);
    task->run();
    delete task;
    QVERIFY(sim.waitForLine("stored /Tavlo/上传/english.txt"));
    QCOMPARE(md5Of(sim.storePath("normal/Tavlo/上传/english.txt")), md5Of(path));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("TAVLO_TEST_PRINT_LANGUAGE")) {
        QCoreApplication app(argc, argv);
        std::printf("%s\n", qPrintable(Translations::chosenLanguage()));
        return 0;
    }
    QApplication app(argc, argv);
    TestTranslations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translations.moc"
