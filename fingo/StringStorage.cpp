#include "StringStorage.h"

#include "platform/WideFormat.h"

#include <cstdarg>
#include <cwchar>

StringStorage::StringStorage()
    : m_buffer(1, L'\0') {}

StringStorage::StringStorage(const wchar_t* text)
    : StringStorage() {
    setString(text);
}

StringStorage::~StringStorage() = default;

void StringStorage::setString(const wchar_t* text) {
    if (text == nullptr)
        text = L"";
    m_buffer.assign(text, text + std::wcslen(text) + 1);
}

void StringStorage::format(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    m_buffer = formatWide(format, arguments);
    va_end(arguments);
}
