#pragma once

#include <QString>

// Where the client keeps its files: the settings file, the database, the log
// folder and the default download folder all lie in one data directory that
// the program names at start. Nothing else depends on the working directory.
class DataLocations {
public:
    // Set once at start, before the first setting, log line or database
    // access; a relative path is made absolute against the working directory
    // of that moment. Until then the program's own directory is used.
    static void setDataDirectory(const QString& directory);
    static QString dataDirectory();

    static QString settingsFile();          // "config.ini"
    static QString databaseFile();          // "TavloClient.db"
    static QString logDirectory();          // "log"
    static QString defaultDownloadFolder(); // "Download/", with the trailing slash

    static QString filePath(const QString& name);
};
