#include "utils/platform/AutoRunStore.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

// XDG autostart: one desktop entry per name in $XDG_CONFIG_HOME/autostart
// (~/.config/autostart when the variable is unset), whose Exec is the command.
namespace AutoRunStore {
namespace {

QString autostartDir() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart");
}

QString entryPath(const QString& name) {
    return autostartDir() + QLatin1Char('/') + name + QStringLiteral(".desktop");
}

} // namespace

QString read(const QString& name) {
    QFile file(entryPath(name));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&file);
    in.setCodec("UTF-8");
    bool inEntryGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntryGroup = line == QLatin1String("[Desktop Entry]");
        else if (inEntryGroup && line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return QString();
}

void write(const QString& name, const QString& commandLine) {
    QDir().mkpath(autostartDir());
    QSaveFile file(entryPath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << name << "\n"
        << "Exec=" << commandLine << "\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    file.commit();
}

void remove(const QString& name) {
    QFile::remove(entryPath(name));
}

} // namespace AutoRunStore
