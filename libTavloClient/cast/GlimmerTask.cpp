#include "cast/GlimmerTask.h"

#include "cast/platform/MirroringProgram.h"
#include "tavlo/RequestChannel.h"
#include "tavlo/discovery/ClientIdentity.h"
#include "utils/Config.h"
#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/WinUtils.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRegularExpression>

const QString GlimmerTask::ControlServerName = QStringLiteral("cast");
const QString GlimmerTask::UnknownTypeMarker = QStringLiteral("Unknow type:");
const QString GlimmerTask::PasswordTitle = QStringLiteral("Glimmer");
const QString GlimmerTask::FeatureName = QStringLiteral("Glimmer");

namespace {

const char* const Category = "GlimmerTask";

QByteArray md5Hex(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
}

} // namespace

GlimmerTask::RunCastCallback::RunCastCallback(GlimmerTask* task, const QString& serverName)
    : task_(task)
    , serverName_(serverName) {
    setAutoDelete(false);
}

void GlimmerTask::RunCastCallback::run() {
    emit task_->castServerName(serverName_);
}

GlimmerTask::GlimmerTask(const QHostAddress& address, int port, const QString& deviceName,
                         const QString& clientName, int sourceWidth, int sourceHeight,
                         QObject* parent)
    : QObject(parent)
    , settings_(Config::instance())
    , address_(address)
    , port_(port)
    , deviceName_(deviceName)
    , clientName_(clientName)
    , sourceWidth_(sourceWidth)
    , sourceHeight_(sourceHeight)
    , program_(MirroringProgram::fileName()) {
    setAutoDelete(false);
}

QString GlimmerTask::proof(const QString& password, const QString& randomData) {
    return QString::fromLatin1(md5Hex(md5Hex(password.toUtf8()) + randomData.toUtf8()));
}

QString GlimmerTask::launchParameters(const QString& ip) {
    QString parameters = QStringLiteral("-s 1 ");
    if (!ip.isEmpty())
        parameters += QStringLiteral("-i %1 ").arg(ip);
    parameters += QStringLiteral("-cs %1 ").arg(ControlServerName);
    return parameters;
}

bool GlimmerTask::isSafeAddressText(const QString& text) {
    // Addresses and host names only: a blank or a quote would smuggle further
    // arguments onto the mirroring program's command line.
    static const QRegularExpression address(QStringLiteral("^[A-Za-z0-9.:%_-]{1,255}$"));
    return address.match(text).hasMatch();
}

void GlimmerTask::setConfirmCastResult(bool confirmed) {
    confirmResult_ = confirmed;
    qDebug("[I][%s] User confirm cast: %s", Category, confirmed ? "true" : "false");
}

void GlimmerTask::setPassword(const QString& password) {
    password_ = password;
    qDebug("[I][%s] User inputed password.", Category);
}

void GlimmerTask::fail(const QString& text) {
    errorText_ = text;
    qCritical("[E][%s] %s", Category, qPrintable(text));
}

bool GlimmerTask::sendData(RequestChannel& channel, const QtJson::JsonObject& message) {
    // An answer that came too late for an earlier request must not be taken
    // for the answer to this one.
    channel.discardPending();
    switch (channel.send(message)) {
    case RequestChannel::Status::Ok:
        return true;
    case RequestChannel::Status::SerializeFailed:
        fail(QStringLiteral("Serialize data fail."));
        return false;
    default:
        fail(QStringLiteral("Socket write data fail."));
        return false;
    }
}

bool GlimmerTask::receiveData(RequestChannel& channel, QtJson::JsonObject& reply) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // Datagrams from anyone but the device are dropped; the device still
        // has the rest of the time to answer.
        const int left = int(qMax<qint64>(0, ReplyTimeoutMs - clock.elapsed()));
        const auto status = channel.receive(left, RequestChannel::SenderCheck::AddressOnly, reply);
        switch (status) {
        case RequestChannel::Status::Ok:
            return true;
        case RequestChannel::Status::WrongSender:
            if (clock.elapsed() < ReplyTimeoutMs)
                continue;
            fail(QStringLiteral("socket wait for read timeout."));
            return false;
        case RequestChannel::Status::ParseFailed:
            fail(QStringLiteral("Parse json data fail."));
            return false;
        default:
            fail(QStringLiteral("socket wait for read timeout."));
            return false;
        }
    }
}

bool GlimmerTask::handleResponse(const CastReply& reply) {
    if (reply.ok)
        return true;
    errorCode_ = reply.errorCode;
    if (errorCode_ == WrongPasswordCode)
        fail(tr("密码错误!"));
    else
        fail(tr("服务器回复错误: ") + reply.reason);
    return false;
}

bool GlimmerTask::exchange(RequestChannel& channel, const QtJson::JsonObject& message,
                           CastReply& reply) {
    QtJson::JsonObject received;
    if (!sendData(channel, message) || !receiveData(channel, received))
        return false;
    reply = CastReply::read(received);
    return handleResponse(reply);
}

QtJson::JsonObject GlimmerTask::request(const QString& type, const QString& proof) const {
    QtJson::JsonObject message;
    message.insert(Protocol::TYPE, type);
    message.insert(Protocol::UUID, ClientIdentity::uuid());
    if (!proof.isEmpty())
        message.insert(Protocol::PASSWD, proof);
    return message;
}

bool GlimmerTask::getAuth(RequestChannel& channel, QString& proof) {
    CastReply reply;
    if (!exchange(channel, request(Protocol::GET_AUTH, QString()), reply))
        return false;
    if (!reply.needPassword)
        return true;

    const QString deviceUuid = reply.deviceUuid;
    password_ = settings_->castPassword(deviceUuid);
    if (password_.isEmpty() || errorCode_ == WrongPasswordCode) {
        QString content = tr("请输入\"%1\"的投射密码").arg(deviceName_);
        if (errorCode_ == WrongPasswordCode) {
            errorCode_ = 0;
            content += QLatin1Char('\n') + tr("密码错误, 请重新输入");
        }
        // Nobody answering counts as a cancelled question.
        const QString offered = password_;
        password_.clear();
        emit waitForUserInputPassword(offered, PasswordTitle, content);
        if (password_.isEmpty()) {
            qWarning("[W][%s] User not input password.", Category);
            return false;
        }
        settings_->setCastPassword(deviceUuid, password_);
    }
    proof = GlimmerTask::proof(password_, reply.randomData);
    return true;
}

bool GlimmerTask::requestConfirm(RequestChannel& channel) {
    QString proof;
    if (!getAuth(channel, proof))
        return false;
    QtJson::JsonObject message = request(Protocol::CONFIRM, proof);
    message.insert(Protocol::NAME, clientName_);
    proofSent_ = !proof.isEmpty();
    CastReply reply;
    if (!exchange(channel, message, reply))
        return false;

    confirmResult_ = false;
    emit waitForUserConfirmCast(deviceName_);
    if (!confirmResult_) {
        cancelConfirm(channel);
        return false;
    }
    return true;
}

bool GlimmerTask::cancelConfirm(RequestChannel& channel) {
    QString proof;
    if (!getAuth(channel, proof))
        return false;
    if (!sendData(channel, request(Protocol::CANCEL_CONFIRM, proof)))
        return false;
    QtJson::JsonObject reply;
    return receiveData(channel, reply);
}

bool GlimmerTask::requestCast(RequestChannel& channel, QString& ip) {
    QString proof;
    if (!getAuth(channel, proof)) {
        if (!errorText_.contains(UnknownTypeMarker))
            return false;
        // A device from before passwords: it casts without a proof.
        proof.clear();
    }
    QtJson::JsonObject message = request(Protocol::CAST, proof);
    message.insert(Protocol::PORT, MirrorPort);
    message.insert(Protocol::SOURCE_WIDTH, sourceWidth_);
    message.insert(Protocol::SOURCE_HEIGHT, sourceHeight_);
    message.insert(Protocol::FINGO_PORT, FingoPort);
    proofSent_ = !proof.isEmpty();
    CastReply reply;
    if (!exchange(channel, message, reply))
        return false;
    ip = reply.ip;
    if (!ip.isEmpty() && !isSafeAddressText(ip)) {
        fail(QStringLiteral("Invalid ip in cast reply."));
        return false;
    }
    return true;
}

bool GlimmerTask::startGlimmer(const QString& ip) {
    RunCastCallback started(this, ControlServerName);
    if (!WinUtils::openExecuteFile(program_, launchParameters(ip), false, true, &started)) {
        fail(tr("无法启动镜像程序 %1.").arg(program_));
        return false;
    }
    return true;
}

bool GlimmerTask::mayRetry() const {
    return errorCode_ == WrongPasswordCode && proofSent_;
}

void GlimmerTask::run() {
    emit onStarted();
    RequestChannel channel(address_, quint16(port_));

    if (settings_->value(Config::ConfirmCast).toBool()) {
        bool confirmed = false;
        do {
            errorText_.clear();
            proofSent_ = false;
            confirmed = requestConfirm(channel);
        } while (!confirmed && mayRetry());
        // A device without confirmation does not know the request; it casts
        // all the same.
        if (!confirmed && !errorText_.contains(UnknownTypeMarker)) {
            emit errMsg(errorText_);
            return;
        }
    }

    QString ip;
    bool accepted = false;
    do {
        errorText_.clear();
        proofSent_ = false;
        accepted = requestCast(channel, ip);
    } while (!accepted && mayRetry());
    if (!accepted) {
        emit errMsg(errorText_);
        return;
    }

    if (startGlimmer(ip))
        emit onFinished();
    else
        emit errMsg(errorText_);
}
