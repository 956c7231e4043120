#include "utils/platform/ProcessLauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRunnable>
#include <QStandardPaths>

namespace ProcessLauncher {
namespace {

// A bare program name is looked up in the working directory first, then on
// PATH, as the desktop shell does.
QString resolveProgram(const QString& path) {
    if (path.contains(QLatin1Char('/')))
        return QFileInfo(path).isExecutable() ? path : QString();
    const QFileInfo local(QDir::current().filePath(path));
    if (local.isFile() && local.isExecutable())
        return local.absoluteFilePath();
    return QStandardPaths::findExecutable(path);
}

} // namespace

bool start(const QString& path, const QString& params, bool runAsAdmin, bool wait,
           QRunnable* started) {
    QString program = resolveProgram(path);
    if (program.isEmpty())
        return false;
    QStringList arguments = QProcess::splitCommand(params);
    if (runAsAdmin) {
        const QString elevator = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
        if (elevator.isEmpty())
            return false;
        arguments.prepend(program);
        program = elevator;
    }

    if (!wait) {
        if (!QProcess::startDetached(program, arguments))
            return false;
        if (started)
            started->run();
        return true;
    }

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return false;
    if (started)
        started->run();
    process.waitForFinished(-1);
    return true;
}

} // namespace ProcessLauncher
