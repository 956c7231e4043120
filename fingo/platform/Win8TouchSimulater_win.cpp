#include "platform/Win8TouchSimulater_win.h"

#include <windows.h>

namespace Fingo {

namespace {

using InitializeTouchInjectionFunction = BOOL(WINAPI*)(UINT32, DWORD);
using InjectTouchInputFunction = BOOL(WINAPI*)(UINT32, const POINTER_TOUCH_INFO*);
using AnyFunction = void (*)();

constexpr UINT32 kMaxContacts = 10;
constexpr UINT32 kOrientation = 90;
constexpr UINT32 kPressure = 32000;

AnyFunction lookUp(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"User32.dll");
    return user32 != nullptr ? reinterpret_cast<AnyFunction>(GetProcAddress(user32, name))
                             : nullptr;
}

} // namespace

Win8TouchSimulater::Win8TouchSimulater(const Logger& log)
    : ContactTouchSimulater(log) {
    if (AnyFunction initialize = lookUp("InitializeTouchInjection"))
        reinterpret_cast<InitializeTouchInjectionFunction>(initialize)(kMaxContacts,
                                                                       TOUCH_FEEDBACK_INDIRECT);
    m_injectTouchInput = lookUp("InjectTouchInput");
    if (m_injectTouchInput == nullptr)
        log.log(Logger::Error, "Get InjectTouchInput function from dll fail.");
}

ScreenSize Win8TouchSimulater::screenSize() {
    ScreenSize size;
    size.width = GetSystemMetrics(SM_CXSCREEN);
    size.height = GetSystemMetrics(SM_CYSCREEN);
    return size;
}

bool Win8TouchSimulater::injectContacts(const std::vector<TouchContact>& contacts) {
    std::vector<POINTER_TOUCH_INFO> infos(contacts.size());
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        const TouchContact& contact = contacts[i];
        POINTER_TOUCH_INFO& info = infos[i];
        ZeroMemory(&info, sizeof info);
        info.pointerInfo.pointerType = PT_TOUCH;
        info.pointerInfo.pointerId = static_cast<UINT32>(contact.pointerId);
        info.pointerInfo.ptPixelLocation.x = contact.x;
        info.pointerInfo.ptPixelLocation.y = contact.y;
        info.pointerInfo.pointerFlags = contact.pointerFlags;
        info.rcContact.left = contact.left;
        info.rcContact.top = contact.top;
        info.rcContact.right = contact.right;
        info.rcContact.bottom = contact.bottom;
        info.touchFlags = TOUCH_FLAG_NONE;
        info.touchMask = TOUCH_MASK_CONTACTAREA | TOUCH_MASK_ORIENTATION | TOUCH_MASK_PRESSURE;
        info.orientation = kOrientation;
        info.pressure = kPressure;
    }
    const auto inject = reinterpret_cast<InjectTouchInputFunction>(m_injectTouchInput);
    return inject(static_cast<UINT32>(infos.size()), infos.data()) != FALSE;
}

unsigned long Win8TouchSimulater::lastError() {
    return GetLastError();
}

} // namespace Fingo
