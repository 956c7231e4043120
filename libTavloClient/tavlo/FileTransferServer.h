#pragma once

#include "utils/ProgressContent.h"
#include "utils/ServerContent.h"
#include "utils/TransferStage.h"

#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <atomic>

class FileUploadTask;

// The upload service: runs uploads one after another (a pool of one thread)
// and carries their signals to the GUI thread.
class FileTransferServer : public QObject {
    Q_OBJECT
public:
    static FileTransferServer* instance();

    // One upload per path, in list order; secure as the setting says.
    QList<int> uploadFiles(const QStringList& paths, const ServerContent& server);
    QList<int> uploadFiles(const QStringList& paths, const ServerContent& server, bool secure);
    int uploadFile(const QString& path, const ServerContent& server);
    // Starts a prepared task; returns its transfer id.
    int start(FileUploadTask* task);

    bool waitForDone(int msecs = -1) { return pool_.waitForDone(msecs); }

    // Drops the uploads not started yet and asks the running one to give up
    // at its next step, then waits for it. Each dropped or stopped upload
    // still sends its final (failed) report.
    void stopAll();
    bool isStopping() const { return stopping_.load(); }

signals:
    void uploadProgress(ProgressContent content);
    void updateRecentFileList();
    // What an upload is doing while its percentage stands still.
    void uploadStage(TransferStage stage);

private:
    FileTransferServer();
    QThreadPool pool_;
    std::atomic<bool> stopping_{false};
};
