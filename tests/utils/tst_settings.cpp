#include "common/TestSupport.h"
#include "utils/Config.h"
#include "utils/DataLocations.h"
#include "utils/SettingsHooks.h"
#include "utils/WinUtils.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostInfo>
#include <QRunnable>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

namespace {

class FlagTask : public QRunnable {
public:
    explicit FlagTask(bool* flag)
        : flag_(flag) {
        setAutoDelete(false);
    }
    void run() override { *flag_ = true; }

private:
    bool* flag_;
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void missingFileGivesDefaults();
    void withoutHooksValuesAreOnlyStored();
    void hooksDecideDesktopSettings();
    void autostartRule();
    void setValueRules();
    void castPasswordsArePerDevice();
    void startsPrograms();

private:
    ScopedWorkDir* workDir_ = nullptr;
};

void TestSettings::initTestCase() {
    workDir_ = new ScopedWorkDir;
}

void TestSettings::cleanupTestCase() {
    delete workDir_;
    workDir_ = nullptr;
}

void TestSettings::missingFileGivesDefaults() {
    QVERIFY(!QFile::exists(workDir_->filePath("config.ini")));
    Config* config = Config::instance();
    QCOMPARE(config->value(Config::ClientName).toString(), QHostInfo::localHostName());
    QCOMPARE(config->value(Config::SecureMode).toBool(), false);
    // Everything lies in the data directory, whatever the working directory.
    QVERIFY(QDir::currentPath() != workDir_->path());
    QCOMPARE(config->value(Config::DownloadPath).toString(), workDir_->path() + "/Download/");
    QCOMPARE(config->value(Config::ConfirmCast).toBool(), true);
    QCOMPARE(config->value(Config::LastSelectedServerUUID).toString(), QString());
    QCOMPARE(config->value(Config::StartUp).toBool(), true);
    QCOMPARE(config->value(Config::CastShortcut).toString(), QString("F11"));
    QVERIFY(!config->value(7).isValid());
    QVERIFY(!config->value(-1).isValid());
    QVERIFY(!config->contains(Config::ClientName));
    QVERIFY(!config->setValue(7, "x"));
}

void TestSettings::withoutHooksValuesAreOnlyStored() {
    // A program without a desktop never registers itself for autostart nor
    // grabs a key, whatever it stores.
    Config* config = Config::instance();
    QVERIFY(config->setValue(Config::StartUp, true));
    QVERIFY(!QFile::exists(autostartFile()));
    QVERIFY(config->setValue(Config::CastShortcut, "Ctrl+F9"));
    QCOMPARE(config->value(Config::CastShortcut).toString(), QString("Ctrl+F9"));
    QVERIFY(config->setCastShortcutEnabled(false));
}

namespace {
// Records what the settings store asks of the desktop and refuses on demand.
class RecordingHooks : public SettingsHooks {
public:
    bool applyAutoRun(bool enable) override {
        calls << QString("autorun %1").arg(enable);
        return acceptAutoRun;
    }
    bool setCastShortcut(const QString& text) override {
        calls << "shortcut " + text;
        return text != "Ctrl+Taken";
    }
    void setCastShortcutEnabled(bool enabled) override {
        calls << QString("enabled %1").arg(enabled);
    }
    QStringList calls;
    bool acceptAutoRun = true;
};
} // namespace

void TestSettings::hooksDecideDesktopSettings() {
    Config* config = Config::instance();
    RecordingHooks hooks;
    config->setHooks(&hooks);

    QVERIFY(config->setValue(Config::CastShortcut, "Ctrl+Shift+F"));
    QVERIFY(!config->setValue(Config::CastShortcut, "Ctrl+Taken"));
    QCOMPARE(config->value(Config::CastShortcut).toString(), QString("Ctrl+Shift+F"));
    hooks.acceptAutoRun = false;
    QVERIFY(!config->setValue(Config::StartUp, false));
    QCOMPARE(config->value(Config::StartUp).toBool(), true); // refused, not stored
    config->setCastShortcutEnabled(false);
    QCOMPARE(hooks.calls, QStringList({"shortcut Ctrl+Shift+F", "shortcut Ctrl+Taken", "autorun 0",
                                       "enabled 0"}));
    config->setHooks(nullptr);
}

void TestSettings::autostartRule() {
    QVERIFY(Config::applyAutoRun(true));
    QVERIFY(QFile::exists(autostartFile()));
    QVERIFY(Config::applyAutoRun(false));
    QVERIFY(!QFile::exists(autostartFile()));
    QVERIFY(!WinUtils::isAutoRun("TavloClientRun", programPath()));

    QVERIFY(Config::applyAutoRun(true));
    QVERIFY(QFile::exists(autostartFile()));

    // An entry holding the program path followed by other arguments counts as
    // registered and is left alone.
    WinUtils::setAutoRun("TavloClientRun", programPath(), "-s --extra");
    QVERIFY(Config::applyAutoRun(true));
    QVERIFY(readFile(autostartFile()).contains(programPath() + " -s --extra"));

    // The comparison is case-sensitive: another spelling is rewritten.
    WinUtils::setAutoRun("TavloClientRun", programPath().toUpper(), "-s");
    QVERIFY(!WinUtils::isAutoRun("TavloClientRun", programPath()));
    QVERIFY(Config::applyAutoRun(true));
    QVERIFY(readFile(autostartFile()).contains("Exec=" + programPath() + " -s\n"));

    // Desktop entries split Exec at blanks: such a path is quoted there, and
    // still counts as registered.
    const QString odd = "/opt/my apps/100% \"new\" $HOME\\x/prog";
    WinUtils::setAutoRun("Other Entry", odd, "-s");
    const QString entry =
        readFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/Other Entry.desktop");
    QVERIFY2(
        entry.contains("Exec=\"/opt/my apps/100%% \\\\\"new\\\\\" \\\\$HOME\\\\\\\\x/prog\" -s\n"),
        qPrintable(entry));
    QVERIFY(WinUtils::isAutoRun("Other Entry", odd));
    QVERIFY(WinUtils::removeAutoRun("Other Entry"));
    QVERIFY(!WinUtils::isAutoRun("Other Entry", odd));
}

void TestSettings::setValueRules() {
    Config* config = Config::instance();
    QSignalSpy changed(config, &Config::valueChanged);

    QVERIFY(config->setValue(Config::ClientName, "Meeting PC"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(config->setValue(Config::ClientName, "Meeting PC"));
    QCOMPARE(changed.count(), 1); // unchanged values emit nothing
    QVERIFY(!config->setValue(Config::ClientName, ""));
    QCOMPARE(config->value(Config::ClientName).toString(), QString("Meeting PC"));

    QVERIFY(config->setValue(Config::SecureMode, true));
    QVERIFY(config->setValue(Config::DownloadPath, "/tmp/dl"));
    QSettings file(workDir_->filePath("config.ini"), QSettings::IniFormat);
    QCOMPARE(file.value("ClientName").toString(), QString("Meeting PC"));
    QCOMPARE(file.value("SecureMode").toBool(), true);
    QCOMPARE(file.value("DownloadPath").toString(), QString("/tmp/dl"));
}

void TestSettings::castPasswordsArePerDevice() {
    Config* config = Config::instance();
    QVERIFY(config->setCastPassword("uuid-a", "1234"));
    QCOMPARE(config->castPassword("uuid-a"), QString("1234"));
    QCOMPARE(config->castPassword("uuid-b"), QString());
}

void TestSettings::startsPrograms() {
    // Programs start in the working directory, but a bare name is never
    // looked up there.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(workDir_->path());
    const auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });
    bool started = false;
    FlagTask flag(&started);
    QVERIFY(WinUtils::openExecuteFile("sh", "-c \"echo waited > marker.txt\"", false, true, &flag));
    QVERIFY(started);
    QCOMPARE(readFile("marker.txt"), QString("waited\n")); // waited for the end

    QFile script("localtool");
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho local > local.txt\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    QVERIFY(!WinUtils::openExecuteFile("localtool", "", false, true, nullptr));
    QVERIFY(!QFile::exists("local.txt"));
    QVERIFY(WinUtils::openExecuteFile("./localtool", "", false, true, nullptr)); // named
    QCOMPARE(readFile("local.txt"), QString("local\n"));

    LogCapture log;
    started = false;
    QVERIFY(!WinUtils::openExecuteFile("no-such-program-xyz", "-a", false, false, &flag));
    QVERIFY(!started);
    QVERIFY(log.contains("ShellExecuteEx no-such-program-xyz -a fail."));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
