#include "utils/Config.h"

#include "utils/GlobalShortcut.h"
#include "utils/WinUtils.h"

#include <QApplication>
#include <QDir>
#include <QHostInfo>
#include <QKeySequence>
#include <QMessageBox>

namespace {

const char* const Keys[] = {
    "ClientName", "SecureMode",   "DownloadPath", "ConfirmCast", "LastSelectedServerUUID",
    "StartUp",    "CastShortcut",
};
constexpr int SettingCount = int(sizeof(Keys) / sizeof(Keys[0]));

const QString AutoRunEntry = QStringLiteral("TavloClientRun");
const QString CastPasswordPrefix = QStringLiteral("CastPassword_");

bool isValidType(int type) {
    return type >= 0 && type < SettingCount;
}

// Autostart and the global hot key belong to the windowed client; command-line
// programs built on the library only use the settings file.
bool isDesktopClient() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

QMutex& instanceMutex() {
    static QMutex mutex(QMutex::Recursive);
    return mutex;
}

} // namespace

Config* Config::instance() {
    QMutexLocker lock(&instanceMutex());
    static Config* config = new Config();
    return config;
}

Config::Config()
    : settings_(QStringLiteral("config.ini"), QSettings::IniFormat) {
    shortcut_ = new GlobalShortcut(this);
    connect(shortcut_, &GlobalShortcut::activated, this, &Config::castShortcutActivated,
            Qt::UniqueConnection);
    if (!isDesktopClient())
        return;

    applyAutoRun(value(StartUp).toBool());

    const QString shortcutText = value(CastShortcut).toString();
    if (!shortcut_->setShortcut(QKeySequence(shortcutText, QKeySequence::NativeText))) {
        QMessageBox::warning(
            nullptr, tr("错误"),
            tr("设置投射快捷键为\"%1\"失败,\n请在设置中换用其它快捷键.").arg(shortcutText),
            QMessageBox::Ok);
    }
}

QString Config::keyOf(int type) {
    return isValidType(type) ? QString::fromLatin1(Keys[type]) : QString();
}

QVariant Config::defaultValue(int type) const {
    switch (type) {
    case ClientName:
        return QHostInfo::localHostName();
    case SecureMode:
        return false;
    case DownloadPath:
        return QDir::currentPath() + QStringLiteral("/Download/");
    case ConfirmCast:
        return true;
    case LastSelectedServerUUID:
        return QString();
    case StartUp:
        return true;
    case CastShortcut:
        return QStringLiteral("F11");
    default:
        return QVariant();
    }
}

QVariant Config::value(int type) const {
    if (!isValidType(type))
        return QVariant();
    QMutexLocker lock(&mutex_);
    return settings_.value(keyOf(type), defaultValue(type));
}

bool Config::contains(int type) const {
    if (!isValidType(type))
        return false;
    QMutexLocker lock(&mutex_);
    return settings_.contains(keyOf(type));
}

bool Config::setValue(int type, const QVariant& value) {
    if (type == StartUp && !applyAutoRun(value.toBool()))
        return false;
    if (type == CastShortcut &&
        !shortcut_->setShortcut(QKeySequence(value.toString(), QKeySequence::PortableText)))
        return false;
    if (type == ClientName && value.toString().isEmpty())
        return false;
    if (!isValidType(type))
        return false;

    QMutexLocker lock(&mutex_);
    const QVariant old = this->value(type);
    settings_.setValue(keyOf(type), value);
    if (old != value)
        emit valueChanged(type, value, old);
    return true;
}

QString Config::castPassword(const QString& uuid) const {
    QMutexLocker lock(&mutex_);
    return settings_.value(CastPasswordPrefix + uuid, QString()).toString();
}

bool Config::setCastPassword(const QString& uuid, const QString& password) {
    QMutexLocker lock(&mutex_);
    settings_.setValue(CastPasswordPrefix + uuid, password);
    return true;
}

bool Config::setCastShortcutEnabled(bool enabled) {
    shortcut_->setEnabled(enabled);
    return true;
}

bool Config::applyAutoRun(bool enable) {
    const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    const bool registered = WinUtils::isAutoRun(AutoRunEntry, program);
    if (enable && !registered)
        return WinUtils::setAutoRun(AutoRunEntry, program, QStringLiteral("-s"));
    if (!enable && registered)
        return WinUtils::removeAutoRun(AutoRunEntry);
    return true;
}
