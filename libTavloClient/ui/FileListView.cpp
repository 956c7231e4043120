#include "ui/FileListView.h"

#include "ui/DeviceFileActions.h"
#include "ui/FileTreeModel.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>

FileListView::FileListView(QWidget* parent)
    : FileRowsView(parent) {
    QMenu* menu = this->menu();
    connect(menu->addAction(tr("刷新")), &QAction::triggered, this, &FileListView::refreshList);
    downloadAction_ = menu->addAction(tr("下载"));
    connect(downloadAction_, &QAction::triggered, this, &FileListView::downloadActionTriggered);
    openAction_ = menu->addAction(tr("在Tavlo上打开"));
    connect(openAction_, &QAction::triggered, this, &FileListView::openActionTriggered);
    deleteAction_ = addDeleteAction(tr("删除"));
    connect(deleteAction_, &QAction::triggered, this, &FileListView::deleteActionTriggered);

    QMenu* order = menu->addMenu(tr("排序方式"));
    connect(order->addAction(tr("文件名(升序)")), &QAction::triggered, this,
            &FileListView::orderByNameIncreaseActionTriggered);
    connect(order->addAction(tr("文件名(降序)")), &QAction::triggered, this,
            &FileListView::orderByNameDecreaseActionTriggered);
    connect(order->addAction(tr("大小(升序)")), &QAction::triggered, this,
            &FileListView::orderBySizeIncreaseActionTriggered);
    connect(order->addAction(tr("大小(降序)")), &QAction::triggered, this,
            &FileListView::orderBySizeDecreaseActionTriggered);
    connect(order->addAction(tr("修改时间(升序)")), &QAction::triggered, this,
            &FileListView::orderByDateModifiedIncreaseActionTriggered);
    connect(order->addAction(tr("修改时间(降序)")), &QAction::triggered, this,
            &FileListView::orderByDateModifiedDecreaseActionTriggered);
    enableFileActions(QModelIndex());
}

void FileListView::listingShown() {
    scrollToTop();
    for (int column = 0; column < header()->count(); ++column)
        resizeColumnToContents(column);
    enableFileActions(currentIndex());
}

bool FileListView::isFile(const QModelIndex& row) {
    return row.isValid() && row.sibling(row.row(), FileTreeModel::NameColumn)
                                    .data(FileTreeModel::TypeRole)
                                    .toString() != Protocol::DIR;
}

void FileListView::enableFileActions(const QModelIndex& row) {
    const bool file = isFile(row);
    downloadAction_->setEnabled(file);
    openAction_->setEnabled(file);
    deleteAction_->setEnabled(file);
}

void FileListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    FileRowsView::currentChanged(current, previous);
    // Also keeps the Delete key away from folders.
    enableFileActions(current);
}

void FileListView::prepareMenu(const QModelIndex& row) {
    enableFileActions(row);
}

void FileListView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex row = indexAt(event->pos());
    if (event->button() != Qt::LeftButton || !row.isValid() || isFile(row))
        return;
    emit findFile(
        row.sibling(row.row(), FileTreeModel::NameColumn).data(FileTreeModel::NameRole).toString());
}

void FileListView::downloadActionTriggered() {
    if (isFile(currentIndex()))
        emit downloadFile(currentData(FileTreeModel::NameRole).toString(),
                          currentData(FileTreeModel::DateModifiedRole).toLongLong());
}

void FileListView::openActionTriggered() {
    if (isFile(currentIndex()))
        emit openFile(currentData(FileTreeModel::NameRole).toString());
}

void FileListView::deleteActionTriggered() {
    if (!isFile(currentIndex()))
        return;
    const QString name = currentData(FileTreeModel::NameRole).toString();
    if (DeviceFileActions::confirmDelete(this, name))
        emit deleteFile(name);
}

void FileListView::orderByNameIncreaseActionTriggered() {
    emit orderFile(Protocol::FILE_NAME_INCREASE);
}

void FileListView::orderByNameDecreaseActionTriggered() {
    emit orderFile(Protocol::FILE_NAME_DECREASE);
}

void FileListView::orderBySizeIncreaseActionTriggered() {
    emit orderFile(Protocol::FILE_SIZE_INCREASE);
}

void FileListView::orderBySizeDecreaseActionTriggered() {
    emit orderFile(Protocol::FILE_SIZE_DECREASE);
}

void FileListView::orderByDateModifiedIncreaseActionTriggered() {
    emit orderFile(Protocol::DATE_MODIFIED_INCREASE);
}

void FileListView::orderByDateModifiedDecreaseActionTriggered() {
    emit orderFile(Protocol::DATE_MODIFIED_DECREASE);
}

void FileListView::refreshList() {
    emit findFile(QString());
}
