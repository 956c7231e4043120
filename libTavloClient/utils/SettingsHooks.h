#pragma once

#include <QString>

// What changing a setting does beyond storing it, on a desktop: the autostart
// entry and the global cast hot key. The windowed client installs its hooks
// into `Config`; programs without a desktop store the values only.
class SettingsHooks {
public:
    virtual ~SettingsHooks() = default;

    // Brings the autostart entry in line with `enable`; false refuses the change.
    virtual bool applyAutoRun(bool enable) = 0;
    // Registers the hot key given in portable text; false refuses the change
    // and keeps the previous key.
    virtual bool setCastShortcut(const QString& portableText) = 0;
    virtual void setCastShortcutEnabled(bool enabled) = 0;
};
