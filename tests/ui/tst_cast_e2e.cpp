// Screen casting from the client's window, under a real X server (Xvfb) in
// the private test network: the hot key starts a cast to the simulated
// device, the confirmation and the password are answered in their dialogs,
// the stand-in mirroring program runs, pause and resume change the page and
// stop returns to the ready page. Saves screenshots for people to look at.
#include "common/TestSupport.h"
#include "ui/CastControllerWidget.h"
#include "ui/MainWindow.h"
#include "utils/Config.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QX11Info>
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

void pressF11() {
    Display* display = QX11Info::display();
    const KeyCode f11 = XKeysymToKeycode(display, XK_F11);
    XTestFakeKeyEvent(display, f11, True, 0);
    XTestFakeKeyEvent(display, f11, False, 0);
    XFlush(display);
}

} // namespace

class TestCastE2e : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void hotKeyCastsWithPassword();

private:
    QString page() const;
    QString status() const;
    bool mirrorSaid(const QString& fragment) const;
    void screenshot(const QString& name);
    void answerDialogs();

    ScopedWorkDir* dir_ = nullptr;
    MainWindow* window_ = nullptr;
    CastControllerWidget* cast_ = nullptr;
    QTimer answerer_;
    QStringList dialogs_;
};

void TestCastE2e::initTestCase() {
    if (QGuiApplication::platformName() != "xcb")
        QSKIP("needs an X server (the harness runs this under Xvfb)");
    dir_ = new ScopedWorkDir;
    qputenv("GLIMMER_OPTIONS", "--connect-after 300 --log " + qgetenv("TAVLO_GLIMMER_LOG"));
    connect(&answerer_, &QTimer::timeout, this, &TestCastE2e::answerDialogs);
    answerer_.start(50);
    window_ = new MainWindow;
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    cast_ = window_->findChild<CastControllerWidget*>("castControllerWidget");
    QVERIFY(cast_);
}

void TestCastE2e::cleanupTestCase() {
    delete window_;
    delete dir_;
    dir_ = nullptr;
}

QString TestCastE2e::page() const {
    return cast_->findChild<QStackedWidget*>("stackedWidget")->currentWidget()->objectName();
}

QString TestCastE2e::status() const {
    return cast_->findChild<QStackedWidget*>("castingStatusWidget")->currentWidget()->objectName();
}

bool TestCastE2e::mirrorSaid(const QString& fragment) const {
    QFile log(qEnvironmentVariable("TAVLO_GLIMMER_LOG"));
    return log.open(QIODevice::ReadOnly) && QString::fromUtf8(log.readAll()).contains(fragment);
}

void TestCastE2e::screenshot(const QString& name) {
    const QString folder = qEnvironmentVariable("TAVLO_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QCoreApplication::processEvents();
    QVERIFY(window_->grab().save(folder + "/" + name, "PNG"));
}

// The confirmation is accepted and the password typed into its dialog, as a
// user would.
void TestCastE2e::answerDialogs() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (auto* input = qobject_cast<QInputDialog*>(modal)) {
        dialogs_ << input->labelText();
        auto* field = input->findChild<QLineEdit*>();
        QVERIFY(field);
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        QTest::keyClicks(field, qEnvironmentVariable("TAVLO_CAST_PASSWORD"));
        QTest::keyClick(field, Qt::Key_Return);
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        dialogs_ << box->text();
        box->button(QMessageBox::Ok)->click();
    }
}

void TestCastE2e::hotKeyCastsWithPassword() {
    QTRY_VERIFY_WITH_TIMEOUT(!window_->serverList().isEmpty(), 20000);
    QCOMPARE(window_->serverList().first().name, QString("会议室 301"));
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("notCastWidget"), 5000);
    QVERIFY(Config::instance()->value(Config::ConfirmCast).toBool());

    pressF11(); // the default cast hot key
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("castingWidget"), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(status(), QString("castingStatusPlayingWidget"), 20000);
    QCOMPARE(dialogs_,
             (QStringList{"请输入\"会议室 301\"的投射密码", "是否投射镜像到\n会议室 301"}));
    QCOMPARE(cast_->findChild<QLabel*>("label")->text(), QString("正在投射"));
    QVERIFY(mirrorSaid("started -s 1 -i 10.77.0.2 -cs cast"));
    screenshot("window-casting.png");

    cast_->findChild<QPushButton*>("pauseButton")->click();
    QTRY_COMPARE(status(), QString("castingStatusPausingWidget"));
    QCOMPARE(cast_->findChild<QLabel*>("label_2")->text(), QString("镜像投射已暂停"));
    screenshot("window-cast-paused.png");
    cast_->findChild<QPushButton*>("resumeButton")->click();
    QTRY_COMPARE(status(), QString("castingStatusPlayingWidget"));

    cast_->findChild<QPushButton*>("stopButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("notCastWidget"), 10000);
    QVERIFY(mirrorSaid("command stop"));
    QTRY_VERIFY_WITH_TIMEOUT(mirrorSaid("exit 0 (stopped)"), 10000);
    QVERIFY(!cast_->isCasting());
}

QTEST_MAIN(TestCastE2e)
#include "tst_cast_e2e.moc"
