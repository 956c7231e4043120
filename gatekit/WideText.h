#pragma once

#include <string>

// UTF-8 for wide strings, whatever the width of wchar_t (UTF-16 on Windows,
// UTF-32 elsewhere).
namespace WideText {

// Code units that are no valid character become U+FFFD.
std::string toUtf8(const std::wstring& text);
// False (and `text` unspecified) when `utf8` is no valid UTF-8.
bool fromUtf8(const std::string& utf8, std::wstring& text);

} // namespace WideText
