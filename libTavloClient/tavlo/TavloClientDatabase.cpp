#include "tavlo/TavloClientDatabase.h"

#include "utils/DataLocations.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QMutex>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThreadStorage>
#include <QVariant>

#include <memory>

const QString TavloClientDatabase::FileName = QStringLiteral("TavloClient.db");

namespace {

const char* const Category = "TavloClientDatabase";

QMutex& databaseMutex() {
    static QMutex mutex(QMutex::Recursive);
    return mutex;
}

// One thread's connection; removed again in that thread when it ends.
class ThreadConnection {
public:
    ThreadConnection() {
        static QAtomicInt counter;
        name_ = QStringLiteral("TavloClientDatabase-%1").arg(counter.fetchAndAddOrdered(1));
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        database.setDatabaseName(DataLocations::databaseFile());
        if (database.open())
            query_ = std::make_unique<QSqlQuery>(database);
    }
    ~ThreadConnection() {
        // A pool thread that ends while the process tears down, after the
        // application object is gone, finds Qt's SQL machinery half
        // destroyed: its connection is left to the end of the process.
        if (!QCoreApplication::instance()) {
            (void)query_.release();
            return;
        }
        query_.reset();
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    QSqlQuery* query() const { return query_.get(); }

private:
    QString name_;
    std::unique_ptr<QSqlQuery> query_;
};

QThreadStorage<ThreadConnection*>& connections() {
    static QThreadStorage<ThreadConnection*> storage;
    return storage;
}

} // namespace

// Ends this thread's statement when an operation returns: a read left open
// would hold SQLite's shared lock, and another thread's connection could
// then not write until the busy time-out.
class TavloClientDatabase::StatementScope {
public:
    explicit StatementScope(const TavloClientDatabase* database)
        : database_(database) {}
    ~StatementScope() {
        if (database_->opened_)
            if (QSqlQuery* statement = database_->query())
                statement->finish();
    }

private:
    const TavloClientDatabase* database_;
};

TavloClientDatabase* TavloClientDatabase::instance() {
    QMutexLocker lock(&databaseMutex());
    static TavloClientDatabase* database = new TavloClientDatabase();
    return database;
}

TavloClientDatabase::TavloClientDatabase() {
    QSqlQuery* statement = query();
    if (!statement) {
        qCritical("[E][%s] Open database fail.", Category);
        return;
    }
    opened_ = true;
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
        statement->finish();
        if (!statement->exec(QString::fromLatin1(table.statement)))
            qCritical(table.failure, Category);
    }
}

TavloClientDatabase::~TavloClientDatabase() = default;

bool TavloClientDatabase::isOpen() const {
    QMutexLocker lock(&databaseMutex());
    return opened_;
}

QSqlQuery* TavloClientDatabase::query() const {
    if (!connections().hasLocalData())
        connections().setLocalData(new ThreadConnection);
    return connections().localData()->query();
}

bool TavloClientDatabase::prepare(const char* statement, const char* failure) const {
    if (!opened_ || !query()) {
        qCritical(failure, Category, "database is not open");
        return false;
    }
    query()->finish();
    if (query()->prepare(QString::fromLatin1(statement)))
        return true;
    logFailure(failure);
    return false;
}

bool TavloClientDatabase::execute(const char* failure) const {
    if (query()->exec())
        return true;
    logFailure(failure);
    return false;
}

void TavloClientDatabase::logFailure(const char* failure) const {
    const QByteArray error = query()->lastError().text().toUtf8();
    qCritical(failure, Category, error.constData());
}

QByteArray TavloClientDatabase::getThumb(const QString& uuid, const QString& path,
                                         qint64 dateModified) {
    QMutexLocker lock(&databaseMutex());
    const StatementScope scope(this);
    const char* failure = "[E][%s] getThumb query fail: %s";
    if (!prepare("SELECT thumb  FROM tbThumb WHERE uuid=? AND path=? AND dateModified=?;", failure))
        return QByteArray();
    query()->addBindValue(uuid);
    query()->addBindValue(path);
    query()->addBindValue(dateModified);
    if (!execute(failure))
        return QByteArray();
    return query()->next() ? query()->value(0).toByteArray() : QByteArray();
}

bool TavloClientDatabase::setThumb(const QString& uuid, const QString& path, qint64 dateModified,
                                   const QByteArray& thumb) {
    QMutexLocker lock(&databaseMutex());
    const StatementScope scope(this);
    const char* countFailure = "[E][%s] get thumbs count fail: %s";
    if (!prepare("SELECT COUNT(path) FROM tbThumb WHERE uuid=? AND path=?;", countFailure))
        return false;
    query()->addBindValue(uuid);
    query()->addBindValue(path);
    if (!execute(countFailure))
        return false;

    // At most one row per device and path: it holds the newest thumbnail.
    if (query()->next() && query()->value(0).toInt() != 0) {
        const char* failure = "[E][%s] update thumb fail: %s";
        if (!prepare("UPDATE tbThumb SET dateModified=?, thumb=? WHERE uuid=? AND path=?;",
                     failure))
            return false;
        query()->addBindValue(dateModified);
        query()->addBindValue(thumb);
        query()->addBindValue(uuid);
        query()->addBindValue(path);
        return execute(failure);
    }

    const char* failure = "[E][%s] insert thumb fail: %s";
    if (!prepare("INSERT INTO tbThumb VALUES (:uuid, :path, :dateModified, :thumb);", failure))
        return false;
    query()->bindValue(QStringLiteral(":uuid"), uuid);
    query()->bindValue(QStringLiteral(":path"), path);
    query()->bindValue(QStringLiteral(":dateModified"), dateModified);
    query()->bindValue(QStringLiteral(":thumb"), thumb);
    return execute(failure);
}

bool TavloClientDatabase::addRecentFileRecord(const RecentFilesContent& record) {
    QMutexLocker lock(&databaseMutex());
    const StatementScope scope(this);
    const char* failure = "[E][%s] Insert recent file record fail: %s";
    if (!prepare("INSERT INTO tbRecentFiles VALUES (:uuid, :remotePath, :nativePath, :type, "
                 ":dateModified,:operateTime);",
                 failure))
        return false;
    query()->bindValue(QStringLiteral(":uuid"), record.uuid);
    query()->bindValue(QStringLiteral(":remotePath"), record.remotePath);
    query()->bindValue(QStringLiteral(":nativePath"), record.nativePath);
    query()->bindValue(QStringLiteral(":dateModified"), record.dateModified);
    query()->bindValue(QStringLiteral(":operateTime"), record.operateTime);
    query()->bindValue(QStringLiteral(":type"), record.type);
    return execute(failure);
}

bool TavloClientDatabase::deleteRecentFileRecord(qint64 rowid) {
    QMutexLocker lock(&databaseMutex());
    const StatementScope scope(this);
    const char* failure = "[E][%s] Delete recent file record fail: %s";
    if (!prepare("DELETE FROM tbRecentFiles WHERE rowid = :rowid", failure))
        return false;
    query()->bindValue(QStringLiteral(":rowid"), rowid);
    return execute(failure);
}

bool TavloClientDatabase::clearRecentFileRecord(const QString& uuid) {
    QMutexLocker lock(&databaseMutex());
    const StatementScope scope(this);
    const char* failure = "[E][%s] Clear recent files recored fail: %s";
    if (!prepare("DELETE FROM tbRecentFiles WHERE uuid = :uuid;", failure))
        return false;
    query()->bindValue(QStringLiteral(":uuid"), uuid);
    return execute(failure);
}

QList<RecentFilesContent> TavloClientDatabase::getRecentFiles(const QString& uuid) {
    QMutexLocker lock(&databaseMutex());
    const StatementScope scope(this);
    QList<RecentFilesContent> records;
    const char* failure = "[E][%s] Get recent files fail: %s";
    if (!prepare("SELECT rowid, remotePath, nativePath, type, dateModified, operateTime FROM "
                 "tbRecentFiles WHERE uuid = :uuid ORDER BY operateTime DESC;",
                 failure))
        return records;
    query()->bindValue(QStringLiteral(":uuid"), uuid);
    if (!execute(failure))
        return records;
    while (query()->next()) {
        RecentFilesContent record;
        record.rowid = query()->value(0).toInt();
        record.remotePath = query()->value(1).toString();
        record.nativePath = query()->value(2).toString();
        record.type = query()->value(3).toString();
        record.dateModified = query()->value(4).toLongLong();
        record.operateTime = query()->value(5).toLongLong();
        record.uuid = uuid;
        records.append(record);
    }
    return records;
}

bool TavloClientDatabase::addManualDevice(const ServerContent& server) {
    QMutexLocker lock(&databaseMutex());
    const StatementScope scope(this);
    const char* failure = "[E][%s] addManualDevice insert fail: %s";
    if (!prepare("INSERT INTO tbManualDevices VALUES (:ip, :port);", failure))
        return false;
    query()->bindValue(QStringLiteral(":ip"), server.address.toString());
    query()->bindValue(QStringLiteral(":port"), server.port);
    return execute(failure);
}

bool TavloClientDatabase::removeManualDevice(const ServerContent& server) {
    QMutexLocker lock(&databaseMutex());
    const StatementScope scope(this);
    const char* failure = "[E][%s] removeManualDevice remove fail: %s";
    if (!prepare("DELETE FROM tbManualDevices WHERE ip = :ip AND port = :port;", failure))
        return false;
    query()->bindValue(QStringLiteral(":ip"), server.address.toString());
    query()->bindValue(QStringLiteral(":port"), server.port);
    return execute(failure);
}

bool TavloClientDatabase::clearManualDevice() {
    QMutexLocker lock(&databaseMutex());
    const StatementScope scope(this);
    const char* failure = "[E][%s] clearManualDevice clear fail: %s";
    if (!prepare("DELETE FROM tbManualDevices WHERE 1;", failure))
        return false;
    return execute(failure);
}

QList<ServerContent> TavloClientDatabase::getManualDevices() const {
    QMutexLocker lock(&databaseMutex());
    const StatementScope scope(this);
    QList<ServerContent> devices;
    const char* failure = "[E][%s] getManualDevices query db fail: %s";
    if (!prepare("SELECT ip, port FROM tbManualDevices WHERE 1;", failure))
        return devices;
    if (!execute(failure))
        return devices;
    while (query()->next()) {
        ServerContent device;
        device.address = QHostAddress(query()->value(0).toString());
        device.port = query()->value(1).toInt();
        devices.append(device);
    }
    return devices;
}
