#pragma once

#include "tavlo/TransferTimings.h"
#include "utils/FileContent.h"
#include "utils/ServerContent.h"
#include "utils/TransferFailure.h"

#include <QObject>
#include <QRunnable>

// Lists one remote directory in an order the device applies. Long listings
// arrive over several datagrams; the last one says `finished`. At the top
// level only the device's public folders are kept.
class FileFinder : public QObject, public QRunnable {
    Q_OBJECT
public:
    static const QStringList& topLevelFolders(); // Tavlo, Pictures, Whiteboard
    // A device that never says `finished` cannot keep a listing growing
    // without end: it stops at this many entries or datagrams.
    static constexpr int MaxEntries = 100000;
    static constexpr int MaxDatagrams = 10000;

    enum class Chunk { More, Finished, Refused };
    // One reply datagram of a listing: its entries are appended (up to
    // MaxEntries in all); Refused for a "fail" result, Finished when it is
    // the last one.
    static Chunk readReply(const QVariantMap& reply, QList<FileContent>& entries);
    // At the top level only the public folders are shown, in received order.
    static QList<FileContent> topLevelOnly(const QList<FileContent>& entries);

    FileFinder(const QString& dirPath, const QString& order, const ServerContent& server,
               QObject* parent = nullptr);
    void run() override;

    void setTimings(const TransferTimings& timings) { timings_ = timings; }
    bool succeeded() const { return succeeded_; }
    TransferFailure failure() const { return failure_; }
    QString errorText() const { return failure_.text(); }
    int datagramsReceived() const { return datagrams_; }

signals:
    void findFileEnd(QList<FileContent> fileList);
    // The listing failed: nothing usable came (no answer, a refusal, a reply
    // that does not parse). After a listing nobody answered, the empty
    // `findFileEnd` comes first.
    void findFileFailed(TransferFailure failure);

private:
    // False when the listing failed without a list to show.
    bool collect(QList<FileContent>& entries);

    QString dirPath_;
    QString order_;
    ServerContent server_;
    TransferTimings timings_ = TransferTimings::forRequest();
    bool succeeded_ = false;
    TransferFailure failure_;
    int datagrams_ = 0;
};
