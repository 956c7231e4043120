#include "utils/GlobalShortcut.h"

#include "utils/platform/GlobalHotKeyBackend.h"

GlobalShortcut::GlobalShortcut(QObject* parent)
    : QObject(parent)
    , backend_(GlobalHotKeyBackend::create([this] {
        if (enabled_)
            emit activated();
    })) {}

GlobalShortcut::~GlobalShortcut() {
    if (backend_ && registered_)
        backend_->unregisterKey();
}

bool GlobalShortcut::setShortcut(const QKeySequence& shortcut) {
    if (backend_ && registered_)
        backend_->unregisterKey();
    registered_ = false;
    shortcut_ = shortcut;
    if (!enabled_)
        return backend_ && !shortcut.isEmpty() && backend_->isAvailable();
    return registerCurrent();
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

void GlobalShortcut::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!enabled && registered_) {
        backend_->unregisterKey();
        registered_ = false;
    } else if (enabled) {
        registerCurrent();
    }
}
