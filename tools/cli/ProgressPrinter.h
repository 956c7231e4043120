#pragma once

#include <QElapsedTimer>
#include <QString>

#include "utils/TransferStage.h"

// Shows a transfer's progress: a redrawn bar with rate and time left on a
// terminal, otherwise one line per 10 %.
class ProgressPrinter {
public:
    ProgressPrinter(const QString& label, qint64 totalBytes);

    void update(int percent);
    // What the transfer waits for while no byte moves; one line each.
    void stage(const TransferStage& stage);
    void finish();

    static QString describe(const TransferStage& stage);

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
