#include "utils/platform/ProcessLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRunnable>
#include <QStandardPaths>

namespace ProcessLauncher {
namespace {

QString executableIn(const QDir& folder, const QString& name) {
    const QFileInfo candidate(folder.filePath(name));
    return candidate.isFile() && candidate.isExecutable() ? candidate.absoluteFilePath()
                                                          : QString();
}

// A bare program name is looked up in the program's own folder (where the
// client's companion programs lie), then on PATH; never in the working
// directory, where anybody may have put a file of that name.
QString resolveProgram(const QString& path) {
    if (path.contains(QLatin1Char('/')))
        return QFileInfo(path).isExecutable() ? path : QString();
    const QString found = executableIn(QDir(QCoreApplication::applicationDirPath()), path);
    return found.isEmpty() ? QStandardPaths::findExecutable(path) : found;
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
