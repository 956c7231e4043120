#include "tavlo/server/ReplyOperate.h"

#include "tavlo/discovery/DiscoveryListener.h"
#include "tavlo/server/OfferRegistry.h"
#include "tavlo/server/SessionTable.h"
#include "utils/JsonFields.h"
#include "utils/MetaTypes.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QUdpSocket>

namespace {

const char* const Category = "ReplyOperate";

qint64 monotonicMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

} // namespace

ReplyOperate::ReplyOperate(const QByteArray& data, const QHostAddress& sender, quint16 senderPort,
                           QObject* parent)
    : QObject(parent)
    , data_(data)
    , sender_(sender)
    , senderPort_(senderPort) {
    MetaTypes::registerAll();
    setAutoDelete(true);
}

void ReplyOperate::setServing(const DownloadServer::Timings& timings, const StopToken& stop) {
    timings_ = timings;
    stop_ = stop;
}

ReplyOperate::~ReplyOperate() {
    if (ended_)
        ended_();
}

void ReplyOperate::run() {
    bool ok = false;
    // Every byte counts: a NUL inside a string must not cut the request short.
    const QtJson::JsonObject request =
        QtJson::parse(QString::fromUtf8(data_.constData(), data_.size()), ok).toMap();
    if (!ok) {
        qCritical("[E][%s] ReplyOperate: parse json fail.", Category);
        return;
    }
    const QString type = JsonFields::textOr(request, Protocol::TYPE);
    if (type == Protocol::FILE_DOWNLOAD)
        replyFileDownload(request);
    else if (type == Protocol::QUERY_RESULT)
        replyResultQuery(request);
    else if (type == Protocol::FILE_DISTRIBUTION)
        replyFileDistribution(request, sender_, qint16(senderPort_));
    else
        qCritical("[E][%s] ReplyOperate: does not support operate: %s", Category, qPrintable(type));
}

bool ReplyOperate::sendReply(const QVariantMap& reply, const char* serializeFailure,
                             const char* sendFailure) {
    bool ok = false;
    const QByteArray datagram = QtJson::serialize(reply, ok);
    if (!ok) {
        qCritical(serializeFailure, Category);
        return false;
    }
    if (replier_ && replier_(datagram, sender_, senderPort_))
        return true;
    QUdpSocket socket;
    if (socket.writeDatagram(datagram, sender_, senderPort_) == -1) {
        qCritical(sendFailure, Category);
        return false;
    }
    return true;
}

void ReplyOperate::replyFileDownload(const QtJson::JsonObject& request) {
    const QString path = JsonFields::textOr(request, Protocol::FILE_PATH);
    QVariantMap reply;
    SessionTable::Grant grant;
    std::unique_ptr<DownloadServer> server;
    if (!OfferRegistry::instance().isOffered(sender_, path)) {
        reply.insert(Protocol::RESULT, Protocol::FAIL);
        reply.insert(Protocol::REASON, QStringLiteral("File not allow to download."));
    } else if (!QFileInfo(path).isFile()) {
        reply.insert(Protocol::RESULT, Protocol::FAIL);
        reply.insert(Protocol::REASON, QStringLiteral("File not exists."));
    } else {
        // A port another program holds cannot serve: the next one is tried.
        for (int tries = 0; tries < 20 && !server; ++tries) {
            grant = SessionTable::instance().grant();
            server = makeServer(path, grant);
            if (!server->listen()) {
                SessionTable::instance().setSessionState(grant.sessionId,
                                                         QStringLiteral("no port"));
                server.reset();
            }
        }
        if (server) {
            reply.insert(Protocol::RESULT, Protocol::OK);
            reply.insert(Protocol::SESSION_ID, grant.sessionId);
            reply.insert(Protocol::TCP_PORT, uint(grant.tcpPort));
            // The whole size: the peer reads a 64-bit integer, and a size cut
            // to 32 bits would end files of 4 GiB and more early.
            reply.insert(Protocol::FILE_SIZE, qint64(QFile(path).size()));
        } else {
            reply.insert(Protocol::RESULT, Protocol::FAIL);
            reply.insert(Protocol::REASON, QStringLiteral("No port to serve the file."));
        }
    }
    if (!sendReply(reply, "[E][%s] replyFileDownload: serialize json fail.",
                   "[E][%s] replyFileDownload: socket send error."))
        return;
    if (server) {
        emit sessionGranted(grant.sessionId, path, sender_);
        // This handler waits for the whole session anyway, so the server
        // runs right here; its destructor sends the final report.
        server->run();
    }
}

std::unique_ptr<DownloadServer> ReplyOperate::makeServer(const QString& path,
                                                         const SessionTable::Grant& grant) {
    const ServerContent device = DiscoveryListener::instance()->getServer(sender_.toString());
    auto server = std::make_unique<DownloadServer>(path, grant.tcpPort, grant.sessionId, device);
    server->setAutoDelete(false);
    server->setPeerAddress(sender_);
    server->setTimings(timings_);
    server->setStopToken(stop_);
    connect(server.get(), &DownloadServer::uploadProgress, this, &ReplyOperate::uploadProgress,
            Qt::DirectConnection);
    connect(server.get(), &DownloadServer::updateRecentFileList, this,
            &ReplyOperate::updateRecentFileList, Qt::DirectConnection);
    return server;
}

void ReplyOperate::replyResultQuery(const QtJson::JsonObject& request) {
    // An id that is no 32-bit session number names no session.
    qint64 requested = 0;
    const bool isId =
        JsonFields::integer(request, Protocol::SESSION_ID, 0, 0xFFFFFFFFLL, requested);
    const quint32 id = isId ? quint32(requested) : 0;
    QVariantMap reply;
    reply.insert(Protocol::SESSION_ID, id);
    QString state;
    QString md5;
    bool confirmed = false;
    if (!isId || !SessionTable::instance().sessionState(id, state)) {
        reply.insert(Protocol::RESULT, Protocol::FAIL);
        reply.insert(Protocol::REASON, QStringLiteral("not such sessionID"));
    } else if (JsonFields::text(request, Protocol::MD5, md5) && state == md5) {
        reply.insert(Protocol::RESULT, Protocol::OK);
        confirmed = true;
    } else {
        reply.insert(Protocol::RESULT, Protocol::FAIL);
        reply.insert(Protocol::REASON, state);
    }
    if (!sendReply(reply, "[E][%s] Reply result query: serialize json fail.",
                   "[E][%s] Reply result query: socket write datagram fail."))
        return;
    if (isId)
        emit sessionQueried(id, confirmed);
}

void ReplyOperate::replyFileDistribution(const QtJson::JsonObject& request,
                                         const QHostAddress& sender, qint16 senderPort) {
    if (offerAllowance_ && !offerAllowance_->take(sender, monotonicMs())) {
        qWarning("[W][%s] Offer from %s dropped: too many offers.", Category,
                 qPrintable(sender.toString()));
        return;
    }
    ServerContent device;
    device.name = JsonFields::textOr(request, Protocol::NAME);
    device.uuid = JsonFields::textOr(request, Protocol::UUID);
    device.address = sender;
    emit isDownloadFile(JsonFields::textOr(request, Protocol::FILE_PATH), device,
                        quint16(senderPort));
}
