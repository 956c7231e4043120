#pragma once

#include <QString>
#include <QtGlobal>

// Log lines of the form "[E][Category] text": logged, and returned so a task
// can keep the failure for its final report.
namespace LogLine {

template <typename... Args>
QString critical(const char* format, const char* category, Args... args) {
    const QString line = QString::asprintf(format, category, args...);
    qCritical("%s", line.toUtf8().constData());
    return line;
}

template <typename... Args>
QString warning(const char* format, const char* category, Args... args) {
    const QString line = QString::asprintf(format, category, args...);
    qWarning("%s", line.toUtf8().constData());
    return line;
}

// The text after the level tag and the category, for showing to people.
QString message(const QString& line);

} // namespace LogLine
