#include "ui/FileListDialog.h"

#include "tavlo/FileDelete.h"
#include "tavlo/FileDownloader.h"
#include "tavlo/FileFinder.h"
#include "tavlo/FileOpen.h"
#include "tavlo/FileThumb.h"
#include "tavlo/ThumbnailImage.h"
#include "ui/DeviceFileActions.h"
#include "ui/FailureText.h"
#include "ui/FileListView.h"
#include "ui/FileTreeModel.h"
#include "ui/MainWindow.h"
#include "ui_FileListDialog.h"
#include "utils/Config.h"
#include "utils/MetaTypes.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTimer>

FileListDialog::FileListDialog(const ServerContent& server, QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::FileListDialog>())
    , server_(server)
    , order_(Protocol::FILE_NAME_INCREASE)
    , model_(new FileTreeModel(this)) {
    MetaTypes::registerAll();
    ui_->setupUi(this);
    pool_.setMaxThreadCount(1);
    downloadPool_.setMaxThreadCount(1);
    ui_->FileTreeView->setModel(model_);
    ui_->FileTreeView->setPlaceholderText(tr("正在读取文件列表..."));

    connect(ui_->UperDirButton, &QPushButton::clicked, this, &FileListDialog::uperDir);
    FileListView* view = ui_->FileTreeView;
    connect(view, &FileListView::findFile, this, &FileListDialog::findFile);
    connect(view, &FileListView::downloadFile, this, &FileListDialog::downloadFile);
    connect(view, &FileListView::openFile, this, &FileListDialog::openFile);
    connect(view, &FileListView::deleteFile, this, &FileListDialog::deleteFile);
    connect(view, &FileListView::orderFile, this, &FileListDialog::setFileOrder);
    connect(model_, &FileTreeModel::startGetThumb, this, &FileListDialog::startGetThumb);
}

FileListDialog::~FileListDialog() {
    // Nothing may report to a dialog that is gone: queued work is dropped,
    // downloads stop at their next step, running requests end within their
    // time-out.
    downloadsStop_.requestStop();
    pool_.clear();
    downloadPool_.clear();
    if (thumbPool_)
        thumbPool_->clear();
    pool_.waitForDone();
    downloadPool_.waitForDone();
    if (thumbPool_)
        thumbPool_->waitForDone();
}

FileListView* FileListDialog::view() const {
    return ui_->FileTreeView;
}

void FileListDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The device's top level is listed when the page is first seen.
    if (!listedOnce_) {
        listedOnce_ = true;
        findFile(QString());
    }
}

QString FileListDialog::remotePathOf(const QString& fileName) const {
    return currentPath_ + QLatin1Char('/') + fileName;
}

QThreadPool* FileListDialog::thumbPool() {
    if (!thumbPool_) {
        thumbPool_ = std::make_unique<QThreadPool>();
        thumbPool_->setMaxThreadCount(ThumbThreads);
    }
    return thumbPool_.get();
}

void FileListDialog::findFile(QString fileName) {
    listPath(fileName.isEmpty() ? currentPath_ : remotePathOf(fileName));
}

void FileListDialog::listPath(const QString& wanted) {
    listedOnce_ = true;
    requestedPath_ = wanted;
    // A newer listing replaces one still running: only its result counts,
    // so the folder shown always matches the path line.
    const int listing = ++listing_;
    const QString path = requestedPath_;
    auto* finder = new FileFinder(path, order_, server_);
    finder->setTimings(timings_);
    connect(finder, &FileFinder::findFileEnd, this, [this, listing, path](QList<FileContent> list) {
        if (listing != listing_)
            return;
        requestedPath_ = path;
        findFileEnd(list);
    });
    connect(finder, &FileFinder::findFileFailed, this, [this, listing](TransferFailure failure) {
        if (listing == listing_)
            listingFailed(failure);
    });
    pool_.start(finder);
}

void FileListDialog::findFileEnd(QList<FileContent> fileList) {
    currentPath_ = requestedPath_;
    model_->setFiles(fileList);
    // Thumbnails still waiting belong to the rows just replaced.
    if (thumbPool_)
        thumbPool_->clear();
    ui_->FilePathEdit->setText(currentPath_);
    ui_->FileTreeView->setPlaceholderText(tr("此文件夹是空的."));
    ui_->FileTreeView->listingShown();
}

void FileListDialog::listingFailed(const TransferFailure& failure) {
    const QString text = tr("无法读取文件列表: %1").arg(FailureText::of(failure));
    ui_->FileTreeView->setPlaceholderText(text);
    if (MainWindow* window = MainWindow::instance())
        window->notify(text);
}

void FileListDialog::uperDir() {
    // The folder shown changes only when its parent's listing arrives; a
    // failed listing leaves the path line and the rows as they were.
    QString parent = currentPath_;
    if (parent != QLatin1String("/"))
        parent = parent.left(parent.lastIndexOf(QLatin1Char('/')));
    listPath(parent);
}

void FileListDialog::setFileOrder(QString order) {
    order_ = order;
    findFile(QString());
}

void FileListDialog::downloadFile(QString fileName, qlonglong dateModified) {
    // The device names the file; only its last part names the local copy,
    // so a name with folders in it cannot write outside the download folder.
    const QString localName = QFileInfo(fileName).fileName();
    if (localName.isEmpty() || localName == QLatin1String(".") ||
        localName == QLatin1String("..")) {
        qWarning("[W][%s] Refused to download a file named \"%s\".", "FileListDialog",
                 qPrintable(fileName));
        return;
    }
    const QString folder = Config::instance()->value(Config::DownloadPath).toString();
    QDir().mkpath(folder);
    const QString localPath = QDir::cleanPath(folder + QLatin1Char('/') + localName);
    auto* downloader = new FileDownloader(remotePathOf(fileName), localPath, server_, dateModified);
    downloader->setTimings(timings_);
    downloader->setStopToken(downloadsStop_);
    connect(downloader, &FileDownloader::updateProgress, this, &FileListDialog::updateProgress);
    connect(downloader, &FileDownloader::updateRecentFileList, this,
            &FileListDialog::updateRecentFileList);
    downloadPool_.start(downloader);
}

void FileListDialog::updateProgress(ProgressContent content) {
    emit updateDownloadProgress(content);
}

void FileListDialog::openFile(QString fileName) {
    FileOpen* task = DeviceFileActions::openRequest(remotePathOf(fileName), server_);
    task->setTimings(timings_);
    pool_.start(task);
}

void FileListDialog::deleteFile(QString fileName) {
    FileDelete* task = DeviceFileActions::deleteRequest(remotePathOf(fileName), server_);
    task->setTimings(timings_);
    connect(task, &FileDelete::deleteFileEnd, this, &FileListDialog::deleteFileEnd);
    pool_.start(task);
}

void FileListDialog::deleteFileEnd(bool result) {
    if (result)
        findFile(QString());
}

void FileListDialog::startGetThumb(QString fileName, qlonglong dateModified, QModelIndex index) {
    auto* task = new FileThumb(remotePathOf(fileName), server_, dateModified, index);
    task->setTimings(timings_);
    connect(task, &FileThumb::getThumbEnd, this, &FileListDialog::getThumbResult);
    thumbPool()->start(task);
}

void FileListDialog::getThumbResult(bool result, QByteArray thumb, QModelIndex index) {
    model_->getThumbResult(result, ThumbnailImage::decode(thumb), index);
}

bool FileListDialog::isIdle() const {
    return pool_.activeThreadCount() == 0 && downloadPool_.activeThreadCount() == 0 &&
           (!thumbPool_ || thumbPool_->activeThreadCount() == 0);
}

void FileListDialog::retire() {
    ++listing_;
    hide();
    pool_.clear();
    if (thumbPool_)
        thumbPool_->clear();
    if (retireTimer_)
        return;
    // The pools report no end of their work; look now and then.
    retireTimer_ = new QTimer(this);
    retireTimer_->setInterval(200);
    connect(retireTimer_, &QTimer::timeout, this, [this] {
        if (isIdle())
            deleteLater();
    });
    retireTimer_->start();
    if (isIdle())
        deleteLater();
}

void FileListDialog::reject() {
    if (isWindow())
        QDialog::reject();
}
