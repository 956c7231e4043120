#include "WindowsEvent.h"

#include "Exception.h"
#include "StringStorage.h"

#include <windows.h>

struct WindowsEvent::Native {
    HANDLE handle = nullptr;
};

WindowsEvent::WindowsEvent()
    : m_native(std::make_unique<Native>()) {
    m_native->handle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (m_native->handle == nullptr) {
        StringStorage message;
        message.format(L"Cannot create windows event with error = %d",
                       static_cast<int>(GetLastError()));
        throw Exception(message.getString());
    }
}

WindowsEvent::~WindowsEvent() {
    if (m_native->handle != nullptr)
        CloseHandle(m_native->handle);
}

void WindowsEvent::notify() {
    SetEvent(m_native->handle);
}

bool WindowsEvent::waitForEvent(unsigned long milliseconds) {
    return WaitForSingleObject(m_native->handle, milliseconds) == WAIT_OBJECT_0;
}
