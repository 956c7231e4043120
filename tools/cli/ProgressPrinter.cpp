#include "ProgressPrinter.h"

#include <cstdio>
#include <unistd.h>

ProgressPrinter::ProgressPrinter(const QString& label, qint64 totalBytes)
    : label_(label)
    , total_(totalBytes)
    , terminal_(isatty(fileno(stdout)) != 0) {
    clock_.start();
}

QString ProgressPrinter::formatBytes(double bytes) {
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024.0 && unit < 4) {
        bytes /= 1024.0;
        ++unit;
    }
    return QString::number(bytes, 'f', unit == 0 ? 0 : 1) + QLatin1Char(' ') +
           QLatin1String(units[unit]);
}

QString ProgressPrinter::formatDuration(qint64 seconds) {
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void ProgressPrinter::update(int percent) {
    if (percent == lastPercent_ || percent < 0 || percent > 100)
        return;
    lastPercent_ = percent;
    if (!terminal_) {
        const int decile = percent / 10;
        if (decile != lastDecile_) {
            lastDecile_ = decile;
            std::printf("%s: %d%%\n", label_.toUtf8().constData(), decile * 10);
            std::fflush(stdout);
        }
        return;
    }

    const double seconds = qMax<qint64>(clock_.elapsed(), 1) / 1000.0;
    const double done = double(total_) * percent / 100.0;
    const double rate = done / seconds;
    const qint64 left = rate > 0 ? qint64((double(total_) - done) / rate) : 0;
    constexpr int width = 30;
    const int filled = percent * width / 100;
    const QString bar =
        QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char(' '));
    std::printf("\r%s [%s] %3d%%  %s/s  %s left ", label_.toUtf8().constData(),
                bar.toUtf8().constData(), percent, formatBytes(rate).toUtf8().constData(),
                formatDuration(left).toUtf8().constData());
    std::fflush(stdout);
    drawn_ = true;
}

QString ProgressPrinter::describe(const TransferStage& stage) {
    const int seconds = (stage.waitMs + 999) / 1000;
    switch (stage.step) {
    case TransferStage::Requesting:
        return QStringLiteral("asking the device for a transfer session (up to %1 s)").arg(seconds);
    case TransferStage::Confirming:
        return QStringLiteral("waiting for the device to confirm the file, poll %1 of %2 "
                              "(up to %3 s each)")
            .arg(stage.poll)
            .arg(stage.polls)
            .arg(seconds);
    default:
        return QString();
    }
}

void ProgressPrinter::stage(const TransferStage& stage) {
    const QString text = describe(stage);
    if (text.isEmpty())
        return;
    finish(); // a bar being drawn ends its line first
    std::printf("%s: %s\n", label_.toUtf8().constData(), text.toUtf8().constData());
    std::fflush(stdout);
}

void ProgressPrinter::finish() {
    if (drawn_) {
        std::printf("\n");
        std::fflush(stdout);
        drawn_ = false;
    }
}
