#include "tavlo/TavloClientDatabase.h"

#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

const QString TavloClientDatabase::FileName = QStringLiteral("TavloClient.db");

namespace {

const char* const Category = "TavloClientDatabase";

QMutex& databaseMutex() {
    static QMutex mutex(QMutex::Recursive);
    return mutex;
}

} // namespace

TavloClientDatabase* TavloClientDatabase::instance() {
    QMutexLocker lock(&databaseMutex());
    static TavloClientDatabase* database = new TavloClientDatabase();
    return database;
}

TavloClientDatabase::TavloClientDatabase() {
    database_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    database_.setDatabaseName(FileName);
    if (!database_.open()) {
        qCritical("[E][%s] Open database fail.", Category);
        return;
    }
    query_ = std::make_unique<QSqlQuery>(database_);
    const struct {
        const char* statement;
        const char* failure;
    } tables[] = {
        {"CREATE TABLE IF NOT EXISTS tbRecentFiles (uuid TEXT, remotePath TEXT, nativePath TEXT, "
         "type TEXT,dateModified INTEGER,operateTime INTEGER);",
         "[E][%s] Create table tbRecentFiles fail."},
        {"CREATE TABLE IF NOT EXISTS tbThumb ( uuid TEXT, path TEXT, dateModified INTEGER,thumb "
         "BLOB);",
         "[E][%s] Create table tbThumb fail."},
        {"CREATE TABLE IF NOT EXISTS tbManualDevices (ip TEXT primary key, port INTEGER);",
         "[E][%s] Create table tbManualDevices fail."},
    };
    for (const auto& table : tables) {
        query_->finish();
        if (!query_->exec(QString::fromLatin1(table.statement)))
            qCritical(table.failure, Category);
    }
}

TavloClientDatabase::~TavloClientDatabase() = default;

bool TavloClientDatabase::isOpen() const {
    QMutexLocker lock(&databaseMutex());
    return query_ != nullptr;
}

bool TavloClientDatabase::prepare(const char* statement, const char* failure) const {
    if (!query_) {
        qCritical(failure, Category, "database is not open");
        return false;
    }
    query_->finish();
    if (query_->prepare(QString::fromLatin1(statement)))
        return true;
    logFailure(failure);
    return false;
}

bool TavloClientDatabase::execute(const char* failure) const {
    if (query_->exec())
        return true;
    logFailure(failure);
    return false;
}

void TavloClientDatabase::logFailure(const char* failure) const {
    const QByteArray error = query_->lastError().text().toUtf8();
    qCritical(failure, Category, error.constData());
}

QByteArray TavloClientDatabase::getThumb(const QString& uuid, const QString& path,
                                         qint64 dateModified) {
    QMutexLocker lock(&databaseMutex());
    const char* failure = "[E][%s] getThumb query fail: %s";
    if (!prepare("SELECT thumb  FROM tbThumb WHERE uuid=? AND path=? AND dateModified=?;", failure))
        return QByteArray();
    query_->addBindValue(uuid);
    query_->addBindValue(path);
    query_->addBindValue(dateModified);
    if (!execute(failure))
        return QByteArray();
    return query_->next() ? query_->value(0).toByteArray() : QByteArray();
}

bool TavloClientDatabase::setThumb(const QString& uuid, const QString& path, qint64 dateModified,
                                   const QByteArray& thumb) {
    QMutexLocker lock(&databaseMutex());
    const char* countFailure = "[E][%s] get thumbs count fail: %s";
    if (!prepare("SELECT COUNT(path) FROM tbThumb WHERE uuid=? AND path=?;", countFailure))
        return false;
    query_->addBindValue(uuid);
    query_->addBindValue(path);
    if (!execute(countFailure))
        return false;

    // At most one row per device and path: it holds the newest thumbnail.
    if (query_->next() && query_->value(0).toInt() != 0) {
        const char* failure = "[E][%s] update thumb fail: %s";
        if (!prepare("UPDATE tbThumb SET dateModified=?, thumb=? WHERE uuid=? AND path=?;",
                     failure))
            return false;
        query_->addBindValue(dateModified);
        query_->addBindValue(thumb);
        query_->addBindValue(uuid);
        query_->addBindValue(path);
        return execute(failure);
    }

    const char* failure = "[E][%s] insert thumb fail: %s";
    if (!prepare("INSERT INTO tbThumb VALUES (:uuid, :path, :dateModified, :thumb);", failure))
        return false;
    query_->bindValue(QStringLiteral(":uuid"), uuid);
    query_->bindValue(QStringLiteral(":path"), path);
    query_->bindValue(QStringLiteral(":dateModified"), dateModified);
    query_->bindValue(QStringLiteral(":thumb"), thumb);
    return execute(failure);
}

bool TavloClientDatabase::addRecentFileRecord(const RecentFilesContent& record) {
    QMutexLocker lock(&databaseMutex());
    const char* failure = "[E][%s] Insert recent file record fail: %s";
    if (!prepare("INSERT INTO tbRecentFiles VALUES (:uuid, :remotePath, :nativePath, :type, "
                 ":dateModified,:operateTime);",
                 failure))
        return false;
    query_->bindValue(QStringLiteral(":uuid"), record.uuid);
    query_->bindValue(QStringLiteral(":remotePath"), record.remotePath);
    query_->bindValue(QStringLiteral(":nativePath"), record.nativePath);
    query_->bindValue(QStringLiteral(":dateModified"), record.dateModified);
    query_->bindValue(QStringLiteral(":operateTime"), record.operateTime);
    query_->bindValue(QStringLiteral(":type"), record.type);
    return execute(failure);
}

bool TavloClientDatabase::deleteRecentFileRecord(qint64 rowid) {
    QMutexLocker lock(&databaseMutex());
    const char* failure = "[E][%s] Delete recent file record fail: %s";
    if (!prepare("DELETE FROM tbRecentFiles WHERE rowid = :rowid", failure))
        return false;
    query_->bindValue(QStringLiteral(":rowid"), rowid);
    return execute(failure);
}

bool TavloClientDatabase::clearRecentFileRecord(const QString& uuid) {
    QMutexLocker lock(&databaseMutex());
    const char* failure = "[E][%s] Clear recent files recored fail: %s";
    if (!prepare("DELETE FROM tbRecentFiles WHERE uuid = :uuid;", failure))
        return false;
    query_->bindValue(QStringLiteral(":uuid"), uuid);
    return execute(failure);
}

QList<RecentFilesContent> TavloClientDatabase::getRecentFiles(const QString& uuid) {
    QMutexLocker lock(&databaseMutex());
    QList<RecentFilesContent> records;
    const char* failure = "[E][%s] Get recent files fail: %s";
    if (!prepare("SELECT rowid, remotePath, nativePath, type, dateModified, operateTime FROM "
                 "tbRecentFiles WHERE uuid = :uuid ORDER BY operateTime DESC;",
                 failure))
        return records;
    query_->bindValue(QStringLiteral(":uuid"), uuid);
    if (!execute(failure))
        return records;
    while (query_->next()) {
        RecentFilesContent record;
        record.rowid = query_->value(0).toInt();
        record.remotePath = query_->value(1).toString();
        record.nativePath = query_->value(2).toString();
        record.type = query_->value(3).toString();
        record.dateModified = query_->value(4).toLongLong();
        record.operateTime = query_->value(5).toLongLong();
        record.uuid = uuid;
        records.append(record);
    }
    return records;
}

bool TavloClientDatabase::addManualDevice(const ServerContent& server) {
    QMutexLocker lock(&databaseMutex());
    const char* failure = "[E][%s] addManualDevice insert fail: %s";
    if (!prepare("INSERT INTO tbManualDevices VALUES (:ip, :port);", failure))
        return false;
    query_->bindValue(QStringLiteral(":ip"), server.address.toString());
    query_->bindValue(QStringLiteral(":port"), server.port);
    return execute(failure);
}

bool TavloClientDatabase::removeManualDevice(const ServerContent& server) {
    QMutexLocker lock(&databaseMutex());
    const char* failure = "[E][%s] removeManualDevice remove fail: %s";
    if (!prepare("DELETE FROM tbManualDevices WHERE ip = :ip AND port = :port;", failure))
        return false;
    query_->bindValue(QStringLiteral(":ip"), server.address.toString());
    query_->bindValue(QStringLiteral(":port"), server.port);
    return execute(failure);
}

bool TavloClientDatabase::clearManualDevice() {
    QMutexLocker lock(&databaseMutex());
    const char* failure = "[E][%s] clearManualDevice clear fail: %s";
    if (!prepare("DELETE FROM tbManualDevices WHERE 1;", failure))
        return false;
    return execute(failure);
}

QList<ServerContent> TavloClientDatabase::getManualDevices() const {
    QMutexLocker lock(&databaseMutex());
    QList<ServerContent> devices;
    const char* failure = "[E][%s] getManualDevices query db fail: %s";
    if (!prepare("SELECT ip, port FROM tbManualDevices WHERE 1;", failure))
        return devices;
    if (!execute(failure))
        return devices;
    while (query_->next()) {
        ServerContent device;
        device.address = QHostAddress(query_->value(0).toString());
        device.port = query_->value(1).toInt();
        devices.append(device);
    }
    return devices;
}
