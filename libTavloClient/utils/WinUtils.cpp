#include "utils/WinUtils.h"

#include "utils/platform/AutoRunStore.h"
#include "utils/platform/ProcessLauncher.h"

#include <QRunnable>
#include <QtDebug>

bool WinUtils::openExecuteFile(const QString& path, const QString& params, bool runAsAdmin,
                               bool wait, QRunnable* started) {
    if (!ProcessLauncher::start(path, params, runAsAdmin, wait, started)) {
        qWarning("ShellExecuteEx %s %s fail.", path.toLocal8Bit().constData(),
                 params.toLocal8Bit().constData());
        return false;
    }
    return true;
}

bool WinUtils::setAutoRun(const QString& name, const QString& programPath,
                          const QString& arguments) {
    AutoRunStore::write(name, programPath, arguments);
    return true;
}

bool WinUtils::removeAutoRun(const QString& name) {
    AutoRunStore::remove(name);
    return true;
}

bool WinUtils::isAutoRun(const QString& name, const QString& programPath) {
    return AutoRunStore::read(name).startsWith(programPath, Qt::CaseSensitive);
}
