// The small dialogs: manual devices, settings, welcome text, about, and the
// icon button. The welcome text goes to the device simulator on loopback.
#include "common/TestSupport.h"
#include "common/WidgetTestSupport.h"
#include "tavlo/TavloClientDatabase.h"
#include "ui/AboutTavloDialog.h"
#include "ui/IconPushButton.h"
#include "ui/ManualDevicesManageDialog.h"
#include "ui/SalutatorySetting.h"
#include "ui/SettingDialog.h"
#include "ui/ShortcutLineEdit.h"
#include "utils/Config.h"
#include "utils/SettingsHooks.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

namespace {

// Stands in for the desktop: records what the settings ask of it and may
// refuse a hot key.
class RecordingHooks : public SettingsHooks {
public:
    bool applyAutoRun(bool enable) override {
        autoRun.append(enable);
        return true;
    }
    bool setCastShortcut(const QString& portableText) override {
        keys.append(portableText);
        return !refuseKeys;
    }
    void setCastShortcutEnabled(bool enabled) override { keyEnabled.append(enabled); }

    bool refuseKeys = false;
    QList<bool> autoRun;
    QStringList keys;
    QList<bool> keyEnabled;
};

QStringList itemsOf(const QListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

QStringList storedDevices() {
    QStringList texts;
    for (const ServerContent& device : TavloClientDatabase::instance()->getManualDevices())
        texts << ManualDevicesManageDialog::itemText(device.address.toString(), device.port);
    return texts;
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void manualDevicesAreValidated();
    void manualDevicesAreRemovedByDoubleClick();
    void settingsAreCheckedBeforeTheyAreStored();
    void settingsHotKeyIsOffWhileOpen();
    void emptyWelcomeTextIsNeverSent();
    void aboutShowsVersionAndBuildDate();
    void iconButton();
    void everyImageAFormNamesExists();

private:
    ScopedWorkDir* dir_ = nullptr;
    ModalDismisser* dismisser_ = nullptr;
    RecordingHooks hooks_;
};

void TestDialogs::initTestCase() {
    dir_ = new ScopedWorkDir;
    dismisser_ = new ModalDismisser;
    Config::instance()->setHooks(&hooks_);
}

void TestDialogs::cleanupTestCase() {
    Config::instance()->setHooks(nullptr);
    delete dismisser_;
    delete dir_;
}

void TestDialogs::manualDevicesAreValidated() {
    ManualDevicesManageDialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("手动添加设备"));
    dialog.show();
    auto* ip = dialog.findChild<QLineEdit*>("lineEditIPAddress");
    auto* port = dialog.findChild<QLineEdit*>("lineEditPort");
    auto* add = dialog.findChild<QPushButton*>("pushButtonAdd");
    auto* list = dialog.findChild<QListWidget*>("listWidgetDevices");
    QCOMPARE(port->text(), QString("16020"));
    QCOMPARE(list->count(), 0);

    auto attempt = [&](const QString& address, const QString& portText) {
        const int warnings = dismisser_->texts().size();
        ip->setText(address);
        port->setText(portText);
        add->click();
        return dismisser_->texts().size() > warnings ? dismisser_->texts().last() : QString();
    };

    QCOMPARE(attempt("127.0.4.40", ""), QString()); // an empty port is 16020
    QCOMPARE(storedDevices(), QStringList{"127.0.4.40 : 16020"});
    QCOMPARE(itemsOf(list), QStringList{"127.0.4.40 : 16020"});
    QCOMPARE(ip->text(), QString("127.0.4.40")); // the fields keep what was typed

    QCOMPARE(attempt("127.0.4.41", "65536"), QString("无效的端口."));
    QCOMPARE(attempt("127.0.4.41", "80a"), QString("无效的端口."));
    QCOMPARE(attempt("127.0.4.41", "-1"), QString("无效的端口."));
    QCOMPARE(attempt("127.0.4.300", "80"), QString("无效的ip地址."));
    QCOMPARE(attempt("", "80"), QString("无效的ip地址."));
    QCOMPARE(storedDevices().size(), 1);

    QCOMPARE(attempt("127.0.4.41", "0"), QString()); // port 0 is accepted
    QCOMPARE(attempt("127.0.4.42", "65535"), QString());
    // The same address again, even with another port, is refused.
    QCOMPARE(attempt("127.0.4.40", "7"), QString("添加失败, 这个ip地址已经存在."));
    QCOMPARE(storedDevices(),
             (QStringList{"127.0.4.40 : 16020", "127.0.4.41 : 0", "127.0.4.42 : 65535"}));
    QCOMPARE(itemsOf(list), storedDevices());

    // Reopened, the dialog shows what is stored and a fresh port field.
    dialog.hide();
    list->clear();
    dialog.show();
    QCOMPARE(itemsOf(list), storedDevices());
    QCOMPARE(ip->text(), QString());
    QCOMPARE(port->text(), QString("16020"));
}

void TestDialogs::manualDevicesAreRemovedByDoubleClick() {
    ManualDevicesManageDialog dialog;
    dialog.show();
    auto* list = dialog.findChild<QListWidget*>("listWidgetDevices");
    const int before = list->count();
    QVERIFY(before >= 2);
    QListWidgetItem* first = list->item(0);
    const QString removed = first->text();
    QTRY_VERIFY(!list->visualItemRect(first).isEmpty()); // laid out
    const QPoint centre = list->visualItemRect(first).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(list->count(), before - 1);
    QVERIFY(!storedDevices().contains(removed));
    QCOMPARE(itemsOf(list), storedDevices());

    // An entry the dialog did not make is only logged.
    LogCapture log;
    list->addItem("not a device");
    emit list->itemDoubleClicked(list->item(list->count() - 1));
    QVERIFY(log.contains("[E][ManualDevicesManageDialog] item error, invalid string format."));
    list->addItem("127.0.4.50 : 99999");
    emit list->itemDoubleClicked(list->item(list->count() - 1));
    QVERIFY(log.contains("[E][ManualDevicesManageDialog] item error, invalid port: 99999"));
    QCOMPARE(list->count(), before + 1);
}

void TestDialogs::settingsAreCheckedBeforeTheyAreStored() {
    Config* config = Config::instance();
    QVERIFY(config->setValue(Config::ClientName, "Old PC"));
    QVERIFY(config->setValue(Config::DownloadPath, "/tmp/old"));
    QVERIFY(config->setValue(Config::CastShortcut, "F11"));
    QVERIFY(config->setValue(Config::ConfirmCast, true));
    QVERIFY(config->setValue(Config::StartUp, false));

    SettingDialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("设置"));
    dialog.show();
    auto* name = dialog.findChild<QLineEdit*>("ClientName");
    auto* path = dialog.findChild<QLineEdit*>("downloadPath");
    auto* key = dialog.findChild<ShortcutLineEdit*>("lineEditCastShortcut");
    auto* confirm = dialog.findChild<QCheckBox*>("checkBoxConfirmCast");
    auto* startUp = dialog.findChild<QCheckBox*>("checkBoxStartUp");
    auto* ok = dialog.findChild<QPushButton*>("btnOk");
    QCOMPARE(name->text(), QString("Old PC"));
    QCOMPARE(path->text(), QString("/tmp/old"));
    QCOMPARE(key->text(), QString("F11"));
    QVERIFY(confirm->isChecked());
    QVERIFY(!startUp->isChecked());

    // A blank name is refused before anything is stored.
    name->clear();
    path->setText("/tmp/new");
    ok->click();
    QCOMPARE(dismisser_->texts().last(), QString("客户端名字不能为空！"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(config->value(Config::DownloadPath).toString(), QString("/tmp/old"));
    QCOMPARE(config->value(Config::ClientName).toString(), QString("Old PC"));

    name->setText("New PC");
    path->clear();
    ok->click();
    QCOMPARE(dismisser_->texts().last(), QString("下载路径不能为空！"));
    QCOMPARE(config->value(Config::ClientName).toString(), QString("Old PC"));

    // A hot key that cannot be registered is refused after the name and the
    // path went in.
    path->setText("/tmp/new");
    QTest::keyClick(key, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(key->text(), QString("Ctrl+Shift+K"));
    confirm->setChecked(false);
    hooks_.refuseKeys = true;
    ok->click();
    QCOMPARE(dismisser_->texts().last(), QString("设置投射快捷键错误"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(config->value(Config::ClientName).toString(), QString("New PC"));
    QCOMPARE(config->value(Config::DownloadPath).toString(), QString("/tmp/new"));
    QCOMPARE(config->value(Config::CastShortcut).toString(), QString("F11"));
    QVERIFY(config->value(Config::ConfirmCast).toBool()); // not reached

    // "重置" puts the stored key back into the field.
    dialog.findChild<QPushButton*>("buttonResetCastShortcut")->click();
    QCOMPARE(key->text(), QString("F11"));

    hooks_.refuseKeys = false;
    QTest::keyClick(key, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    startUp->setChecked(true);
    hooks_.autoRun.clear();
    ok->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(config->value(Config::CastShortcut).toString(), QString("Ctrl+Shift+K"));
    QVERIFY(!config->value(Config::ConfirmCast).toBool());
    QVERIFY(config->value(Config::StartUp).toBool());
    QCOMPARE(hooks_.autoRun, QList<bool>{true});
}

void TestDialogs::settingsHotKeyIsOffWhileOpen() {
    SettingDialog dialog;
    hooks_.keyEnabled.clear();
    dialog.show();
    QCOMPARE(hooks_.keyEnabled, QList<bool>{false});
    dialog.findChild<QLineEdit*>("ClientName")->setText("Changed");
    dialog.findChild<QPushButton*>("btnCancel")->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(hooks_.keyEnabled, (QList<bool>{false, true}));
    QVERIFY(Config::instance()->value(Config::ClientName).toString() != "Changed");

    dialog.show();
    dialog.findChild<QPushButton*>("btnOk")->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(hooks_.keyEnabled, (QList<bool>{false, true, false, true}));
}

void TestDialogs::emptyWelcomeTextIsNeverSent() {
    SimProcess sim("127.0.4.20");
    QVERIFY(sim.isReady());
    ServerContent device;
    device.address = QHostAddress(sim.address());
    device.name = "Room";
    device.uuid = "uuid-room";
    device.type = "server";
    QThreadPool pool;

    SalutatorySetting dialog(device);
    QCOMPARE(dialog.windowTitle(), QString("欢迎辞设置"));
    dialog.setThreadPool(&pool);
    dialog.show();
    auto* ok = dialog.findChild<QPushButton*>("btnOk");
    ok->click();
    QCOMPARE(dismisser_->texts().last(), QString("欢迎辞内容不能为空!            "));
    QVERIFY(dialog.isVisible());
    QCOMPARE(pool.activeThreadCount(), 0);

    dialog.findChild<QLineEdit*>("textEdit")->setText("欢迎光临 Room 301");
    ok->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(pool.waitForDone(10000));
    QVERIFY(sim.waitForLine("salutatory 欢迎光临 Room 301"));
    // The device saw exactly one welcome text: the empty one never left.
    const QList<QVariantMap> sent = sim.requests("salutatory");
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().value("salutatory").toString(), QString("欢迎光临 Room 301"));
}

void TestDialogs::aboutShowsVersionAndBuildDate() {
    AboutTavloDialog about;
    QCOMPARE(about.windowTitle(), QString("关于Tavlo客户端"));
    QCOMPARE(about.versionText(), QString("Tavlo客户端  1.5.5"));
    QVERIFY(QRegularExpression("^编译日期: \\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}:\\d{2}$")
                .match(about.buildDateText())
                .hasMatch());
    QCOMPARE(AboutTavloDialog::buildDate("Jan  5 2024", "09:08:07"),
             QString("2024.01.05 09:08:07"));
    QCOMPARE(AboutTavloDialog::buildDate("Dec 31 1999", "23:59:59"),
             QString("1999.12.31 23:59:59"));
    QCOMPARE(AboutTavloDialog::buildDate("Oct 12 2025", "00:00:00"),
             QString("2025.10.12 00:00:00"));
    about.show();
    QSignalSpy accepted(&about, &QDialog::accepted);
    about.findChild<QPushButton*>("btnClose")->click();
    QCOMPARE(accepted.count(), 1);
}

void TestDialogs::iconButton() {
    QWidget host;
    host.resize(200, 100);
    auto* button = new IconPushButton(&host);
    QPixmap normal(16, 16);
    normal.fill(Qt::blue);
    button->setIcon(QIcon(normal));
    button->setGeometry(20, 20, 80, 30);
    host.show();
    // The transparent frame goes on once the event loop ran.
    QTRY_COMPARE(button->styleSheet(),
                 QString("background-image: url();border-image: url(:/drawable/alpha0.png);"));

    QPixmap focus(16, 16);
    focus.fill(Qt::red);
    button->setFocusPixmap(focus);
    QSignalSpy focusIn(button, &IconPushButton::focusIn);
    QSignalSpy focusOut(button, &IconPushButton::focusOut);
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(button, &in);
    QCOMPARE(focusIn.count(), 1);
    QCOMPARE(button->icon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(button, &out);
    QCOMPARE(focusOut.count(), 1);
    QCOMPARE(button->icon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::blue));

    // Pressed, it sinks two pixels right and down; released, it is back.
    QTest::mousePress(button, Qt::LeftButton);
    QTRY_COMPARE(button->pos(), QPoint(22, 22));
    QTest::mouseRelease(button, Qt::LeftButton);
    QCOMPARE(button->pos(), QPoint(20, 20));
}

void TestDialogs::everyImageAFormNamesExists() {
    const QDir forms(TAVLO_FORMS_DIR);
    const QStringList files = forms.entryList({"*.ui"});
    QVERIFY(files.size() >= 10);
    const QRegularExpression image(":/?drawable/[A-Za-z0-9_]+\\.png");
    int named = 0;
    for (const QString& name : files) {
        QFile form(forms.filePath(name));
        QVERIFY(form.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(form.readAll());
        for (auto match = image.globalMatch(text); match.hasNext(); ++named) {
            const QString path = match.next().captured();
            QVERIFY2(!QPixmap(path).isNull(), qPrintable(name + ": " + path));
        }
    }
    QVERIFY(named >= 15);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestDialogs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dialogs.moc"
