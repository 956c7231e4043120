#include "tavlo/UdpListener.h"

#include <QCoreApplication>
#include <QUdpSocket>

UdpListener::UdpListener(quint16 port, const char* category, const char* bindErrorFormat,
                         QObject* parent)
    : QThread(parent)
    , category_(category)
    , bindErrorFormat_(bindErrorFormat)
    , port_(port) {}

bool UdpListener::isListening() const {
    QMutexLocker lock(&mutex_);
    return listening_;
}

void UdpListener::stop() {
    requestInterruption(); // also ends a bind retry
    quit();
    wait(5000);
}

bool UdpListener::sendFromListeningPort(const QByteArray& datagram, const QHostAddress& to,
                                        quint16 port) {
    QMutexLocker lock(&mutex_);
    if (!listening_ || !socket_)
        return false;
    QUdpSocket* socket = socket_;
    const char* category = category_;
    // Queued to the socket's thread; dropped if the socket is gone by then.
    return QMetaObject::invokeMethod(
        socket,
        [socket, datagram, to, port, category] {
            if (socket->writeDatagram(datagram, to, port) == -1)
                qCritical("[E][%s] Send to %s:%d fail: %s", category, qPrintable(to.toString()),
                          int(port), qPrintable(socket->errorString()));
        },
        Qt::QueuedConnection);
}

void UdpListener::run() {
    QUdpSocket socket;
    while (!socket.bind(port_)) {
        qCritical(bindErrorFormat_, category_, socket.errorString().toLocal8Bit().constData());
        // Sleep in small steps so that quitting the program is not held up.
        for (int waited = 0; waited < BindRetryMs && !isInterruptionRequested(); waited += 100)
            QThread::msleep(100);
        if (isInterruptionRequested())
            return;
    }
    {
        QMutexLocker lock(&mutex_);
        socket_ = &socket;
    }
    // The socket lives in this thread; its reads happen here too.
    connect(
        &socket, &QUdpSocket::readyRead, &socket, [this] { onSocketReadyRead(); },
        Qt::UniqueConnection);
    {
        QMutexLocker lock(&mutex_);
        listening_ = true;
    }
    if (!isInterruptionRequested())
        exec();
    {
        QMutexLocker lock(&mutex_);
        listening_ = false;
        socket_ = nullptr;
    }
    // Answers handed over before the end still leave; later ones take
    // another socket (sendFromListeningPort returns false now).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

std::function<void()> UdpListener::taskStarted() {
    std::shared_ptr<std::atomic<int>> pending = pending_;
    ++*pending;
    return [pending] { --*pending; };
}

void UdpListener::dropDatagram(const char* why) {
    socket_->readDatagram(nullptr, 0);
    if (dropped_++ == 0)
        qWarning("[W][%s] Dropping datagrams: %s.", category_, why);
}

void UdpListener::onSocketReadyRead() {
    // One datagram per notification; the socket notifies again while more wait.
    if (!socket_ || !socket_->hasPendingDatagrams())
        return;
    const qint64 pendingSize = socket_->pendingDatagramSize();
    if (pendingSize > MaxDatagramSize) {
        dropDatagram("larger than a request can be");
        return;
    }
    if (*pending_ >= MaxPendingTasks) {
        dropDatagram("too many requests waiting");
        return;
    }
    if (dropped_ > 0) {
        qWarning("[W][%s] Dropped %d datagrams.", category_, dropped_);
        dropped_ = 0;
    }
    QByteArray data(int(qMax<qint64>(pendingSize, 0)), Qt::Uninitialized);
    QHostAddress sender;
    quint16 senderPort = 0;
    const qint64 size = socket_->readDatagram(data.data(), data.size(), &sender, &senderPort);
    if (size < 0)
        return;
    data.resize(int(size));
    // A socket bound to any address hears IPv4 peers as IPv4-mapped IPv6
    // addresses; peers are known by their plain IPv4 address.
    bool isV4 = false;
    const quint32 v4 = sender.toIPv4Address(&isV4);
    onDatagram(data, isV4 ? QHostAddress(v4) : sender, senderPort);
}
