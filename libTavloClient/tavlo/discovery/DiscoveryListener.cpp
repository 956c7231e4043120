#include "tavlo/discovery/DiscoveryListener.h"

#include "tavlo/discovery/ReplyDiscovery.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QUdpSocket>

namespace {

const char* const Category = "DiscoverListener";

QMutex& instanceMutex() {
    static QMutex mutex(QMutex::Recursive);
    return mutex;
}

} // namespace

DiscoveryListener* DiscoveryListener::instance() {
    QMutexLocker lock(&instanceMutex());
    static DiscoveryListener* listener = [] {
        auto* created = new DiscoveryListener();
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, created, [created] {
                created->requestInterruption(); // also ends a bind retry
                created->quit();
                created->wait(5000);
            });
        return created;
    }();
    return listener;
}

DiscoveryListener::DiscoveryListener() = default;

ServerContent DiscoveryListener::getServer(const QString& address) const {
    QMutexLocker lock(&mutex_);
    return devices_.value(address);
}

void DiscoveryListener::setServer(const QString& address, const ServerContent& server) {
    QMutexLocker lock(&mutex_);
    devices_.insert(address, server);
}

bool DiscoveryListener::isListening() const {
    QMutexLocker lock(&mutex_);
    return listening_;
}

void DiscoveryListener::run() {
    QUdpSocket socket;
    while (!socket.bind(port_)) {
        qCritical("[E][%s] Socket bind error: %s", Category,
                  socket.errorString().toLocal8Bit().constData());
        // Sleep in small steps so that quitting the program is not held up.
        for (int waited = 0; waited < BindRetryMs && !isInterruptionRequested(); waited += 100)
            QThread::msleep(100);
        if (isInterruptionRequested())
            return;
    }
    socket_ = &socket;
    // The socket lives in this thread; its reads happen here too.
    connect(&socket, &QUdpSocket::readyRead, &socket, [this] { onSocketReadyRead(); });
    {
        QMutexLocker lock(&mutex_);
        listening_ = true;
    }
    exec();
    {
        QMutexLocker lock(&mutex_);
        listening_ = false;
    }
    socket_ = nullptr;
}

void DiscoveryListener::onSocketReadyRead() {
    if (!socket_ || !socket_->hasPendingDatagrams())
        return;
    QByteArray data(int(qMax<qint64>(socket_->pendingDatagramSize(), 0)), Qt::Uninitialized);
    QHostAddress sender;
    quint16 senderPort = 0;
    const qint64 size = socket_->readDatagram(data.data(), data.size(), &sender, &senderPort);
    if (size < 0)
        return;
    data.resize(int(size));
    QThreadPool::globalInstance()->start(new ReplyDiscovery(data, sender, senderPort));
}
