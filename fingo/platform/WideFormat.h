#pragma once

#include <cstdarg>
#include <vector>

// Formats printf-style into a NUL-terminated wide buffer of the exact size
// (an empty string when the format cannot be applied).
std::vector<wchar_t> formatWide(const wchar_t* format, va_list arguments);
