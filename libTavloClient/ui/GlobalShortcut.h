#pragma once

#include <QKeySequence>
#include <QObject>

#include <memory>

class GlobalHotKeyBackend;

// A key combination that triggers `activated()` system-wide, whichever window
// has the focus. Registration fails where the platform offers no global keys
// (no X server, offscreen) or another program holds the combination.
class GlobalShortcut : public QObject {
    Q_OBJECT
public:
    explicit GlobalShortcut(QObject* parent = nullptr);
    ~GlobalShortcut() override;

    // Registers the first key of `shortcut` (while disabled: checks that it
    // could be). On failure the previous shortcut stays in force.
    bool setShortcut(const QKeySequence& shortcut);
    QKeySequence shortcut() const { return shortcut_; }

    bool isEnabled() const { return enabled_; }
    // A disabled shortcut releases its key so that the key reaches windows.
    void setEnabled(bool enabled);

signals:
    void activated();

private:
    bool registerCurrent();
    void unregisterCurrent();

    std::unique_ptr<GlobalHotKeyBackend> backend_;
    QKeySequence shortcut_;
    bool enabled_ = true;
    bool registered_ = false;
};
