#include "ui/SingleApplication.h"

#include "ui/LocalServer.h"
#include "ui/platform/InstanceLock.h"

#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

const QByteArray SingleApplication::ShowUpMessage = QByteArrayLiteral("CMD:showUp");

QString SingleApplication::keyFor(const QString& programPath) {
    QString key = programPath;
    for (const QChar c : {QLatin1Char('/'), QLatin1Char(':'), QLatin1Char('\\'), QLatin1Char('.')})
        key.remove(c);
    return key;
}

SingleApplication::SingleApplication(int& argc, char** argv)
    : QApplication(argc, argv) {
    key_ = keyFor(argc > 0 ? QString::fromLatin1(argv[0]) : QString());
    lock_ = std::make_unique<QLockFile>(InstanceLock::pathFor(key_));
    if (lock_->tryLock(0)) {
        listener_ = new LocalServer(key_);
        listener_->start(QThread::InheritPriority);
        connect(listener_, &LocalServer::showUp, this, &SingleApplication::slotShowUp);
        running_ = true;
        return;
    }

    QLocalSocket socket;
    socket.connectToServer(key_, QIODevice::ReadWrite);
    if (socket.waitForConnected(1000)) {
        socket.write(ShowUpMessage);
        socket.flush();
        socket.waitForBytesWritten(1000);
        QThread::msleep(100);
        socket.close();
    }
}

SingleApplication::~SingleApplication() {
    if (running_ && listener_) {
        listener_->stop();
        delete listener_;
        listener_ = nullptr;
    }
    if (lock_ && lock_->isLocked())
        lock_->unlock();
    lock_.reset();
}

QString SingleApplication::lockPath() const {
    return InstanceLock::pathFor(key_);
}

void SingleApplication::slotShowUp() {
    emit showUp();
}
