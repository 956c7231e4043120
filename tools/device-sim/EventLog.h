#pragma once

#include <QMutex>
#include <QString>

#include <cstdio>

// The simulator's report: one line per event on standard output, flushed at
// once because tests wait for lines. Worker threads write here too.
class EventLog {
public:
    explicit EventLog(bool quiet, FILE* out = stdout)
        : quiet_(quiet)
        , out_(out) {}

    // Always printed (listening, stored, sent, opened, ...).
    void event(const QString& line);
    // Printed unless quiet (request, query and ignored lines).
    void detail(const QString& line);

    // Keeps a line a line: line breaks in peer-supplied text are escaped.
    static QString oneLine(const QString& text);

private:
    bool quiet_;
    FILE* out_;
    QMutex mutex_;
};
