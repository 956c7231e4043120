#pragma once

#include <QString>

class QRunnable;

namespace ProcessLauncher {

// Starts a program the way the desktop does; see WinUtils::openExecuteFile.
bool start(const QString& path, const QString& params, bool runAsAdmin, bool wait,
           QRunnable* started);

} // namespace ProcessLauncher
