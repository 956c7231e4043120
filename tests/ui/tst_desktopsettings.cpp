#include "common/TestSupport.h"
#include "common/WidgetTestSupport.h"
#include "ui/DesktopSettings.h"
#include "ui/ShortcutLineEdit.h"
#include "utils/Config.h"
#include "utils/WinUtils.h"

#include <QApplication>
#include <QFile>
#include <QtTest>

namespace {} // namespace

// The desktop side of the settings: autostart applied at start, the global
// hot key, and the editor that records a new key.
class TestDesktopSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void installingAppliesAutostartAndReportsHotKey();
    void settingsGoThroughTheDesktop();
    void removedHooksLeaveTheStoreAlone();
    void shortcutEditorText();

private:
    ScopedWorkDir* workDir_ = nullptr;
    ModalDismisser* dismisser_ = nullptr;
    DesktopSettings* desktop_ = nullptr;
};

void TestDesktopSettings::initTestCase() {
    workDir_ = new ScopedWorkDir;
    dismisser_ = new ModalDismisser;
}

void TestDesktopSettings::cleanupTestCase() {
    delete dismisser_;
    dismisser_ = nullptr;
    delete workDir_;
    workDir_ = nullptr;
}

void TestDesktopSettings::installingAppliesAutostartAndReportsHotKey() {
    QVERIFY(!QFile::exists(autostartFile()));
    desktop_ = new DesktopSettings(Config::instance());

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

void TestDesktopSettings::settingsGoThroughTheDesktop() {
    Config* config = Config::instance();
    QVERIFY(config->setValue(Config::StartUp, false));
    QVERIFY(!QFile::exists(autostartFile()));
    QVERIFY(config->setValue(Config::StartUp, true));
    QVERIFY(QFile::exists(autostartFile()));

    // A hot key that cannot be registered is refused and not stored.
    QVERIFY(!config->setValue(Config::CastShortcut, "Ctrl+F9"));
    QVERIFY(!config->contains(Config::CastShortcut));
}

void TestDesktopSettings::removedHooksLeaveTheStoreAlone() {
    delete desktop_;
    desktop_ = nullptr;
    Config* config = Config::instance();
    QVERIFY(config->setValue(Config::StartUp, false));
    QVERIFY(QFile::exists(autostartFile())); // nobody applies it any more
    QVERIFY(config->setValue(Config::CastShortcut, "Ctrl+F9"));
}

void TestDesktopSettings::shortcutEditorText() {
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

QTEST_MAIN(TestDesktopSettings)
#include "tst_desktopsettings.moc"
