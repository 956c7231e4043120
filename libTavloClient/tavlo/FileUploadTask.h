#pragma once

#include "tavlo/TransferTimings.h"
#include "utils/ProgressContent.h"
#include "utils/ServerContent.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QRunnable>

class QFile;
class RequestChannel;

// Sends one local file to a device's normal or secure storage: negotiates
// over UDP, streams over TCP with resume, waits for the device to confirm the
// MD5, reports progress and, when confirmed, adds a history row. Its
// destructor sends the one final report (percent 101 or -1).
class FileUploadTask : public QRunnable {
public:
    FileUploadTask(const QString& localPath, const ServerContent& server, bool secure);
    // Secure or not as the "SecureMode" setting says now.
    FileUploadTask(const QString& localPath, const ServerContent& server);
    ~FileUploadTask() override;

    void run() override;
    QString uploadFileViaTcp(QFile& file, QHostAddress& address, int port, bool resume);

    void setTimings(const TransferTimings& timings) { timings_ = timings; }
    int transferId() const { return transferId_; }
    QString remotePath() const { return remotePath_; }
    TransferFailure failure() const { return failure_; }
    QString errorText() const { return failure_.text(); }

    static QString remotePathFor(const QString& fileName, bool secure);

private:
    bool transfer(QFile& file, int tcpPort, QString& md5);
    void awaitConfirmation(RequestChannel& channel, const QString& md5);
    void reportProgress(qint64 sent);
    void reportStage(int step, int waitMs, int poll = 0, int polls = 0);
    // True (with the reason kept) when the upload service is shutting down.
    bool stopRequested();
    // Logs `logLine` and keeps `failure` for the final report.
    void fail(const QString& logLine, const TransferFailure& failure);

    QString localPath_;
    QString remotePath_;
    int sessionId_ = -1;
    ServerContent server_;
    int lastPercent_ = 0;
    qint64 sent_ = 0;
    qint64 total_ = 0;
    TransferFailure failure_;
    int transferId_;
    bool secure_;
    ProgressContent progress_;
    TransferTimings timings_ = TransferTimings::forUpload();
    // The MD5 of the first hashedBytes_ bytes of the file, carried from one
    // attempt to the next: a resume sends again what the device lost, which
    // is hashed already.
    QCryptographicHash hash_{QCryptographicHash::Md5};
    qint64 hashedBytes_ = 0;
};
