#pragma once

#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QVariant>

class SettingsHooks;

// The process-wide settings store: "config.ini" in the data directory, with
// one cast password per device. What a setting does on the desktop (the
// autostart entry that follows "StartUp", the global cast hot key) happens
// through the hooks the windowed client installs.
class Config : public QObject {
    Q_OBJECT
public:
    enum Setting {
        ClientName = 0,
        SecureMode = 1,
        DownloadPath = 2,
        ConfirmCast = 3,
        LastSelectedServerUUID = 4,
        StartUp = 5,
        CastShortcut = 6,
    };

    static Config* instance();

    QVariant value(int type) const;
    bool setValue(int type, const QVariant& value);
    bool contains(int type) const;

    QString castPassword(const QString& uuid) const;
    bool setCastPassword(const QString& uuid, const QString& password);

    bool setCastShortcutEnabled(bool enabled);

    // Installed once by the windowed client; not owned.
    void setHooks(SettingsHooks* hooks);

    // Brings the autostart entry "TavloClientRun" in line with `enable`.
    static bool applyAutoRun(bool enable);
    static QString keyOf(int type);

signals:
    void valueChanged(int type, QVariant newValue, QVariant oldValue);
    void castShortcutActivated();

private:
    Config();
    QVariant defaultValue(int type) const;

    mutable QMutex mutex_{QMutex::Recursive};
    QSettings settings_;
    SettingsHooks* hooks_ = nullptr;
};
