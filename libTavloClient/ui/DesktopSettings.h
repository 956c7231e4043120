#pragma once

#include "utils/SettingsHooks.h"

#include <QObject>

class Config;
class GlobalShortcut;

// The desktop side of the settings store: owns the global cast hot key and
// keeps the autostart entry in step with "StartUp". Installing it applies the
// stored autostart choice and registers the stored hot key, warning the user
// when the key is taken.
class DesktopSettings : public QObject, public SettingsHooks {
    Q_OBJECT
public:
    explicit DesktopSettings(Config* config, QObject* parent = nullptr);
    ~DesktopSettings() override;

    bool applyAutoRun(bool enable) override;
    bool setCastShortcut(const QString& portableText) override;
    void setCastShortcutEnabled(bool enabled) override;

    GlobalShortcut* shortcut() const { return shortcut_; }

private:
    Config* config_;
    GlobalShortcut* shortcut_;
};
