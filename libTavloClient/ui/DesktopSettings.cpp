#include "ui/DesktopSettings.h"

#include "ui/GlobalShortcut.h"
#include "utils/Config.h"

#include <QKeySequence>
#include <QMessageBox>

DesktopSettings::DesktopSettings(Config* config, QObject* parent)
    : QObject(parent)
    , config_(config)
    , shortcut_(new GlobalShortcut(this)) {
    Config::applyAutoRun(config_->value(Config::StartUp).toBool());

    connect(shortcut_, &GlobalShortcut::activated, config_, &Config::castShortcutActivated,
            Qt::UniqueConnection);
    // The settings dialog stores the key in portable text; a value in the
    // desktop's own words (written by hand) is understood too.
    const QString shortcutText = config_->value(Config::CastShortcut).toString();
    QKeySequence stored(shortcutText, QKeySequence::PortableText);
    if (stored.isEmpty())
        stored = QKeySequence(shortcutText, QKeySequence::NativeText);
    if (!shortcut_->setShortcut(stored)) {
        QMessageBox::warning(
            nullptr, tr("错误"),
            tr("设置投射快捷键为\"%1\"失败,\n请在设置中换用其它快捷键.").arg(shortcutText),
            QMessageBox::Ok);
    }
    config_->setHooks(this);
}

DesktopSettings::~DesktopSettings() {
    config_->setHooks(nullptr);
}

bool DesktopSettings::applyAutoRun(bool enable) {
    return Config::applyAutoRun(enable);
}

bool DesktopSettings::setCastShortcut(const QString& portableText) {
    return shortcut_->setShortcut(QKeySequence(portableText, QKeySequence::PortableText));
}

void DesktopSettings::setCastShortcutEnabled(bool enabled) {
    shortcut_->setEnabled(enabled);
}
