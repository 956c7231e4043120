#include "utils/DataLocations.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>

namespace {

QMutex& locationMutex() {
    static QMutex mutex;
    return mutex;
}

QString& chosenDirectory() {
    static QString directory;
    return directory;
}

} // namespace

void DataLocations::setDataDirectory(const QString& directory) {
    QMutexLocker lock(&locationMutex());
    chosenDirectory() = QDir::cleanPath(QDir(directory).absolutePath());
}

QString DataLocations::dataDirectory() {
    QMutexLocker lock(&locationMutex());
    if (chosenDirectory().isEmpty())
        return QCoreApplication::applicationDirPath();
    return chosenDirectory();
}

QString DataLocations::filePath(const QString& name) {
    return dataDirectory() + QLatin1Char('/') + name;
}

QString DataLocations::settingsFile() {
    return filePath(QStringLiteral("config.ini"));
}

QString DataLocations::databaseFile() {
    return filePath(QStringLiteral("TavloClient.db"));
}

QString DataLocations::logDirectory() {
    return filePath(QStringLiteral("log"));
}

QString DataLocations::defaultDownloadFolder() {
    return filePath(QStringLiteral("Download/"));
}
