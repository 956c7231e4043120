#include "ui/SingleApplication.h"

#include "ui/LocalServer.h"
#include "ui/platform/InstanceLock.h"

#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QUrl>

const QByteArray SingleApplication::ShowUpMessage = QByteArrayLiteral("CMD:showUp");

namespace {

// One message over a fresh connection to the running instance.
bool sendMessage(const QString& key, const QByteArray& message) {
    QLocalSocket socket;
    socket.connectToServer(key, QIODevice::ReadWrite);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(message);
    socket.flush();
    const bool written = socket.waitForBytesWritten(1000) || socket.bytesToWrite() == 0;
    QThread::msleep(100);
    socket.close();
    return written;
}

} // namespace

QByteArray SingleApplication::sendFilesMessage(const QStringList& filePaths) {
    QByteArray message = LocalServer::FileListMarker;
    for (const QString& path : filePaths)
        message += '\n' + QUrl::fromLocalFile(path).toEncoded();
    return message;
}

QStringList SingleApplication::filesOf(const QString& message) {
    QStringList lines = message.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty() || lines.takeFirst() != QLatin1String(LocalServer::FileListMarker))
        return QStringList();
    QStringList files;
    for (const QString& line : qAsConst(lines)) {
        const QUrl url = QUrl::fromEncoded(line.toLatin1(), QUrl::StrictMode);
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

bool SingleApplication::sendFilesToRunning(const QStringList& filePaths) const {
    return !running_ && sendMessage(key_, sendFilesMessage(filePaths));
}

QString SingleApplication::keyFor(const QString& programPath) {
    QString key = programPath;
    for (const QChar c : {QLatin1Char('/'), QLatin1Char(':'), QLatin1Char('\\'), QLatin1Char('.')})
        key.remove(c);
    return key;
}

SingleApplication::SingleApplication(int& argc, char** argv)
    : QApplication(argc, argv) {
    // The program's real path, however it was started (a bare name from a
    // desktop entry, a full path from autostart, a link): one key for all.
    Q_UNUSED(argv);
    key_ = InstanceLock::userKey(keyFor(QCoreApplication::applicationFilePath()));
    lock_ = std::make_unique<QLockFile>(InstanceLock::pathFor(key_));
    if (lock_->tryLock(0)) {
        listener_ = new LocalServer(key_);
        listener_->start(QThread::InheritPriority);
        connect(listener_, &LocalServer::showUp, this, &SingleApplication::slotShowUp);
        connect(listener_, &LocalServer::dataReceived, this, [this](QString data) {
            const QStringList files = filesOf(data);
            if (!files.isEmpty())
                emit filesToSend(files);
        });
        running_ = true;
        return;
    }

    sendMessage(key_, ShowUpMessage);
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
