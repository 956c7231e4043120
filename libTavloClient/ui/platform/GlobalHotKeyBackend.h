#pragma once

#include <Qt>

#include <functional>
#include <memory>

// One system-wide key registration of the platform's window system.
class GlobalHotKeyBackend {
public:
    virtual ~GlobalHotKeyBackend() = default;

    // False when the platform has no global keys here (for example offscreen).
    virtual bool isAvailable() const = 0;
    // False when the key cannot be registered, for example because another
    // program holds it.
    virtual bool registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers) = 0;
    virtual void unregisterKey() = 0;

    // `onActivated` runs on the GUI thread whenever the registered key is pressed.
    static std::unique_ptr<GlobalHotKeyBackend> create(std::function<void()> onActivated);
};
