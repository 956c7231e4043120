#pragma once

#include <QString>

class QRunnable;

// The few operations that differ per desktop system: starting another program
// (optionally elevated, optionally waiting for its end) and the per-user
// autostart entries.
class WinUtils {
public:
    // Starts `path` with `params`; `started->run()` is called on this thread
    // right after a successful start, before any waiting. False (with a
    // warning in the log) when the program could not be started.
    static bool openExecuteFile(const QString& path, const QString& params, bool runAsAdmin,
                                bool wait, QRunnable* started);

    static bool setAutoRun(const QString& name, const QString& programPath,
                           const QString& arguments);
    static bool removeAutoRun(const QString& name);
    // True when the entry's command line begins with `programPath`
    // (case-sensitive prefix).
    static bool isAutoRun(const QString& name, const QString& programPath);
};
