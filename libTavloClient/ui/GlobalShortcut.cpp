#include "ui/GlobalShortcut.h"

#include "ui/platform/GlobalHotKeyBackend.h"

GlobalShortcut::GlobalShortcut(QObject* parent)
    : QObject(parent)
    , backend_(GlobalHotKeyBackend::create([this] {
        if (enabled_)
            emit activated();
    })) {}

GlobalShortcut::~GlobalShortcut() {
    unregisterCurrent();
}

bool GlobalShortcut::setShortcut(const QKeySequence& shortcut) {
    const QKeySequence previous = shortcut_;
    const bool hadKey = registered_;
    unregisterCurrent();
    shortcut_ = shortcut;
    if (registerCurrent()) {
        // While disabled the key is only proven to be free, not kept.
        if (!enabled_)
            unregisterCurrent();
        return true;
    }
    // Refused: the previous combination stays, and stays live.
    shortcut_ = previous;
    if (hadKey)
        registerCurrent();
    return false;
}

bool GlobalShortcut::registerCurrent() {
    if (!backend_ || shortcut_.isEmpty())
        return false;
    const int combined = shortcut_[0];
    const auto key = Qt::Key(combined & ~Qt::KeyboardModifierMask);
    const auto modifiers = Qt::KeyboardModifiers(combined & Qt::KeyboardModifierMask);
    registered_ = backend_->registerKey(key, modifiers);
    return registered_;
}

void GlobalShortcut::unregisterCurrent() {
    if (backend_ && registered_)
        backend_->unregisterKey();
    registered_ = false;
}

void GlobalShortcut::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!enabled) {
        unregisterCurrent();
    } else if (!shortcut_.isEmpty() && !registerCurrent()) {
        qWarning("[W][%s] The hot key %s is taken now; it does nothing until changed.",
                 "GlobalShortcut", qPrintable(shortcut_.toString()));
    }
}
