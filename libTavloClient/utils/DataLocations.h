#pragma once

#include <QString>
#include <QStringList>

// Where the client keeps its files: the settings file "config.ini", the
// database "TavloClient.db" (history and thumbnail cache), the "log" folder
// and the default download folder. The program chooses once at start, before
// the first setting, log line or database access: either one data directory
// for everything (the program's folder on Windows, --data-dir of the cli,
// tests), or the user's own folders of the desktop (Linux: the XDG base
// directories). Nothing else depends on the working directory.
class DataLocations {
public:
    struct Layout {
        QString settingsFolder;
        QString databaseFolder;
        QString logFolder;
        QString downloadFolder; // with the trailing slash
    };

    // Everything in `directory`; a relative path is made absolute against
    // the working directory of that moment.
    static void setDataDirectory(const QString& directory);
    // The user's folders (see UserFolders); on Windows the program's folder.
    static void usePerUserFolders();
    // Until one of the two is chosen, the program's own folder is used.
    static Layout layout();

    // Moves a settings file or database that an earlier run left in
    // `oldFolder` (beside the executable) into the chosen folders, once: a
    // file already present there is never replaced, and a file is removed
    // only after its copy is complete. Returns what it did, for the log.
    static QStringList moveFilesFrom(const QString& oldFolder);

    // The one folder given to setDataDirectory, or the settings folder.
    static QString dataDirectory();
    static QString settingsFile();          // ".../config.ini"
    static QString databaseFile();          // ".../TavloClient.db"
    static QString logDirectory();          // ".../log"
    static QString defaultDownloadFolder(); // ends with "/"

    static Layout singleFolder(const QString& directory);
};
