#include "ui/RecentFilesDialog.h"

#include "tavlo/FileDelete.h"
#include "tavlo/FileOpen.h"
#include "tavlo/FileThumb.h"
#include "tavlo/GetRecentFiles.h"
#include "tavlo/NativeFileThumb.h"
#include "tavlo/TavloClientDatabase.h"
#include "tavlo/ThumbnailImage.h"
#include "ui/DeviceFileActions.h"
#include "ui/FileTypes.h"
#include "ui/RecentFilesListView.h"
#include "ui/RecentFilesModel.h"
#include "ui/ViewPlaceholder.h"
#include "ui_RecentFilesDialog.h"
#include "utils/MetaTypes.h"

#include <QImage>
#include <QItemSelectionModel>

RecentFilesDialog::RecentFilesDialog(QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::RecentFilesDialog>())
    , model_(new RecentFilesModel(this)) {
    MetaTypes::registerAll();
    ui_->setupUi(this);
    pool_.setMaxThreadCount(ThumbThreads);
    RecentFilesListView* view = ui_->recentFilesTreeView;
    view->setModel(model_);
    connect(view->placeholder(), &QLabel::linkActivated, this,
            &RecentFilesDialog::addDeviceRequested);

    connect(model_, &RecentFilesModel::startGetThumb, this, &RecentFilesDialog::startGetThumb);
    connect(ui_->deleteButton, &QPushButton::clicked, this, &RecentFilesDialog::deleteRecord);
    connect(ui_->clearButton, &QPushButton::clicked, this, &RecentFilesDialog::clearRecord);
    connect(view, &RecentFilesListView::deleteRecord, this, &RecentFilesDialog::deleteRecord);
    connect(view, &RecentFilesListView::clearRecord, this, &RecentFilesDialog::clearRecord);
    connect(view, &RecentFilesListView::updateList, this, &RecentFilesDialog::updateList);
    connect(view, &RecentFilesListView::openFile, this, &RecentFilesDialog::openFile);
    connect(view, &RecentFilesListView::deleteFile, this, &RecentFilesDialog::deleteFile);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &RecentFilesDialog::updateButtons);
    showPlaceholder();
    updateButtons();
}

RecentFilesDialog::~RecentFilesDialog() {
    pool_.clear();
    if (requestPool_)
        requestPool_->clear();
    pool_.waitForDone();
    if (requestPool_)
        requestPool_->waitForDone();
}

RecentFilesListView* RecentFilesDialog::view() const {
    return ui_->recentFilesTreeView;
}

bool RecentFilesDialog::hasDevice() const {
    return !server_.uuid.isEmpty();
}

void RecentFilesDialog::setServer(const ServerContent& server) {
    server_ = server;
    ui_->recentFilesTreeView->setDeviceActionsEnabled(!server_.isClient());
    showPlaceholder();
    updateList();
}

void RecentFilesDialog::showPlaceholder() {
    if (hasDevice()) {
        ui_->recentFilesTreeView->setPlaceholderText(
            tr("还没有与此设备的传输记录.\n把文件拖到上面的设备卡片上即可上传."));
    } else {
        ui_->recentFilesTreeView->setPlaceholderText(
            tr("未找到设备.<br>设备在其他网段时, 可以在菜单的<a href=\"#add\">手动添加设备</a>"
               "中按IP地址添加."));
    }
}

QThreadPool* RecentFilesDialog::requestPool() {
    if (!requestPool_) {
        requestPool_ = std::make_unique<QThreadPool>();
        requestPool_->setMaxThreadCount(RequestThreads);
    }
    return requestPool_.get();
}

void RecentFilesDialog::updateList() {
    const int load = ++load_;
    if (!hasDevice()) {
        updateListEnd(QList<RecentFilesContent>());
        return;
    }
    auto* task = new GetRecentFiles(server_);
    connect(task, &GetRecentFiles::getRecentFilesEnd, this,
            [this, load](QList<RecentFilesContent> list) {
                // A later load (another device, a newer transfer) wins.
                if (load == load_)
                    updateListEnd(list);
            });
    pool_.start(task);
}

void RecentFilesDialog::updateListEnd(QList<RecentFilesContent> list) {
    model_->setRecords(list);
    ui_->recentFilesTreeView->scrollToTop();
    for (int column = 0; column < model_->columnCount(); ++column)
        ui_->recentFilesTreeView->resizeColumnToContents(column);
    updateButtons();
}

void RecentFilesDialog::updateButtons() {
    ui_->deleteButton->setEnabled(ui_->recentFilesTreeView->currentIndex().isValid());
    ui_->clearButton->setEnabled(model_->rowCount() > 0);
}

QString RecentFilesDialog::currentRemotePath() const {
    const QModelIndex row = ui_->recentFilesTreeView->currentIndex();
    return row.sibling(row.row(), RecentFilesModel::NameColumn)
        .data(RecentFilesModel::RemotePathRole)
        .toString();
}

bool RecentFilesDialog::deleteRecord() {
    const QModelIndex row = ui_->recentFilesTreeView->currentIndex();
    if (!row.isValid())
        return false;
    const qint64 rowid = row.sibling(row.row(), RecentFilesModel::NameColumn)
                             .data(RecentFilesModel::RowIdRole)
                             .toLongLong();
    const bool deleted = TavloClientDatabase::instance()->deleteRecentFileRecord(rowid);
    updateList();
    return deleted;
}

bool RecentFilesDialog::clearRecord() {
    if (!hasDevice())
        return false;
    const bool cleared = TavloClientDatabase::instance()->clearRecentFileRecord(server_.uuid);
    updateList();
    return cleared;
}

void RecentFilesDialog::openFile() {
    const QString remotePath = currentRemotePath();
    if (remotePath.isEmpty() || server_.isClient())
        return;
    requestPool()->start(DeviceFileActions::openRequest(remotePath, server_));
}

void RecentFilesDialog::deleteFile() {
    const QString remotePath = currentRemotePath();
    if (remotePath.isEmpty() || server_.isClient())
        return;
    // The history record stays: it tells what was transferred.
    requestPool()->start(DeviceFileActions::deleteRequest(remotePath, server_));
}

void RecentFilesDialog::startGetThumb(QString uuid, QString filePath, qlonglong dateModified,
                                      QModelIndex index) {
    // The history keys local thumbnails by the low 32 bits of the time.
    auto* task = new NativeFileThumb(uuid, filePath, int(dateModified), index);
    connect(task, &NativeFileThumb::getThumbEnd, this, &RecentFilesDialog::getThumbResult);
    pool_.start(task);
}

void RecentFilesDialog::getThumbResult(QByteArray thumbdata, QModelIndex index) {
    if (!thumbdata.isEmpty() || !model_->isCurrent(index) || server_.isClient()) {
        model_->getThumbResult(!thumbdata.isEmpty(), ThumbnailImage::decode(thumbdata), index);
        return;
    }
    // The local copy is gone: the device still has the file.
    const QString remotePath = index.data(RecentFilesModel::RemotePathRole).toString();
    if (!FileTypes::isPicture(remotePath)) {
        model_->getThumbResult(false, QImage(), index);
        return;
    }
    const qint64 dateModified = model_->records().at(index.row()).dateModified;
    auto* task = new FileThumb(remotePath, server_, dateModified, index);
    connect(task, &FileThumb::getThumbEnd, this,
            [this](bool result, QByteArray thumb, QModelIndex cell) {
                model_->getThumbResult(result, ThumbnailImage::decode(thumb), cell);
            });
    pool_.start(task);
}

void RecentFilesDialog::reject() {
    if (isWindow())
        QDialog::reject();
}
