#include "utils/platform/UserFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace {

// An XDG base directory: the variable when it holds an absolute path (the
// base-directory rules say to ignore relative ones), else HOME plus the default.
QString baseFolder(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + QLatin1Char('/') + fallback;
}

} // namespace

namespace UserFolders {

DataLocations::Layout layout() {
    DataLocations::Layout layout;
    layout.settingsFolder =
        baseFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) + QStringLiteral("/tavlo");
    layout.databaseFolder =
        baseFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/tavlo");
    layout.logFolder =
        baseFolder("XDG_STATE_HOME", QStringLiteral(".local/state")) + QStringLiteral("/tavlo/log");
    QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (downloads.isEmpty())
        downloads = QDir::homePath() + QStringLiteral("/Downloads");
    layout.downloadFolder = downloads + QStringLiteral("/Tavlo/");
    return layout;
}

} // namespace UserFolders
