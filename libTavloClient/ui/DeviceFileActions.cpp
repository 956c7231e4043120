#include "ui/DeviceFileActions.h"

#include "tavlo/FileDelete.h"
#include "tavlo/FileOpen.h"
#include "ui/MainWindow.h"

#include <QMessageBox>

FileOpen* DeviceFileActions::openRequest(const QString& remotePath, const ServerContent& server) {
    auto* task = new FileOpen(remotePath, server);
    if (MainWindow* window = MainWindow::instance())
        QObject::connect(task, &FileOpen::notify, window, &MainWindow::notify,
                         Qt::QueuedConnection);
    return task;
}

FileDelete* DeviceFileActions::deleteRequest(const QString& remotePath,
                                             const ServerContent& server) {
    auto* task = new FileDelete(remotePath, server);
    if (MainWindow* window = MainWindow::instance())
        QObject::connect(task, &FileDelete::notify, window, &MainWindow::notify,
                         Qt::QueuedConnection);
    return task;
}

bool DeviceFileActions::confirmDelete(QWidget* parent, const QString& fileName) {
    const auto answer = QMessageBox::question(
        parent, tr("提示"), tr("确定要删除Tavlo上的文件\"%1\"吗? 删除后无法恢复.").arg(fileName),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}
