#include "FingoLibrary.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

FingoLibrary::~FingoLibrary() {
    if (m_handle != nullptr)
        dlclose(m_handle);
}

bool FingoLibrary::open(const std::string& path) {
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* reason = dlerror();
        m_error = reason != nullptr ? reason : "cannot load " + path;
        return false;
    }
    return true;
}

void (*FingoLibrary::resolve(const char* name))() {
    return reinterpret_cast<void (*)()>(dlsym(m_handle, name));
}

std::string FingoLibrary::defaultPath() {
    char executable[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", executable, sizeof executable - 1);
    std::string folder = length > 0 ? std::string(executable, static_cast<size_t>(length)) : "";
    folder = folder.substr(0, folder.find_last_of('/') + 1);
    // Beside the program in a build; in the private library folder once installed.
    const std::string beside = folder + "libFingo.so";
#ifdef FINGO_HOST_INSTALLED_LIBRARY
    if (access(beside.c_str(), F_OK) != 0)
        return folder + FINGO_HOST_INSTALLED_LIBRARY;
#endif
    return beside;
}
