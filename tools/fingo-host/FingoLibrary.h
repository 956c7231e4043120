#pragma once

#include <Fingo.h>

#include <string>

// The remote-input library loaded at run time, as a mirroring program hosts
// it: the four functions looked up by their plain names.
class FingoLibrary {
public:
    FingoLibrary() = default;
    ~FingoLibrary();
    FingoLibrary(const FingoLibrary&) = delete;
    FingoLibrary& operator=(const FingoLibrary&) = delete;

    // False with a reason in error() when the file or a function is missing.
    bool load(const std::string& path);
    const std::string& error() const { return m_error; }

    // libFingo.so or Fingo.dll beside this program.
    static std::string defaultPath();

    StartFingoServerFunction startFingoServer = nullptr;
    CloseFingoServerFunction closeFingoServer = nullptr;
    SendCursorShapeFunction sendCursorShape = nullptr;
    SendCursorPositionFunction sendCursorPosition = nullptr;

private:
    // The platform part: loading, looking up, unloading.
    bool open(const std::string& path);
    // Untyped address of one export, null when missing.
    void (*resolve(const char* name))();

    void* m_handle = nullptr;
    std::string m_error;
};
