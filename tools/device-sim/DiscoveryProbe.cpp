#include "DiscoveryProbe.h"

#include "EventLog.h"

#include "utils/QtJson.h"

#include <QNetworkDatagram>

DiscoveryProbe::DiscoveryProbe(const QVariantMap& message, const QHostAddress& target, quint16 port,
                               int waitMs, EventLog& log, QObject* parent)
    : QObject(parent)
    , message_(message)
    , target_(target)
    , port_(port)
    , log_(log) {
    timer_.setSingleShot(true);
    timer_.setInterval(waitMs);
    connect(&timer_, &QTimer::timeout, this, [this] { finish(replies_ > 0 ? 0 : 1); });
    connect(&socket_, &QUdpSocket::readyRead, this, &DiscoveryProbe::onReadyRead);
}

void DiscoveryProbe::start() {
    if (!socket_.bind(QHostAddress(QHostAddress::AnyIPv4), 0)) {
        log_.event(QStringLiteral("probe-failed %1").arg(socket_.errorString()));
        QMetaObject::invokeMethod(
            this, [this] { finish(1); }, Qt::QueuedConnection);
        return;
    }
    const QByteArray datagram = QtJson::serialize(message_);
    if (socket_.writeDatagram(datagram, target_, port_) != datagram.size()) {
        log_.event(QStringLiteral("probe-failed %1").arg(socket_.errorString()));
        QMetaObject::invokeMethod(
            this, [this] { finish(1); }, Qt::QueuedConnection);
        return;
    }
    log_.detail(QStringLiteral("probe %1:%2 %3")
                    .arg(target_.toString())
                    .arg(port_)
                    .arg(QString::fromUtf8(datagram)));
    timer_.start();
}

void DiscoveryProbe::onReadyRead() {
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_.receiveDatagram();
        ++replies_;
        log_.event(QStringLiteral("reply %1:%2 %3")
                       .arg(datagram.senderAddress().toString())
                       .arg(datagram.senderPort())
                       .arg(QString::fromUtf8(datagram.data())));
    }
}

void DiscoveryProbe::finish(int exitCode) {
    timer_.stop();
    socket_.close();
    emit finished(exitCode);
}
