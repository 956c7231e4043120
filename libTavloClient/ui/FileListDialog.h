#pragma once

#include "tavlo/TransferTimings.h"
#include "utils/FileContent.h"
#include "utils/ProgressContent.h"
#include "utils/ServerContent.h"
#include "utils/StopToken.h"
#include "utils/TransferFailure.h"

#include <QDialog>
#include <QModelIndex>
#include <QThreadPool>

#include <memory>

class FileListView;
class FileTreeModel;
class QTimer;

namespace Ui {
class FileListDialog;
}

// The file browser of one device: one folder at a time, walked into by
// double-click and left with "上一层", sorted by the device, with downloads
// into the download folder, open and delete on the device, and thumbnails of
// pictures. The network work runs on the dialog's pools.
class FileListDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int ThumbThreads = 4;

    explicit FileListDialog(const ServerContent& server, QWidget* parent = nullptr);
    ~FileListDialog() override;

    const ServerContent& server() const { return server_; }
    QString currentPath() const { return currentPath_; }
    QString fileOrder() const { return order_; }
    FileTreeModel* model() const { return model_; }
    FileListView* view() const;
    // Time-outs of the requests this dialog starts (tests shorten them).
    void setTimings(const TransferTimings& timings) { timings_ = timings; }

    // Takes the page out of use without making anyone wait: queued listings
    // and thumbnails are dropped, downloads go on, and the dialog deletes
    // itself once nothing of it runs any more.
    void retire();

public slots:
    // A page in the window's tabs is no dialog: Escape does not hide it.
    void reject() override;

signals:
    void updateDownloadProgress(ProgressContent content);
    // A download finished and is in the history.
    void updateRecentFileList();

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void findFileEnd(QList<FileContent> fileList);
    void findFile(QString fileName);
    void uperDir();
    void downloadFile(QString fileName, qlonglong dateModified);
    void openFile(QString fileName);
    void deleteFile(QString fileName);
    void deleteFileEnd(bool result);
    void updateProgress(ProgressContent content);
    void startGetThumb(QString fileName, qlonglong dateModified, QModelIndex index);
    void getThumbResult(bool result, QByteArray thumb, QModelIndex index);
    void setFileOrder(QString order);

private:
    // Lists `path`; the folder shown becomes it once its listing arrives.
    void listPath(const QString& path);
    void listingFailed(const TransferFailure& failure);
    QString remotePathOf(const QString& fileName) const;
    QThreadPool* thumbPool();
    bool isIdle() const;

    std::unique_ptr<Ui::FileListDialog> ui_;
    ServerContent server_;
    QString currentPath_;
    QString requestedPath_;
    QString order_;
    // Counts the listings; only the newest one's result is shown.
    int listing_ = 0;
    bool listedOnce_ = false;
    FileTreeModel* model_;
    // Listing, open and delete requests, one after another.
    QThreadPool pool_;
    // Downloads, one after another, apart from the listings so that browsing
    // goes on while a large file arrives.
    QThreadPool downloadPool_;
    std::unique_ptr<QThreadPool> thumbPool_;
    StopToken downloadsStop_;
    TransferTimings timings_ = TransferTimings::forRequest();
    QTimer* retireTimer_ = nullptr;
};
