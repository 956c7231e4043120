#include "ui/RecentFilesListView.h"

#include "ui/DeviceFileActions.h"
#include "ui/RecentFilesModel.h"
#include "utils/platform/DesktopServices.h"

#include <QMenu>

RecentFilesListView::RecentFilesListView(QWidget* parent)
    : FileRowsView(parent) {
    QMenu* menu = this->menu();
    connect(addDeleteAction(tr("删除记录")), &QAction::triggered, this,
            &RecentFilesListView::deleteActionTriggered);
    connect(menu->addAction(tr("清空记录")), &QAction::triggered, this,
            &RecentFilesListView::clearActionTriggered);
    connect(menu->addAction(tr("刷新")), &QAction::triggered, this,
            &RecentFilesListView::updateActionTriggered);
    connect(menu->addAction(tr("在本地打开")), &QAction::triggered, this,
            &RecentFilesListView::openFileAtNative);
    connect(menu->addAction(tr("打开所在目录")), &QAction::triggered, this,
            &RecentFilesListView::openDirTriggered);
    deleteAtServerAction_ = menu->addAction(tr("在Tavlo上删除"));
    connect(deleteAtServerAction_, &QAction::triggered, this,
            &RecentFilesListView::deleteFileAtServer);
    openAtServerAction_ = menu->addAction(tr("在Tavlo上打开"));
    connect(openAtServerAction_, &QAction::triggered, this,
            &RecentFilesListView::openActionTriggered);
}

void RecentFilesListView::setDeviceActionsEnabled(bool enabled) {
    deviceActionsEnabled_ = enabled;
    deleteAtServerAction_->setEnabled(enabled);
    openAtServerAction_->setEnabled(enabled);
}

void RecentFilesListView::deleteActionTriggered() {
    if (currentIndex().isValid())
        emit deleteRecord();
}

void RecentFilesListView::clearActionTriggered() {
    emit clearRecord();
}

void RecentFilesListView::updateActionTriggered() {
    emit updateList();
}

void RecentFilesListView::openActionTriggered() {
    if (deviceActionsEnabled_ && currentIndex().isValid())
        emit openFile();
}

void RecentFilesListView::deleteFileAtServer() {
    if (!deviceActionsEnabled_ || !currentIndex().isValid())
        return;
    if (DeviceFileActions::confirmDelete(this, currentData(Qt::DisplayRole).toString()))
        emit deleteFile();
}

void RecentFilesListView::openFileAtNative() {
    const QString path = currentData(RecentFilesModel::NativePathRole).toString();
    if (!path.isEmpty() && !DesktopServices::openFile(path))
        qCritical("[E][%s] Open file at local fail.", "RecentFilesListView");
}

void RecentFilesListView::openDirTriggered() {
    const QString path = currentData(RecentFilesModel::NativePathRole).toString();
    if (!path.isEmpty())
        DesktopServices::openFolder(path.left(path.lastIndexOf(QLatin1Char('/'))));
}
