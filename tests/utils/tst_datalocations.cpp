#include "common/TestSupport.h"
#include "utils/DataLocations.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Where the client's files go: one folder, or the user's own folders.
class TestDataLocations : public QObject {
    Q_OBJECT
private slots:
    void oneFolderForEverything();
    void userFoldersFollowTheXdgVariables();
    void filesOfAnEarlierRunAreMovedOnce();
};

void TestDataLocations::oneFolderForEverything() {
    DataLocations::setDataDirectory("/srv/tavlo/../tavlo");
    QCOMPARE(DataLocations::settingsFile(), QString("/srv/tavlo/config.ini"));
    QCOMPARE(DataLocations::logDirectory(), QString("/srv/tavlo/log"));
    QCOMPARE(DataLocations::defaultDownloadFolder(), QString("/srv/tavlo/Download/"));
    QCOMPARE(DataLocations::dataDirectory(), QString("/srv/tavlo"));
}

void TestDataLocations::userFoldersFollowTheXdgVariables() {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", "/x/config");
    qputenv("XDG_DATA_HOME", "/x/data");
    qputenv("XDG_STATE_HOME", "/x/state");
    QVERIFY(writeFile(home.filePath("user-dirs.dirs"), ""));
    DataLocations::usePerUserFolders();
    DataLocations::Layout layout = DataLocations::layout();
    QCOMPARE(layout.settingsFolder, QString("/x/config/tavlo"));
    QCOMPARE(layout.databaseFolder, QString("/x/data/tavlo"));
    QCOMPARE(layout.logFolder, QString("/x/state/tavlo/log"));
    QCOMPARE(layout.downloadFolder,
             QStandardPaths::writableLocation(QStandardPaths::DownloadLocation) + "/Tavlo/");

    // Unset or relative variables mean the defaults under HOME.
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", "relative/data");
    qunsetenv("XDG_STATE_HOME");
    DataLocations::usePerUserFolders();
    layout = DataLocations::layout();
    QCOMPARE(layout.settingsFolder, home.path() + "/.config/tavlo");
    QCOMPARE(layout.databaseFolder, home.path() + "/.local/share/tavlo");
    QCOMPARE(layout.logFolder, home.path() + "/.local/state/tavlo/log");
}

void TestDataLocations::filesOfAnEarlierRunAreMovedOnce() {
    QTemporaryDir program;
    QTemporaryDir xdg;
    qputenv("XDG_CONFIG_HOME", xdg.filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", xdg.filePath("data").toUtf8());
    DataLocations::usePerUserFolders();
    QVERIFY(writeFile(program.filePath("config.ini"), "[General]\nClientName=Old PC\n"));
    QVERIFY(writeFile(program.filePath("TavloClient.db"), "old history"));

    QStringList notes = DataLocations::moveFilesFrom(program.path());
    QCOMPARE(notes.size(), 2);
    QVERIFY(notes.first().startsWith("moved "));
    QCOMPARE(readBytes(xdg.filePath("config/tavlo/config.ini")),
             QByteArray("[General]\nClientName=Old PC\n"));
    QCOMPARE(readBytes(xdg.filePath("data/tavlo/TavloClient.db")), QByteArray("old history"));
    QVERIFY(!QFile::exists(program.filePath("config.ini")));
    QVERIFY(DataLocations::moveFilesFrom(program.path()).isEmpty()); // once

    // A file left beside the program later never replaces the one in use.
    QVERIFY(writeFile(program.filePath("config.ini"), "stale"));
    notes = DataLocations::moveFilesFrom(program.path());
    QCOMPARE(notes.size(), 1);
    QVERIFY(notes.first().contains("left alone"));
    QCOMPARE(readBytes(program.filePath("config.ini")), QByteArray("stale"));
    QCOMPARE(readBytes(xdg.filePath("config/tavlo/config.ini")),
             QByteArray("[General]\nClientName=Old PC\n"));
}

QTEST_GUILESS_MAIN(TestDataLocations)
#include "tst_datalocations.moc"
