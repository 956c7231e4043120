#include "FingoLibrary.h"

#include <windows.h>

#include <vector>

namespace {

std::wstring wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> buffer(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, buffer.data(), length);
    return buffer.data();
}

std::string utf8(const std::wstring& text) {
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> buffer(length > 0 ? static_cast<size_t>(length) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer.data(), length, nullptr, nullptr);
    return buffer.data();
}

} // namespace

FingoLibrary::~FingoLibrary() {
    if (m_handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(m_handle));
}

bool FingoLibrary::open(const std::string& path) {
    m_handle = LoadLibraryW(wide(path).c_str());
    if (m_handle == nullptr) {
        m_error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

void (*FingoLibrary::resolve(const char* name))() {
    return reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(m_handle), name));
}

std::string FingoLibrary::defaultPath() {
    wchar_t executable[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, executable, MAX_PATH);
    std::wstring folder(executable, length);
    folder = folder.substr(0, folder.find_last_of(L"\\/") + 1);
    return utf8(folder) + "Fingo.dll";
}
