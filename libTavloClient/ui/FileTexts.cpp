#include "ui/FileTexts.h"

#include <QDateTime>
#include <QLocale>

QString FileTexts::sizeText(qint64 size) {
    constexpr qint64 KB = Q_INT64_C(1) << 10;
    constexpr qint64 MB = Q_INT64_C(1) << 20;
    constexpr qint64 GB = Q_INT64_C(1) << 30;
    constexpr qint64 TB = Q_INT64_C(1) << 40;
    const QLocale locale;
    // The quotients are single precision, as the sizes have always been shown.
    auto scaled = [size](qint64 unit) { return double(float(size) / float(unit)); };
    if (size >= TB)
        return tr("%1 TB").arg(locale.toString(scaled(TB), 'f', 3));
    if (size >= GB)
        return tr("%1 GB").arg(locale.toString(scaled(GB), 'f', 2));
    if (size >= MB)
        return tr("%1 MB").arg(locale.toString(scaled(MB), 'f', 1));
    if (size >= KB)
        return tr("%1 KB").arg(locale.toString(size / KB));
    return tr("%1 bytes").arg(locale.toString(size));
}

QString FileTexts::dateText(qint64 msecsSinceEpoch) {
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}
