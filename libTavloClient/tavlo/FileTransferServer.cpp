#include "tavlo/FileTransferServer.h"

#include "tavlo/FileUploadTask.h"
#include "utils/MetaTypes.h"

#include <QCoreApplication>
#include <QMutex>

namespace {
QMutex& instanceMutex() {
    static QMutex mutex(QMutex::Recursive);
    return mutex;
}
} // namespace

FileTransferServer* FileTransferServer::instance() {
    QMutexLocker lock(&instanceMutex());
    static FileTransferServer* server = new FileTransferServer();
    return server;
}

FileTransferServer::FileTransferServer() {
    MetaTypes::registerAll();
    pool_.setMaxThreadCount(1);
    // Quitting must not wait for a queue of uploads; the pool's thread is
    // still joined before the process tears Qt down.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &FileTransferServer::stopAll);
}

void FileTransferServer::stopAll() {
    stopping_ = true;
    pool_.clear();
    pool_.waitForDone();
    stopping_ = false;
}

int FileTransferServer::start(FileUploadTask* task) {
    const int id = task->transferId();
    pool_.start(task, 0);
    return id;
}

QList<int> FileTransferServer::uploadFiles(const QStringList& paths, const ServerContent& server) {
    QList<int> ids;
    for (const QString& path : paths)
        ids.append(start(new FileUploadTask(path, server)));
    return ids;
}

QList<int> FileTransferServer::uploadFiles(const QStringList& paths, const ServerContent& server,
                                           bool secure) {
    QList<int> ids;
    for (const QString& path : paths)
        ids.append(start(new FileUploadTask(path, server, secure)));
    return ids;
}

int FileTransferServer::uploadFile(const QString& path, const ServerContent& server) {
    return start(new FileUploadTask(path, server));
}
