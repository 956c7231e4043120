#include "tavlo/server/IncomingOffer.h"

#include "tavlo/FileDownloader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString IncomingOffer::safeFileName(const QString& offeredPath) {
    const QStringList parts = offeredPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString name = parts.isEmpty() ? QString() : parts.last();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('\\')) || name.contains(QChar(0)))
        return QString();
    return name;
}

QString IncomingOffer::reserveLocalPath(const QString& folder, const QString& offeredPath,
                                        QString& error) {
    const QString name = safeFileName(offeredPath);
    if (name.isEmpty()) {
        error = QStringLiteral("refused the file name of %1").arg(offeredPath);
        return QString();
    }
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("cannot create the folder %1").arg(folder);
        return QString();
    }
    const QDir dir(folder);
    // "archive.tar.gz" becomes "archive (2).tar.gz"; a leading dot is no suffix.
    const int dot = name.indexOf(QLatin1Char('.'), 1);
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    for (int number = 1; number < 10000; ++number) {
        const QString candidate =
            number == 1 ? name : QStringLiteral("%1 (%2)%3").arg(stem).arg(number).arg(suffix);
        const QString path = dir.filePath(candidate);
        const QString partial = FileDownloader::partialPathFor(path);
        if (QFileInfo::exists(path) || QFileInfo::exists(partial))
            continue;
        QFile reservation(partial);
        if (reservation.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!QFileInfo::exists(partial)) {
            error =
                QStringLiteral("cannot write into %1: %2").arg(folder, reservation.errorString());
            return QString();
        }
        // Taken meanwhile: try the next name.
    }
    error = QStringLiteral("no free name for %1 in %2").arg(name, folder);
    return QString();
}
