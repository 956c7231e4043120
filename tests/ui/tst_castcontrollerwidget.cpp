// The window's cast controls on the offscreen platform, against the device
// simulator on loopback and the stand-in mirroring program (glimmer, found
// beside this test program): the pages follow the cast, selection changes
// wait for its end, the hot key acts on the ready and casting pages only, the
// dialogs answer the handshake, and closing the widget stops the program.
#include "cast/CastControllerClient.h"
#include "common/TestSupport.h"
#include "common/WidgetTestSupport.h"
#include "ui/CastControllerWidget.h"
#include "ui/platform/TaskbarProgress.h"
#include "utils/Config.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

ServerContent device(const QString& name, const QString& address, bool canCast, int port = 5000) {
    ServerContent server;
    server.name = name;
    server.address = QHostAddress(address);
    server.uuid = "sim-" + QString(address).replace('.', '-');
    server.type = "server";
    server.valid = true;
    server.addSupport("file_upload");
    if (canCast)
        server.addSupport(QStringLiteral("Glimmer : %1").arg(port));
    return server;
}

// Answers the handshake's dialogs as they open (they run their own event
// loops, so the test speaks through this while one is open).
class DialogAnswerer {
public:
    DialogAnswerer()
        : timer_(new QTimer) {
        QObject::connect(timer_.get(), &QTimer::timeout, [this] { answer(); });
        timer_->start(20);
    }

    QStringList seen;    // "box TITLE: TEXT" or "input TITLE: LABEL"
    bool confirm = true; // the answer to the confirmation box
    QString password;    // empty: the password dialog is cancelled
    std::function<void()> beforeAnswer;

private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || busy_)
            return;
        busy_ = true;
        if (beforeAnswer)
            beforeAnswer();
        if (auto* input = qobject_cast<QInputDialog*>(modal)) {
            seen << "input " + input->windowTitle() + ": " + input->labelText();
            if (password.isEmpty()) {
                input->reject();
            } else {
                input->setTextValue(password);
                input->accept();
            }
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen << "box " + box->windowTitle() + ": " + box->text();
            QAbstractButton* cancel = box->button(QMessageBox::Cancel);
            if (!confirm && cancel)
                cancel->click();
            else
                box->button(QMessageBox::Ok)->click();
        }
        busy_ = false;
    }

    std::unique_ptr<QTimer> timer_;
    bool busy_ = false;
};

} // namespace

class TestCastControllerWidget : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void pagesFollowTheCast();
    void selectionWaitsForTheEndOfTheCast();
    void hotKeyActsOnReadyAndCastingPagesOnly();
    void cancelledPasswordReturnsToReady();
    void confirmationAndPasswordDialogs();
    void silentDeviceReportsTheTimeout();
    void closingWhileCastingStopsTheProgram();

private:
    QString page() const;
    QString status() const;
    QPushButton* button(const char* name) const;
    // Scripts the stand-in the next cast starts.
    void scriptMirror(const QString& options);
    QStringList mirrorLog() const;
    bool mirrorSaid(const QString& fragment) const;
    void waitUntilPlaying();

    ScopedWorkDir* dir_ = nullptr;
    SimProcess* plain_ = nullptr;
    SimProcess* locked_ = nullptr;
    CastControllerWidget* widget_ = nullptr;
    DialogAnswerer* answerer_ = nullptr;
    QString mirrorLog_;
    const ServerContent plainDevice_ = device("Plain", "127.0.5.20", true);
    const ServerContent lockedDevice_ = device("Locked", "127.0.5.21", true);
    const ServerContent noCastDevice_ = device("No Cast", "127.0.5.23", false);
};

void TestCastControllerWidget::initTestCase() {
    dir_ = new ScopedWorkDir;
    // The control server "cast" lives in the temporary folder: one of our own.
    qputenv("TMPDIR", dir_->path().toUtf8());
    mirrorLog_ = dir_->filePath("glimmer.log");
    plain_ = new SimProcess("127.0.5.20", {"--name", "Plain"});
    locked_ = new SimProcess("127.0.5.21", {"--name", "Locked", "--cast-password", "4321"});
    QVERIFY(plain_->isReady());
    QVERIFY(locked_->isReady());
}

void TestCastControllerWidget::cleanupTestCase() {
    delete plain_;
    delete locked_;
    delete dir_;
}

void TestCastControllerWidget::init() {
    QVERIFY(Config::instance()->setValue(Config::ConfirmCast, false));
    QFile::remove(mirrorLog_);
    scriptMirror(QString());
    answerer_ = new DialogAnswerer;
    widget_ = new CastControllerWidget;
}

void TestCastControllerWidget::cleanup() {
    delete widget_;
    widget_ = nullptr;
    delete answerer_;
    answerer_ = nullptr;
}

QString TestCastControllerWidget::page() const {
    return widget_->findChild<QStackedWidget*>("stackedWidget")->currentWidget()->objectName();
}

QString TestCastControllerWidget::status() const {
    return widget_->findChild<QStackedWidget*>("castingStatusWidget")
        ->currentWidget()
        ->objectName();
}

QPushButton* TestCastControllerWidget::button(const char* name) const {
    return widget_->findChild<QPushButton*>(name);
}

void TestCastControllerWidget::scriptMirror(const QString& options) {
    qputenv("GLIMMER_OPTIONS", ("--log " + mirrorLog_ + " " + options).toUtf8());
}

QStringList TestCastControllerWidget::mirrorLog() const {
    QFile file(mirrorLog_);
    if (!file.open(QIODevice::ReadOnly))
        return QStringList();
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

bool TestCastControllerWidget::mirrorSaid(const QString& fragment) const {
    for (const QString& line : mirrorLog())
        if (line.contains(fragment))
            return true;
    return false;
}

void TestCastControllerWidget::waitUntilPlaying() {
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("castingWidget"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(status(), QString("castingStatusPlayingWidget"), 20000);
}

void TestCastControllerWidget::pagesFollowTheCast() {
    QCOMPARE(page(), QString("notSurrpotWidget"));
    widget_->setCurrentServer(&noCastDevice_);
    QCOMPARE(page(), QString("notSurrpotWidget"));
    widget_->setCurrentServer(&plainDevice_);
    QCOMPARE(page(), QString("notCastWidget"));
    QVERIFY(button("startButton")->isEnabled());
    QVERIFY(!widget_->taskbarProgress()->isVisible());

    QStringList pages;
    auto* outer = widget_->findChild<QStackedWidget*>("stackedWidget");
    auto* inner = widget_->findChild<QStackedWidget*>("castingStatusWidget");
    connect(outer, &QStackedWidget::currentChanged, this,
            [&] { pages << outer->currentWidget()->objectName(); });
    connect(inner, &QStackedWidget::currentChanged, this,
            [&] { pages << inner->currentWidget()->objectName(); });

    scriptMirror("--connect-after 200");
    button("startButton")->click();
    // Until the task reports that it began, the ready page stays, its button off.
    QCOMPARE(page(), QString("notCastWidget"));
    QVERIFY(!button("startButton")->isEnabled());
    waitUntilPlaying();
    QCOMPARE(pages, (QStringList{"pendingCastWidget", "castingWidget", "castingStatusPendingWidget",
                                 "castingStatusPlayingWidget"}));
    QVERIFY(widget_->taskbarProgress()->isVisible());
    QCOMPARE(widget_->taskbarProgress()->state(), TaskbarProgress::State::Running);
    QVERIFY(mirrorSaid("started -s 1 -i 127.0.5.20 -cs cast"));
    QCOMPARE(plain_->count("cast-accepted"), 1);

    // A button only asks; the page follows what the program reports.
    button("pauseButton")->click();
    QCOMPARE(status(), QString("castingStatusPlayingWidget"));
    QTRY_COMPARE(status(), QString("castingStatusPausingWidget"));
    QCOMPARE(widget_->taskbarProgress()->state(), TaskbarProgress::State::Paused);
    button("resumeButton")->click();
    QTRY_COMPARE(status(), QString("castingStatusPlayingWidget"));
    QCOMPARE(widget_->taskbarProgress()->state(), TaskbarProgress::State::Running);
    button("changeAspectRatioButton")->click();
    QTRY_VERIFY(mirrorSaid("aspect ratio"));
    QCOMPARE(status(), QString("castingStatusPlayingWidget"));

    button("stopButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("notCastWidget"), 10000);
    QVERIFY(!widget_->isCasting());
    QVERIFY(button("startButton")->isEnabled());
    QVERIFY(!widget_->taskbarProgress()->isVisible());
    QVERIFY(mirrorSaid("command stop"));
    QVERIFY(mirrorSaid("exit 0 (stopped)"));
    QVERIFY(answerer_->seen.isEmpty());

    // A cast the device drops shows its own page until the program ends.
    scriptMirror("--connect-after 100 --drop-after 200 --linger 500");
    button("startButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("castDisconnectedWidget"), 20000);
    QCOMPARE(widget_->taskbarProgress()->state(), TaskbarProgress::State::Stopped);
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("notCastWidget"), 20000);
    QVERIFY(mirrorSaid("exit 0 (no stop after the drop)"));
}

void TestCastControllerWidget::selectionWaitsForTheEndOfTheCast() {
    const int casts = plain_->count("cast-request cast");
    widget_->setCurrentServer(&plainDevice_);
    button("startButton")->click();
    waitUntilPlaying();
    widget_->setCurrentServer(&lockedDevice_);
    QCOMPARE(page(), QString("castingWidget"));
    widget_->setCurrentServer(nullptr);
    QCOMPARE(page(), QString("castingWidget"));
    widget_->setCurrentServer(&noCastDevice_);
    QCOMPARE(page(), QString("castingWidget"));
    QCOMPARE(status(), QString("castingStatusPlayingWidget"));

    button("stopButton")->click();
    // The page now shows the device selected last.
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("notSurrpotWidget"), 10000);
    QVERIFY(!widget_->isCasting());
    QCOMPARE(plain_->count("cast-request cast"), casts + 1);
    QCOMPARE(locked_->count("cast-request"), 0);
}

void TestCastControllerWidget::hotKeyActsOnReadyAndCastingPagesOnly() {
    Config* config = Config::instance();
    const int casts = plain_->count("cast-accepted");

    // Not supported: nothing.
    emit config->castShortcutActivated();
    QVERIFY(!widget_->isCasting());

    // Starting (the task waits for the password dialog): nothing.
    widget_->setCurrentServer(&lockedDevice_);
    QStringList pagesWhileAsked;
    bool castingWhileAsked = false;
    answerer_->password = "4321";
    answerer_->beforeAnswer = [&] {
        emit config->castShortcutActivated();
        pagesWhileAsked << page();
        castingWhileAsked = widget_->isCasting();
    };
    emit config->castShortcutActivated(); // ready: starts
    QVERIFY(widget_->isCasting());
    waitUntilPlaying();
    answerer_->beforeAnswer = nullptr;
    QCOMPARE(pagesWhileAsked, QStringList{"pendingCastWidget"});
    QVERIFY(castingWhileAsked);
    QCOMPARE(answerer_->seen.size(), 1);
    QCOMPARE(locked_->count("cast-accepted"), 1);

    // Casting: stops.
    emit config->castShortcutActivated();
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("notCastWidget"), 10000);
    QVERIFY(mirrorSaid("command stop"));

    // Cast lost: nothing; the program goes on until it is told to stop.
    QFile::remove(mirrorLog_);
    widget_->setCurrentServer(&plainDevice_);
    scriptMirror("--connect-after 100 --drop-after 100 --linger 60000");
    emit config->castShortcutActivated();
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("castDisconnectedWidget"), 20000);
    emit config->castShortcutActivated();
    QCoreApplication::processEvents();
    QCOMPARE(page(), QString("castDisconnectedWidget"));
    QVERIFY(!mirrorSaid("command stop"));
    QVERIFY(widget_->controlClient()->stop());
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("notCastWidget"), 10000);
    QCOMPARE(plain_->count("cast-accepted"), casts + 1);
}

void TestCastControllerWidget::cancelledPasswordReturnsToReady() {
    QVERIFY(Config::instance()->setCastPassword(lockedDevice_.uuid, QString()));
    LogCapture log;
    widget_->setCurrentServer(&lockedDevice_);
    button("startButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!widget_->isCasting(), 10000);
    QCOMPARE(answerer_->seen, QStringList{"input Glimmer: 请输入\"Locked\"的投射密码"});
    QCOMPARE(page(), QString("notCastWidget"));
    QVERIFY(button("startButton")->isEnabled());
    QVERIFY(log.contains("[W][GlimmerTask] User not input password."));
    QVERIFY(!QFile::exists(mirrorLog_));
}

void TestCastControllerWidget::confirmationAndPasswordDialogs() {
    QVERIFY(Config::instance()->setValue(Config::ConfirmCast, true));
    QVERIFY(Config::instance()->setCastPassword(lockedDevice_.uuid, QString()));
    answerer_->password = "4321";
    widget_->setCurrentServer(&lockedDevice_);

    // Declined: back to ready without a warning.
    answerer_->confirm = false;
    button("startButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!widget_->isCasting(), 10000);
    QCOMPARE(answerer_->seen, (QStringList{"input Glimmer: 请输入\"Locked\"的投射密码",
                                           "box Glimmer: 是否投射镜像到\nLocked"}));
    QCOMPARE(page(), QString("notCastWidget"));
    QVERIFY(!QFile::exists(mirrorLog_));
    QCOMPARE(Config::instance()->castPassword(lockedDevice_.uuid), QString("4321"));

    // Accepted (the saved password is used without asking).
    answerer_->seen.clear();
    answerer_->confirm = true;
    button("startButton")->click();
    waitUntilPlaying();
    QCOMPARE(answerer_->seen, QStringList{"box Glimmer: 是否投射镜像到\nLocked"});
    button("stopButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(page(), QString("notCastWidget"), 10000);
}

void TestCastControllerWidget::silentDeviceReportsTheTimeout() {
    FakeDevice silent("127.0.5.22", [](const QByteArray&) { return QByteArray(); });
    const ServerContent mute = device("Mute", "127.0.5.22", true, silent.port());
    widget_->setCurrentServer(&mute);
    button("startButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!widget_->isCasting(), 15000);
    QCOMPARE(answerer_->seen, QStringList{"box 错误: socket wait for read timeout."});
    QCOMPARE(page(), QString("notCastWidget"));
}

void TestCastControllerWidget::closingWhileCastingStopsTheProgram() {
    widget_->setCurrentServer(&plainDevice_);
    button("startButton")->click();
    waitUntilPlaying();
    delete widget_;
    widget_ = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(mirrorSaid("command stop"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(mirrorSaid("exit 0 (stopped)"), 10000);
}

QTEST_MAIN(TestCastControllerWidget)
#include "tst_castcontrollerwidget.moc"
