#pragma once

#include <QElapsedTimer>
#include <QString>

// Shows a transfer's progress: a redrawn bar with rate and time left on a
// terminal, otherwise one line per 10 %.
class ProgressPrinter {
public:
    ProgressPrinter(const QString& label, qint64 totalBytes);

    void update(int percent);
    void finish();

    static QString formatBytes(double bytes);
    static QString formatDuration(qint64 seconds);

private:
    QString label_;
    qint64 total_;
    bool terminal_;
    int lastPercent_ = -1;
    int lastDecile_ = -1;
    bool drawn_ = false;
    QElapsedTimer clock_;
};
