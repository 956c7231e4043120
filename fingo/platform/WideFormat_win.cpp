#include "platform/WideFormat.h"

#include <stdio.h>
#include <wchar.h>

std::vector<wchar_t> formatWide(const wchar_t* format, va_list arguments) {
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = _vscwprintf(format, measuring);
    va_end(measuring);
    if (length < 0)
        return std::vector<wchar_t>(1, L'\0');
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    _vsnwprintf(buffer.data(), buffer.size(), format, arguments);
    buffer.back() = L'\0';
    return buffer;
}
