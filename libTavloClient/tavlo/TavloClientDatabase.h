#pragma once

#include "utils/RecentFilesContent.h"
#include "utils/ServerContent.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class QSqlQuery;

// The client's SQLite file "TavloClient.db" in the data directory: the
// transfer history, the thumbnail cache and the devices added by hand. Every
// operation is synchronous and serialised by one process-wide lock, so the
// GUI thread and workers use it alike. A connection may only be used by the
// thread that opened it, so each thread gets its own connection to the file,
// opened on its first statement and closed when the thread ends. After a
// failed first open every operation fails cleanly.
class TavloClientDatabase : public QObject {
    Q_OBJECT
public:
    static const QString FileName;

    static TavloClientDatabase* instance();
    ~TavloClientDatabase() override;

    bool isOpen() const;

    QByteArray getThumb(const QString& uuid, const QString& path, qint64 dateModified);
    bool setThumb(const QString& uuid, const QString& path, qint64 dateModified,
                  const QByteArray& thumb);

    bool addRecentFileRecord(const RecentFilesContent& record);
    bool deleteRecentFileRecord(qint64 rowid);
    bool clearRecentFileRecord(const QString& uuid);
    QList<RecentFilesContent> getRecentFiles(const QString& uuid);

    bool addManualDevice(const ServerContent& server);
    bool removeManualDevice(const ServerContent& server);
    bool clearManualDevice();
    QList<ServerContent> getManualDevices() const;

private:
    TavloClientDatabase();
    // Finishes the previous statement and prepares `statement`; false (with
    // the log line `failure`) when the database never opened.
    bool prepare(const char* statement, const char* failure) const;
    // This thread's statement, opening its connection on first use; null
    // when the database cannot be opened.
    QSqlQuery* query() const;
    bool execute(const char* failure) const;
    void logFailure(const char* failure) const;

    class StatementScope;
    bool opened_ = false;
};
