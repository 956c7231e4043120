#include "ui/platform/GlobalHotKeyBackend.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QVector>
#include <QX11Info>

#include <xcb/xcb.h>
// Xlib last: it defines macros (None, Bool, KeyPress) that clash with Qt names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

KeySym keySymFor(Qt::Key key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return XK_F1 + (key - Qt::Key_F1);
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return KeySym(key); // Latin-1 keys share their codes with X key symbols
    switch (key) {
    case Qt::Key_Escape:
        return XK_Escape;
    case Qt::Key_Tab:
        return XK_Tab;
    case Qt::Key_Backspace:
        return XK_BackSpace;
    case Qt::Key_Return:
        return XK_Return;
    case Qt::Key_Enter:
        return XK_KP_Enter;
    case Qt::Key_Insert:
        return XK_Insert;
    case Qt::Key_Delete:
        return XK_Delete;
    case Qt::Key_Pause:
        return XK_Pause;
    case Qt::Key_Print:
        return XK_Print;
    case Qt::Key_Home:
        return XK_Home;
    case Qt::Key_End:
        return XK_End;
    case Qt::Key_Left:
        return XK_Left;
    case Qt::Key_Up:
        return XK_Up;
    case Qt::Key_Right:
        return XK_Right;
    case Qt::Key_Down:
        return XK_Down;
    case Qt::Key_PageUp:
        return XK_Page_Up;
    case Qt::Key_PageDown:
        return XK_Page_Down;
    case Qt::Key_ScrollLock:
        return XK_Scroll_Lock;
    default:
        return NoSymbol;
    }
}

uint16_t x11Modifiers(Qt::KeyboardModifiers modifiers) {
    uint16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

constexpr uint16_t RelevantModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
// Caps Lock and Num Lock must not stop the key from working.
const uint16_t LockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                 XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

class X11HotKey : public GlobalHotKeyBackend, public QAbstractNativeEventFilter {
public:
    explicit X11HotKey(std::function<void()> onActivated)
        : onActivated_(std::move(onActivated)) {
        if (isAvailable())
            QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~X11HotKey() override {
        unregisterKey();
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool isAvailable() const override {
        return QGuiApplication::platformName() == QLatin1String("xcb") && QX11Info::isPlatformX11();
    }

    bool registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers) override {
        unregisterKey();
        if (!isAvailable())
            return false;
        const KeySym sym = keySymFor(key);
        if (sym == NoSymbol)
            return false;
        const KeyCode code = XKeysymToKeycode(QX11Info::display(), sym);
        if (code == 0)
            return false;

        xcb_connection_t* connection = QX11Info::connection();
        const xcb_window_t root = QX11Info::appRootWindow();
        const uint16_t mask = x11Modifiers(modifiers);
        QVector<xcb_void_cookie_t> cookies;
        for (uint16_t variant : LockVariants) {
            cookies.append(xcb_grab_key_checked(connection, 1, root, mask | variant, code,
                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
        bool ok = true;
        for (const xcb_void_cookie_t& cookie : cookies) {
            if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
                ok = false; // BadAccess: another client holds the key
                free(error);
            }
        }
        keyCode_ = code;
        modifierMask_ = mask;
        if (!ok) {
            unregisterKey();
            return false;
        }
        return true;
    }

    void unregisterKey() override {
        if (keyCode_ == 0 || !isAvailable())
            return;
        xcb_connection_t* connection = QX11Info::connection();
        const xcb_window_t root = QX11Info::appRootWindow();
        for (uint16_t variant : LockVariants)
            xcb_ungrab_key(connection, keyCode_, root, modifierMask_ | variant);
        xcb_flush(connection);
        keyCode_ = 0;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, long*) override {
        if (keyCode_ == 0 || eventType != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & ~0x80) != XCB_KEY_PRESS)
            return false;
        auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
        if (press->detail != keyCode_ || (press->state & RelevantModifiers) != modifierMask_)
            return false;
        onActivated_();
        return true;
    }

private:
    std::function<void()> onActivated_;
    xcb_keycode_t keyCode_ = 0;
    uint16_t modifierMask_ = 0;
};

} // namespace

std::unique_ptr<GlobalHotKeyBackend>
GlobalHotKeyBackend::create(std::function<void()> onActivated) {
    return std::make_unique<X11HotKey>(std::move(onActivated));
}
