#include "common/TestSupport.h"
#include "utils/Config.h"
#include "utils/ShortcutLineEdit.h"
#include "utils/WinUtils.h"

#include <QApplication>
#include <QFile>
#include <QHostInfo>
#include <QKeyEvent>
#include <QRunnable>
#include <QSignalSpy>
#include <QtTest>

namespace {

QString autostartFile() {
    return qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/TavloClientRun.desktop";
}

QString programPath() {
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

QString readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

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
    void missingFileGivesDefaults();
    void constructionRegistersAutostartAndReportsHotKey();
    void autostartRule();
    void setValueRules();
    void castPasswordsArePerDevice();
    void shortcutEditorText();
    void startsPrograms();

private:
    ScopedWorkDir* workDir_ = nullptr;
    ModalDismisser* dismisser_ = nullptr;
};

void TestSettings::initTestCase() {
    workDir_ = new ScopedWorkDir;
    dismisser_ = new ModalDismisser;
}

void TestSettings::missingFileGivesDefaults() {
    QVERIFY(!QFile::exists("config.ini"));
    Config* config = Config::instance();
    QCOMPARE(config->value(Config::ClientName).toString(), QHostInfo::localHostName());
    QCOMPARE(config->value(Config::SecureMode).toBool(), false);
    QCOMPARE(config->value(Config::DownloadPath).toString(), QDir::currentPath() + "/Download/");
    QCOMPARE(config->value(Config::ConfirmCast).toBool(), true);
    QCOMPARE(config->value(Config::LastSelectedServerUUID).toString(), QString());
    QCOMPARE(config->value(Config::StartUp).toBool(), true);
    QCOMPARE(config->value(Config::CastShortcut).toString(), QString("F11"));
    QVERIFY(!config->value(7).isValid());
    QVERIFY(!config->value(-1).isValid());
    QVERIFY(!config->contains(Config::ClientName));
    QVERIFY(!config->setValue(7, "x"));
}

void TestSettings::constructionRegistersAutostartAndReportsHotKey() {
    // "StartUp" defaults to true, so the first start registers the client.
    const QString entry = readFile(autostartFile());
    QVERIFY2(entry.contains("Exec=" + programPath() + " -s\n"), qPrintable(entry));
    QVERIFY(WinUtils::isAutoRun("TavloClientRun", programPath()));

    // The offscreen platform has no global keys: the user is told, and the
    // stored value is kept.
    QTRY_COMPARE(dismisser_->texts().size(), 1);
    QVERIFY(dismisser_->texts().first().contains("\"F11\""));
    QVERIFY(!Config::instance()->contains(Config::CastShortcut));
}

void TestSettings::autostartRule() {
    Config* config = Config::instance();
    QVERIFY(config->setValue(Config::StartUp, false));
    QVERIFY(!QFile::exists(autostartFile()));
    QVERIFY(!WinUtils::isAutoRun("TavloClientRun", programPath()));

    QVERIFY(config->setValue(Config::StartUp, true));
    QVERIFY(QFile::exists(autostartFile()));

    // An entry holding the program path followed by other arguments counts as
    // registered and is left alone.
    WinUtils::setAutoRun("TavloClientRun", programPath(), "-s --extra");
    QVERIFY(config->setValue(Config::StartUp, true));
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

    // A hot key that cannot be registered is refused and not stored.
    QVERIFY(!config->setValue(Config::CastShortcut, "Ctrl+F9"));
    QVERIFY(!config->contains(Config::CastShortcut));

    QVERIFY(config->setValue(Config::SecureMode, true));
    QVERIFY(config->setValue(Config::DownloadPath, "/tmp/dl"));
    QSettings file("config.ini", QSettings::IniFormat);
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

void TestSettings::shortcutEditorText() {
    ShortcutLineEdit edit;
    QTest::keyClick(&edit, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(edit.text(), QString("Ctrl+Shift+F"));
    QTest::keyClick(&edit, Qt::Key_F11);
    QCOMPARE(edit.text(), QString("F11"));
    QTest::keyClick(&edit, Qt::Key_A, Qt::AltModifier | Qt::ControlModifier);
    QCOMPARE(edit.text(), QString("Ctrl+Alt+A"));
    QTest::keyClick(&edit, Qt::Key_F5, Qt::MetaModifier); // Meta is not recorded
    QCOMPARE(edit.text(), QString("F5"));
}

void TestSettings::startsPrograms() {
    bool started = false;
    FlagTask flag(&started);
    QVERIFY(WinUtils::openExecuteFile("sh", "-c \"echo waited > marker.txt\"", false, true, &flag));
    QVERIFY(started);
    QCOMPARE(readFile("marker.txt"), QString("waited\n")); // waited for the end

    // A bare name is looked up in the working directory before PATH.
    QFile script("localtool");
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho local > local.txt\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    QVERIFY(WinUtils::openExecuteFile("localtool", "", false, true, nullptr));
    QCOMPARE(readFile("local.txt"), QString("local\n"));

    LogCapture log;
    started = false;
    QVERIFY(!WinUtils::openExecuteFile("no-such-program-xyz", "-a", false, false, &flag));
    QVERIFY(!started);
    QVERIFY(log.contains("ShellExecuteEx no-such-program-xyz -a fail."));
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
