#include "utils/platform/ProcessLauncher.h"

#include <QRunnable>

#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

namespace ProcessLauncher {

bool start(const QString& path, const QString& params, bool runAsAdmin, bool wait,
           QRunnable* started) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    const std::wstring file = path.toStdWString();
    const std::wstring parameters = params.toStdWString();
    SHELLEXECUTEINFOW info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = runAsAdmin ? L"runas" : nullptr;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;

    if (!ShellExecuteExW(&info)) {
        CoUninitialize();
        return false;
    }
    if (started)
        started->run();
    if (info.hProcess) {
        if (wait)
            WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hProcess);
    }
    CoUninitialize();
    return true;
}

} // namespace ProcessLauncher
