#include "platform/WideFormat.h"

#include <cwchar>

std::vector<wchar_t> formatWide(const wchar_t* format, va_list arguments) {
    // vswprintf cannot measure: grow until the text fits. It also fails on an
    // encoding error, hence the upper bound.
    constexpr std::size_t kLargest = 1 << 20;
    for (std::size_t size = 256; size <= kLargest; size *= 2) {
        std::vector<wchar_t> buffer(size);
        va_list copy;
        va_copy(copy, arguments);
        const int length = std::vswprintf(buffer.data(), size, format, copy);
        va_end(copy);
        if (length >= 0) {
            buffer.resize(static_cast<std::size_t>(length) + 1);
            return buffer;
        }
    }
    return std::vector<wchar_t>(1, L'\0');
}
