#include "ui/platform/GlobalHotKeyBackend.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include <windows.h>

namespace {

UINT virtualKeyFor(Qt::Key key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + (key - Qt::Key_F1);
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return UINT(key); // letters and digits share their codes with virtual keys
    switch (key) {
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_ScrollLock:
        return VK_SCROLL;
    default:
        return 0;
    }
}

UINT windowsModifiers(Qt::KeyboardModifiers modifiers) {
    UINT mask = MOD_NOREPEAT;
    if (modifiers & Qt::ShiftModifier)
        mask |= MOD_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= MOD_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= MOD_ALT;
    if (modifiers & Qt::MetaModifier)
        mask |= MOD_WIN;
    return mask;
}

class WindowsHotKey : public GlobalHotKeyBackend, public QAbstractNativeEventFilter {
public:
    explicit WindowsHotKey(std::function<void()> onActivated)
        : onActivated_(std::move(onActivated)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~WindowsHotKey() override {
        unregisterKey();
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool isAvailable() const override { return true; }

    bool registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers) override {
        unregisterKey();
        const UINT vk = virtualKeyFor(key);
        if (vk == 0)
            return false;
        // The hot key belongs to the GUI thread's message queue (no window).
        if (!RegisterHotKey(nullptr, HotKeyId, windowsModifiers(modifiers), vk))
            return false;
        registered_ = true;
        return true;
    }

    void unregisterKey() override {
        if (registered_)
            UnregisterHotKey(nullptr, HotKeyId);
        registered_ = false;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, long*) override {
        if (!registered_ || eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_HOTKEY || msg->wParam != HotKeyId)
            return false;
        onActivated_();
        return true;
    }

private:
    static constexpr int HotKeyId = 0x5476; // any id below 0xC000 is the application's own
    std::function<void()> onActivated_;
    bool registered_ = false;
};

} // namespace

std::unique_ptr<GlobalHotKeyBackend>
GlobalHotKeyBackend::create(std::function<void()> onActivated) {
    return std::make_unique<WindowsHotKey>(std::move(onActivated));
}
