// The cast's taskbar progress on Linux: the launcher entry signal on a
// private session bus (a dbus-daemon of this test), and nothing at all where
// no session bus exists.
#include "common/TestSupport.h"
#include "ui/platform/TaskbarProgress.h"

#include <QApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

// What one Update signal said.
struct Update {
    QString uri;
    bool visible = false;
    double progress = -1;
    bool urgent = false;
};

} // namespace

class LauncherEntryListener : public QObject {
    Q_OBJECT
public:
    QList<Update> updates;

public slots:
    void onUpdate(const QString& uri, const QVariantMap& properties) {
        Update update;
        update.uri = uri;
        update.visible = properties.value("progress-visible").toBool();
        update.progress = properties.value("progress").toDouble();
        update.urgent = properties.value("urgent").toBool();
        updates << update;
    }
};

class TestTaskbarProgress : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void launcherEntryFollowsTheCast();

private:
    QProcess bus_;
    QString address_;
    ScopedWorkDir* dir_ = nullptr;
};

void TestTaskbarProgress::initTestCase() {
    dir_ = new ScopedWorkDir;
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed");
    bus_.start(daemon, {"--session", "--nofork", "--print-address=1"});
    QVERIFY(bus_.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(bus_.canReadLine() || bus_.waitForReadyRead(100), 10000);
    address_ = QString::fromUtf8(bus_.readLine()).trimmed();
    QVERIFY2(address_.startsWith("unix:"), qPrintable(address_));
}

void TestTaskbarProgress::cleanupTestCase() {
    bus_.terminate();
    bus_.waitForFinished(5000);
    delete dir_;
}

void TestTaskbarProgress::launcherEntryFollowsTheCast() {
    QDBusConnection listenerBus = QDBusConnection::connectToBus(address_, "listener");
    QVERIFY(listenerBus.isConnected());
    LauncherEntryListener listener;
    QVERIFY(listenerBus.connect(QString(), QString(), "com.canonical.Unity.LauncherEntry", "Update",
                                &listener, SLOT(onUpdate(QString, QVariantMap))));

    // No session bus in sight: the indicator keeps its state and sends
    // nothing (nor makes the D-Bus library start a bus).
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", dir_->path().toUtf8());
    auto silent = TaskbarProgress::create(nullptr);
    silent->show();
    silent->stop();
    silent->resume();
    QVERIFY(silent->isVisible());
    QCOMPARE(silent->state(), TaskbarProgress::State::Running);

    qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
    auto progress = TaskbarProgress::create(nullptr);
    progress->show(); // as a cast begins: shown, stopped
    progress->stop();
    progress->resume(); // the cast connected
    progress->pause();
    progress->resume();
    progress->stop(); // the cast was lost: wants attention
    progress->hide(); // the cast ended
    QTRY_COMPARE_WITH_TIMEOUT(listener.updates.size(), 7, 10000);

    const QString uri = "application://" + QCoreApplication::applicationName() + ".desktop";
    struct Expected {
        bool visible;
        double progress;
        bool urgent;
    } expected[] = {{true, 1.0, false}, {true, 0.0, false}, {true, 1.0, false}, {true, 0.5, false},
                    {true, 1.0, false}, {true, 0.0, true},  {false, 0.0, false}};
    for (int i = 0; i < 7; ++i) {
        const Update& got = listener.updates.at(i);
        QCOMPARE(got.uri, uri);
        QCOMPARE(got.visible, expected[i].visible);
        QCOMPARE(got.progress, expected[i].progress);
        QCOMPARE(got.urgent, expected[i].urgent);
    }
    QDBusConnection::disconnectFromBus("listener");
}

QTEST_MAIN(TestTaskbarProgress)
#include "tst_taskbarprogress.moc"
