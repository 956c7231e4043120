#include "cast/CastControllerClient.h"

#include "cast/SendDataBridge.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTimer>

namespace {

const char* const Category = "CastControllerClient";

} // namespace

CastControllerClient::CastControllerClient(const QString& serverName, QObject* parent)
    : QThread(parent)
    , serverName_(serverName)
    , bridge_(new SendDataBridge) {}

CastControllerClient::~CastControllerClient() {
    if (isRunning()) {
        quit();
        wait();
    }
    delete bridge_;
}

bool CastControllerClient::start() {
    if (isRunning()) {
        qWarning("[W][%s] CastController is running.", Category);
        return false;
    }
    QThread::start(QThread::InheritPriority);
    return true;
}

bool CastControllerClient::resume() {
    if (!serverConnected_ || !castConnected_ || playing_)
        return false;
    return send("resume\r\n");
}

bool CastControllerClient::pause() {
    if (!serverConnected_ || !castConnected_ || !playing_)
        return false;
    return send("pause\r\n");
}

bool CastControllerClient::stop() {
    if (!serverConnected_)
        return false;
    return send("stop\r\n");
}

void CastControllerClient::stopWhenConnected() {
    stopWanted_ = true;
    stop();
}

bool CastControllerClient::changeAspectRatio() {
    if (!serverConnected_ || !castConnected_ || !playing_)
        return false;
    return send("changeAspectRatio\r\n");
}

bool CastControllerClient::send(const char* line) {
    emit bridge_->dataSended(QString::fromLatin1(line).toUtf8());
    return true;
}

void CastControllerClient::run() {
    QLocalSocket socket;
    socket_ = &socket;
    connect(&socket, &QLocalSocket::connected, this, &CastControllerClient::socketConnected,
            Qt::DirectConnection);
    connect(&socket, &QLocalSocket::disconnected, this, &CastControllerClient::socketDisconnected,
            Qt::DirectConnection);
    connect(&socket, &QLocalSocket::errorOccurred, this, &CastControllerClient::socketError,
            Qt::DirectConnection);
    scheduleConnect();

    exec();

    // Commands handed over just before the end (the last "stop") still go
    // out before the connection closes.
    QCoreApplication::sendPostedEvents(&socket, QEvent::MetaCall);
    if (socket.state() == QLocalSocket::ConnectedState) {
        socket.flush();
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(1000);
    }
    disconnect(&socket, nullptr, this, nullptr);
    socket.close();
    socket_ = nullptr;
    sendConnection_ = QMetaObject::Connection();
    serverConnected_ = false;
    castConnected_ = false;
    playing_ = false;
}

void CastControllerClient::scheduleConnect() {
    // A precise timer: attempts are never closer together than the interval.
    QTimer::singleShot(ReconnectIntervalMs, Qt::PreciseTimer, socket_,
                       [this] { connectToServer(); });
}

void CastControllerClient::connectToServer() {
    socket_->close();
    socket_->connectToServer(serverName_, QIODevice::ReadWrite);
}

void CastControllerClient::socketConnected() {
    qDebug("[I][%s] Connected to server.", Category);
    lines_ = ControlLineReader(); // a new connection starts with a new line
    serverConnected_ = true;
    emit serverConnected();
    connect(socket_, &QLocalSocket::readyRead, this, &CastControllerClient::socketReadyRead,
            Qt::ConnectionType(Qt::DirectConnection | Qt::UniqueConnection));
    // Command bytes are written on this thread: the socket is the context.
    if (!sendConnection_) {
        sendConnection_ = connect(
            bridge_, &SendDataBridge::dataSended, socket_,
            [this](const QByteArray& data) { onSendData(data); }, Qt::QueuedConnection);
    }
    if (stopWanted_)
        send("stop\r\n");
}

void CastControllerClient::socketDisconnected() {
    qDebug("[I][%s] Disconnected to server.", Category);
    serverConnected_ = false;
    castConnected_ = false;
    playing_ = false;
    emit serverDisconnected();
    quit();
}

void CastControllerClient::socketError() {
    const QString message = QStringLiteral("Socket error: %1.").arg(socket_->errorString());
    qCritical("[E][%s] %s", Category, qPrintable(message));
    emit error(message);
    // Once connected, a broken connection ends in socketDisconnected(); a new
    // attempt would only cut a connection that still works.
    if (!serverConnected_)
        scheduleConnect();
}

void CastControllerClient::socketReadyRead() {
    lines_.append(socket_->readAll());
    QByteArray line;
    while (lines_.takeLine(line))
        applyEvent(eventOf(line));
}

CastControllerClient::Event CastControllerClient::eventOf(const QByteArray& line) {
    if (line == "castConnected")
        return Event::CastConnected;
    if (line == "castDisconnected")
        return Event::CastDisconnected;
    if (line == "castResumed")
        return Event::CastResumed;
    if (line == "castPaused")
        return Event::CastPaused;
    return Event::None;
}

void CastControllerClient::applyEvent(Event event) {
    switch (event) {
    case Event::CastConnected:
        castConnected_ = true;
        playing_ = true;
        emit castConnected();
        break;
    case Event::CastDisconnected:
        castConnected_ = false;
        emit castDisconnected();
        break;
    case Event::CastResumed:
        playing_ = true;
        emit castResumed();
        break;
    case Event::CastPaused:
        playing_ = false;
        emit castPaused();
        break;
    case Event::None:
        break;
    }
}

void CastControllerClient::onSendData(QByteArray data) {
    const qint64 written = socket_->write(data);
    if (written != data.size())
        qCritical("[E][%s] socket send fail, ret: %lld", Category, static_cast<long long>(written));
}
