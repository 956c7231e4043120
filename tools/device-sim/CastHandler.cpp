#include "CastHandler.h"

#include "EventLog.h"

#include "utils/ProtocolDefinedJsonObject.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {

QByteArray md5Hex(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
}

QString freshChallenge() {
    QByteArray bytes(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                          bytes.size() / int(sizeof(quint32)));
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

CastHandler::CastHandler(const CastSettings& settings, const QString& deviceUuid, EventLog& log)
    : settings_(settings)
    , deviceUuid_(deviceUuid)
    , log_(log) {}

QString CastHandler::expectedProof(const QString& password, const QString& randomData) {
    return QString::fromLatin1(md5Hex(md5Hex(password.toUtf8()) + randomData.toUtf8()));
}

QVariantMap CastHandler::ok() const {
    return QVariantMap{{Protocol::RESULT, Protocol::OK}, {Protocol::UUID, deviceUuid_}};
}

QVariantMap CastHandler::refuse(const QString& type, int code, const QString& reason) const {
    log_.event(QStringLiteral("cast-refused %1 %2 %3").arg(type).arg(code).arg(reason));
    return QVariantMap{{Protocol::RESULT, Protocol::FAIL},
                       {Protocol::UUID, deviceUuid_},
                       {Protocol::ERROR_CODE, code},
                       {Protocol::REASON, reason}};
}

QVariantMap CastHandler::handle(const QVariantMap& request, const QHostAddress& client,
                                const QHostAddress& reachedAt) {
    const QString type = request.value(Protocol::TYPE).toString();
    // Challenges belong to one client program on one PC.
    const QString who =
        request.value(Protocol::UUID).toString() + QLatin1Char('@') + client.toString();
    if (settings_.legacy && type != Protocol::CAST) {
        // What a device from before passwords says to requests it does not know.
        const QString reason = QStringLiteral("Unknow type: %1").arg(type);
        log_.event(QStringLiteral("cast-refused %1 legacy %2").arg(type, reason));
        return QVariantMap{{Protocol::RESULT, Protocol::FAIL}, {Protocol::REASON, reason}};
    }
    if (type == Protocol::GET_AUTH)
        return getAuth(who);
    if (type == Protocol::CONFIRM)
        return confirm(request, who);
    if (type == Protocol::CANCEL_CONFIRM)
        return cancelConfirm(request, who);
    if (type == Protocol::CAST)
        return cast(request, who, reachedAt);
    return refuse(type, UnknownTypeCode, QStringLiteral("Unknow type: %1").arg(type));
}

QVariantMap CastHandler::getAuth(const QString& client) {
    QVariantMap reply = ok();
    const bool needPassword = !settings_.password.isEmpty();
    reply.insert(Protocol::NEED_PASSWD, needPassword);
    if (needPassword) {
        const QString challenge = freshChallenge();
        challenges_.insert(client, challenge);
        reply.insert(Protocol::RANDOM_DATA, challenge);
    }
    log_.event(QStringLiteral("cast-auth need_passwd=%1")
                   .arg(needPassword ? QStringLiteral("true") : QStringLiteral("false")));
    return reply;
}

QVariantMap CastHandler::checkProof(const QString& type, const QVariantMap& request,
                                    const QString& client) {
    if (settings_.password.isEmpty() || settings_.legacy)
        return QVariantMap();
    const QString proof = request.value(Protocol::PASSWD).toString();
    // A challenge answers one request only.
    const QString challenge = challenges_.take(client);
    if (proof.isEmpty())
        return refuse(type, WrongPasswordCode, QStringLiteral("password required"));
    if (challenge.isEmpty() || proof != expectedProof(settings_.password, challenge))
        return refuse(type, WrongPasswordCode, QStringLiteral("wrong password"));
    return QVariantMap();
}

QVariantMap CastHandler::confirm(const QVariantMap& request, const QString& client) {
    const QVariantMap refusal = checkProof(Protocol::CONFIRM, request, client);
    if (!refusal.isEmpty())
        return refusal;
    log_.event(QStringLiteral("cast-confirm %1").arg(request.value(Protocol::NAME).toString()));
    return ok();
}

QVariantMap CastHandler::cancelConfirm(const QVariantMap& request, const QString& client) {
    const QVariantMap refusal = checkProof(Protocol::CANCEL_CONFIRM, request, client);
    if (!refusal.isEmpty())
        return refusal;
    log_.event(QStringLiteral("cast-cancel-confirm"));
    return ok();
}

QVariantMap CastHandler::cast(const QVariantMap& request, const QString& client,
                              const QHostAddress& reachedAt) {
    const QVariantMap refusal = checkProof(Protocol::CAST, request, client);
    if (!refusal.isEmpty())
        return refusal;
    QVariantMap reply = ok();
    const QString ip = settings_.noIp ? QString() : reachedAt.toString();
    if (!ip.isEmpty())
        reply.insert(Protocol::IP, ip);
    log_.event(
        QStringLiteral("cast-accepted %1x%2 port=%3 fingo_port=%4 passwd=%5 ip=%6")
            .arg(request.value(Protocol::SOURCE_WIDTH).toString(),
                 request.value(Protocol::SOURCE_HEIGHT).toString(),
                 request.value(Protocol::PORT).toString(),
                 request.value(Protocol::FINGO_PORT).toString(),
                 request.contains(Protocol::PASSWD) ? QStringLiteral("yes") : QStringLiteral("no"),
                 ip.isEmpty() ? QStringLiteral("none") : ip));
    return reply;
}
