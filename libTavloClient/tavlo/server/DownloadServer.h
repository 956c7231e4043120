#pragma once

#include "utils/ProgressContent.h"
#include "utils/ServerContent.h"
#include "utils/StopToken.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QObject>
#include <QRunnable>

#include <memory>

class QFile;
class QTcpServer;
class QTcpSocket;

// Serves one granted download session to the peer that asked for it: a TCP
// port of its own, the file in 4096-byte chunks, up to eleven connections
// (the first and ten resumes, each resume starting where the peer says).
// When the whole file went out it stores the file's MD5 as the session's
// state for the peer's "query_result". Its destructor sends the final
// progress record and, on success, writes the history row.
class DownloadServer : public QObject, public QRunnable {
    Q_OBJECT
public:
    static constexpr int ChunkSize = 4096;
    static constexpr int MaxConnections = 11;

    struct Timings {
        int connectionWaitMs = 30000; // for each connection
        int offsetWaitMs = 5000;      // for a resume offset
        int writeWaitMs = 5000;       // for each chunk to leave
    };

    DownloadServer(const QString& filePath, quint16 port, quint32 sessionId,
                   const ServerContent& device, QObject* parent = nullptr);
    ~DownloadServer() override;

    void run() override;

    // Listens on the session's port now, so that the peer, told the port a
    // moment later, never finds it closed. run() listens itself otherwise.
    bool listen();

    void setTimings(const Timings& timings) { timings_ = timings; }
    // Only connections from this address are served; any other is closed at
    // once and does not count as an attempt.
    void setPeerAddress(const QHostAddress& address) { peer_ = address; }
    void setStopToken(const StopToken& token) { stop_ = token; }

    int transferId() const { return transferId_; }
    int percent() const { return percent_; }
    QString errorText() const { return errorText_; }

signals:
    void uploadProgress(ProgressContent content);
    void updateRecentFileList();

private:
    // A connection from the granted peer, or null after the wait.
    QTcpSocket* nextConnection(QTcpServer& server);
    bool readResumeOffset(QTcpSocket& socket, qint64 size, qint64& offset);
    // Sends from `offset` to the end; true when the last byte went out.
    bool sendFrom(QTcpSocket& socket, QFile& file, qint64 offset);
    // Keeps the MD5 of the file as served: bytes sent again after a resume
    // are hashed once, bytes a resume skips are read from the file.
    bool hashChunk(const char* chunk, qint64 chunkStart, qint64 chunkSize);
    void fail(const QString& text, const TransferFailure& failure);
    void report(int percent);

    QString filePath_;
    quint16 port_;
    quint32 sessionId_;
    ServerContent device_;
    QHostAddress peer_;
    bool started_ = false; // a server that never ran reports nothing
    int percent_ = 0;
    int transferId_;
    QString errorText_;
    TransferFailure failure_;
    Timings timings_;
    StopToken stop_;
    std::unique_ptr<QTcpServer> server_;
    QCryptographicHash hash_{QCryptographicHash::Md5};
    qint64 hashedUpTo_ = 0;
};
