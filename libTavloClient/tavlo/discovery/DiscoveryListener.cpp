#include "tavlo/discovery/DiscoveryListener.h"

#include "tavlo/discovery/ReplyDiscovery.h"

#include <QCoreApplication>
#include <QThreadPool>

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
            QObject::connect(app, &QCoreApplication::aboutToQuit, created,
                             [created] { created->stop(); });
        return created;
    }();
    return listener;
}

DiscoveryListener::DiscoveryListener()
    : UdpListener(ListenPort, Category, "[E][%s] Socket bind error: %s") {}

ServerContent DiscoveryListener::getServer(const QString& address) const {
    QMutexLocker lock(&mutex_);
    return devices_.value(address);
}

void DiscoveryListener::setServer(const QString& address, const ServerContent& server) {
    QMutexLocker lock(&mutex_);
    devices_.insert(address, server);
}

void DiscoveryListener::onDatagram(const QByteArray& data, const QHostAddress& sender,
                                   quint16 senderPort) {
    auto* reply = new ReplyDiscovery(data, sender, senderPort);
    reply->setEndHandler(taskStarted());
    QThreadPool::globalInstance()->start(reply);
}
