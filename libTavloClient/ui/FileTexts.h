#pragma once

#include <QCoreApplication>
#include <QString>

// How the file views write sizes and times.
class FileTexts {
    Q_DECLARE_TR_FUNCTIONS(FileTexts)
public:
    // "%1 TB" with 3 decimals from 2^40 bytes on, "%1 GB" with 2 from 2^30,
    // "%1 MB" with 1 from 2^20, whole "%1 KB" (rounded down) from 2^10, else
    // "%1 bytes"; numbers in the default locale.
    static QString sizeText(qint64 size);
    // Milliseconds since 1970 as local "yyyy-MM-dd hh:mm:ss".
    static QString dateText(qint64 msecsSinceEpoch);
};
