#include "utils/DataLocations.h"

#include "utils/platform/UserFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

namespace {

const QString SettingsName = QStringLiteral("config.ini");
const QString DatabaseName = QStringLiteral("TavloClient.db");

QMutex& locationMutex() {
    static QMutex mutex;
    return mutex;
}

// Empty until the program chose.
DataLocations::Layout& chosenLayout() {
    static DataLocations::Layout layout;
    return layout;
}

QString withSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

DataLocations::Layout DataLocations::singleFolder(const QString& directory) {
    const QString root = QDir::cleanPath(QDir(directory).absolutePath());
    Layout layout;
    layout.settingsFolder = root;
    layout.databaseFolder = root;
    layout.logFolder = root + QStringLiteral("/log");
    layout.downloadFolder = root + QStringLiteral("/Download/");
    return layout;
}

void DataLocations::setDataDirectory(const QString& directory) {
    const Layout layout = singleFolder(directory);
    QMutexLocker lock(&locationMutex());
    chosenLayout() = layout;
}

void DataLocations::usePerUserFolders() {
    Layout layout = UserFolders::layout();
    if (layout.settingsFolder.isEmpty())
        layout = singleFolder(QCoreApplication::applicationDirPath());
    layout.downloadFolder = withSlash(layout.downloadFolder);
    QMutexLocker lock(&locationMutex());
    chosenLayout() = layout;
}

DataLocations::Layout DataLocations::layout() {
    {
        QMutexLocker lock(&locationMutex());
        if (!chosenLayout().settingsFolder.isEmpty())
            return chosenLayout();
    }
    return singleFolder(QCoreApplication::applicationDirPath());
}

QStringList DataLocations::moveFilesFrom(const QString& oldFolder) {
    QStringList notes;
    const QDir program(oldFolder);
    const Layout current = layout();
    const struct {
        QString name;
        QString folder;
    } files[] = {{SettingsName, current.settingsFolder}, {DatabaseName, current.databaseFolder}};
    for (const auto& file : files) {
        const QString old = program.filePath(file.name);
        const QString target = QDir(file.folder).filePath(file.name);
        if (!QFileInfo(old).isFile() || QFileInfo(old) == QFileInfo(target))
            continue;
        if (QFileInfo::exists(target)) {
            notes << QStringLiteral("%1 beside the program left alone: %2 exists").arg(old, target);
            continue;
        }
        if (!QDir().mkpath(file.folder)) {
            notes << QStringLiteral("cannot create %1 to move %2 there").arg(file.folder, old);
            continue;
        }
        // Copy first, remove after: the file is never lost on the way.
        if (QFile::copy(old, target) && QFile::remove(old))
            notes << QStringLiteral("moved %1 to %2").arg(old, target);
        else
            notes << QStringLiteral("cannot move %1 to %2; it stays where it was").arg(old, target);
    }
    return notes;
}

QString DataLocations::dataDirectory() {
    return layout().settingsFolder;
}

QString DataLocations::settingsFile() {
    return QDir(layout().settingsFolder).filePath(SettingsName);
}

QString DataLocations::databaseFile() {
    const QString folder = layout().databaseFolder;
    QDir().mkpath(folder);
    return QDir(folder).filePath(DatabaseName);
}

QString DataLocations::logDirectory() {
    return layout().logFolder;
}

QString DataLocations::defaultDownloadFolder() {
    return layout().downloadFolder;
}
