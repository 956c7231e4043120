#include "ui/LocalServer.h"

#include <QLocalServer>

namespace {
const QStringList Commands{QStringLiteral("showUp")};
}

const QByteArray LocalServer::FileListMarker = QByteArrayLiteral("SEND-FILES");

LocalServer::LocalServer(const QString& name)
    : name_(name) {
    connect(this, &LocalServer::privateDataReceived, this, &LocalServer::slotOnData);
}

LocalServer::~LocalServer() {
    stop();
}

void LocalServer::stop() {
    requestInterruption();
    wait();
}

void LocalServer::run() {
    QLocalServer server;
    server_ = &server;
    // We hold the instance lock, so a socket file left by a crashed instance
    // is stale and would block listening for ever.
    QLocalServer::removeServer(name_);
    while (!server.listen(name_) && !isInterruptionRequested())
        QThread::msleep(100);

    while (server.isListening() && !isInterruptionRequested()) {
        QThread::msleep(100);
        if (server.waitForNewConnection(100)) {
            while (server.hasPendingConnections())
                slotNewConnection();
        }
        for (auto it = sockets_.begin(); it != sockets_.end();) {
            QLocalSocket* socket = *it;
            if (socket->waitForReadyRead(100)) {
                const QByteArray bytes = socket->readAll();
                auto list = fileLists_.find(socket);
                if (list != fileLists_.end())
                    list->second += bytes;
                else if (bytes.startsWith(FileListMarker))
                    fileLists_[socket] = bytes;
                else
                    deliver(bytes);
            }
            if (socket->state() == QLocalSocket::ConnectedState) {
                ++it;
                continue;
            }
            // A list of files may come in several reads: it is whole once
            // its sender has closed the connection.
            auto list = fileLists_.find(socket);
            if (list != fileLists_.end()) {
                deliver(list->second + socket->readAll());
                fileLists_.erase(list);
            }
            delete socket;
            it = sockets_.erase(it);
        }
    }

    for (QLocalSocket* socket : sockets_) {
        socket->close();
        delete socket;
    }
    sockets_.clear();
    fileLists_.clear();
    server.close();
    server_ = nullptr;
}

void LocalServer::deliver(QByteArray bytes) {
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    emit privateDataReceived(QString::fromLatin1(bytes));
}

void LocalServer::slotNewConnection() {
    if (QLocalSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(nullptr);
        sockets_.insert(sockets_.begin(), socket);
    }
}

void LocalServer::slotOnData(QString data) {
    if (!data.contains(QLatin1String("CMD:"))) {
        emit dataReceived(data);
        return;
    }
    if (Commands.indexOf(data.mid(4)) == 0)
        emit showUp();
}
