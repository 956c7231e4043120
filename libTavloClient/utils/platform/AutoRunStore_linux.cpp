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

const QString Reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

// The program as an Exec word: quoted when it holds blanks or other reserved
// characters (desktop entries split Exec at blanks), "%" doubled.
QString execWord(const QString& program) {
    QString word = program;
    word.replace(QLatin1Char('%'), QStringLiteral("%%"));
    bool needsQuotes = false;
    for (const QChar c : program)
        needsQuotes = needsQuotes || Reserved.contains(c);
    if (!needsQuotes)
        return word;
    QString quoted;
    for (const QChar c : qAsConst(word)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    // Backslashes are escaped once more by the file's string syntax.
    return QLatin1Char('"') + quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")) +
           QLatin1Char('"');
}

// The command line of an Exec value: the first word unquoted and joined
// with the rest by a blank.
QString commandLineOf(QString exec) {
    exec.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    if (!exec.startsWith(QLatin1Char('"')))
        return exec.replace(QStringLiteral("%%"), QStringLiteral("%"));
    QString program;
    int i = 1;
    for (; i < exec.size() && exec.at(i) != QLatin1Char('"'); ++i) {
        if (exec.at(i) == QLatin1Char('\\') && i + 1 < exec.size())
            ++i;
        program += exec.at(i);
    }
    program.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return program + exec.mid(i + 1);
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
            return commandLineOf(line.mid(5));
    }
    return QString();
}

void write(const QString& name, const QString& program, const QString& arguments) {
    QDir().mkpath(autostartDir());
    QSaveFile file(entryPath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << name << "\n"
        << "Exec=" << execWord(program) << ' ' << arguments << "\n"
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    file.commit();
}

void remove(const QString& name) {
    QFile::remove(entryPath(name));
}

} // namespace AutoRunStore
