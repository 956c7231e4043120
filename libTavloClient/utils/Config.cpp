#include "utils/Config.h"

#include "utils/DataLocations.h"
#include "utils/SettingsHooks.h"
#include "utils/WinUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QHostInfo>

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
    : settings_(DataLocations::settingsFile(), QSettings::IniFormat) {}

void Config::setHooks(SettingsHooks* hooks) {
    QMutexLocker lock(&mutex_);
    hooks_ = hooks;
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
        return DataLocations::defaultDownloadFolder();
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
    SettingsHooks* hooks = nullptr;
    {
        QMutexLocker lock(&mutex_);
        hooks = hooks_;
    }
    if (type == StartUp && hooks && !hooks->applyAutoRun(value.toBool()))
        return false;
    if (type == CastShortcut && hooks && !hooks->setCastShortcut(value.toString()))
        return false;
    if (type == ClientName && value.toString().isEmpty())
        return false;
    if (!isValidType(type))
        return false;

    QVariant old;
    {
        QMutexLocker lock(&mutex_);
        old = this->value(type);
        settings_.setValue(keyOf(type), value);
    }
    // Emitted with the lock released: a receiver may read settings itself.
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
    QMutexLocker lock(&mutex_);
    if (hooks_)
        hooks_->setCastShortcutEnabled(enabled);
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
