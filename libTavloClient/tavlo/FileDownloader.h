#pragma once

#include "tavlo/TransferTimings.h"
#include "utils/ProgressContent.h"
#include "utils/ServerContent.h"
#include "utils/StopToken.h"
#include "utils/TransferStage.h"

#include <QCryptographicHash>
#include <QObject>
#include <QRunnable>

class QFile;
class QHostAddress;
class RequestChannel;

// Copies one file from a device: asks over UDP, receives over TCP with
// resume, asks the device to confirm the MD5, reports progress and adds a
// history row. The destructor sends the one final report.
class FileDownloader : public QObject, public QRunnable {
    Q_OBJECT
public:
    FileDownloader(const QString& remotePath, const QString& localPath, const ServerContent& server,
                   qint64 dateModified, QObject* parent = nullptr);
    ~FileDownloader() override;

    void run() override;
    QString downloadFileViaTcp(QFile& file, const QHostAddress& address, int port, qint64 size,
                               bool resume);

    void setTimings(const TransferTimings& timings) { timings_ = timings; }
    // Asking this token to stop ends the download at its next step, as a
    // failure (Cancelled); the partial file stays under its temporary name.
    // So does the partial file of a broken connection; a local write
    // failure (a full disk) removes it, and a download that received
    // nothing leaves no file at all.
    void setStopToken(const StopToken& token) { stop_ = token; }
    int transferId() const { return transferId_; }
    bool isSuccess() const { return success_; }
    TransferFailure failure() const { return failure_; }
    QString errorText() const { return failure_.text(); }

    // Where the bytes go until the whole file has arrived: beside the
    // target, so that the final rename stays on one file system.
    static QString partialPathFor(const QString& localPath);

signals:
    void updateProgress(ProgressContent content);
    void updateRecentFileList();
    // What the download is doing while its percentage stands still.
    void stageChanged(TransferStage stage);

private:
    void reportProgress(qint64 received);
    void reportStage(int step, int waitMs, int poll = 0, int polls = 0);
    // Logs `logLine` and keeps `failure` for the final report.
    void fail(const QString& logLine, const TransferFailure& failure);
    // Asks the device for the file; true with the session, port and size
    // of its grant.
    bool requestFile(RequestChannel& channel);
    // Puts the complete file in place of the target.
    bool replaceTarget(const QString& partialPath);

    QString remotePath_;
    QString localPath_;
    ServerContent server_;
    qint64 sessionId_ = 0;
    quint16 port_ = 0;
    int lastPercent_ = 0;
    qint64 received_ = 0;
    qint64 total_ = 0;
    TransferFailure failure_;
    bool success_ = false;
    qint64 dateModified_;
    int transferId_;
    ProgressContent progress_;
    TransferTimings timings_ = TransferTimings::forRequest();
    StopToken stop_;
    // The MD5 of the first hashedBytes_ bytes of the file, carried from one
    // attempt to the next.
    QCryptographicHash hash_{QCryptographicHash::Md5};
    qint64 hashedBytes_ = 0;
};
