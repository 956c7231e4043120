#include "RequestHandler.h"

#include "EventLog.h"
#include "FileStore.h"
#include "SessionManager.h"
#include "Thumbnailer.h"

#include "tavlo/RequestChannel.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>

namespace {

const QString NoSuchSession = QStringLiteral("no such session");
const QString Md5Mismatch = QStringLiteral("md5 mismatch");
const QString NoSuchDirectory = QStringLiteral("No such directory.");
const QString FileNotExists = QStringLiteral("File not exists.");
const QString NotAPicture = QStringLiteral("Not a picture.");
const QString Unsupported = QStringLiteral("Unsupported request.");

QString text(const QVariantMap& request, const QString& key) {
    return request.value(key).toString();
}

} // namespace

RequestHandler::RequestHandler(const FileStore& store, SessionManager& sessions,
                               const SimFaults& faults, int listingChunk,
                               const QHostAddress& deviceAddress, EventLog& log)
    : store_(store)
    , sessions_(sessions)
    , faults_(faults)
    , listingChunk_(listingChunk)
    , deviceAddress_(deviceAddress)
    , log_(log) {}

QVariantMap RequestHandler::ok() {
    return QVariantMap{{Protocol::RESULT, Protocol::OK}};
}

QVariantMap RequestHandler::fail(const QString& reason) {
    return QVariantMap{{Protocol::RESULT, Protocol::FAIL}, {Protocol::REASON, reason}};
}

QVariantMap RequestHandler::fail(const QString& reason, const QVariant& sessionId) {
    QVariantMap reply = fail(reason);
    reply.insert(Protocol::SESSION_ID, sessionId);
    return reply;
}

QList<QVariantMap> RequestHandler::handle(const QVariantMap& request) {
    const QString type = text(request, Protocol::TYPE);

    if (faults_.failReasons.contains(type)) {
        const QString reason = faults_.failReasons.value(type);
        // The client reads a session id before the result of these two, and
        // ignores poll answers for other sessions.
        if (type == Protocol::FILE_UPLOAD)
            return {fail(reason, SessionManager::nextId())};
        if (type == Protocol::QUERY_RESULT)
            return {fail(reason, request.value(Protocol::SESSION_ID))};
        return {fail(reason)};
    }

    if (type == Protocol::FILE_UPLOAD)
        return {fileUpload(request)};
    if (type == Protocol::QUERY_RESULT)
        return queryResult(request);
    if (type == Protocol::FILE_LIST)
        return fileList(request);
    if (type == Protocol::FILE_DOWNLOAD)
        return {fileDownload(request)};
    if (type == Protocol::FILE_OPEN)
        return {fileOpen(request)};
    if (type == Protocol::FILE_DELETE)
        return {fileDelete(request)};
    if (type == Protocol::GET_THUMB)
        return {thumbnail(request)};
    if (type == Protocol::SALUTATORY)
        return {setSalutatory(request)};
    return {fail(Unsupported)};
}

QVariantMap RequestHandler::fileUpload(const QVariantMap& request) {
    // Every answer carries a session id: the client checks it before the result.
    const QString option = text(request, Protocol::OPTION);
    const bool secure = option == Protocol::SECURE;
    if (!secure && !option.isEmpty() && option != Protocol::NORMAL)
        return fail(QStringLiteral("Invalid option."), -1);
    qint64 size = -1;
    if (!RequestChannel::integerOf(request, Protocol::FILE_SIZE, size) || size < 0)
        return fail(QStringLiteral("Invalid file size."), -1);
    const QString name = text(request, Protocol::FILE_NAME);
    const QString target = store_.uploadTarget(name, secure);
    if (target.isEmpty() || QFileInfo(target).isDir() ||
        !QDir().mkpath(QFileInfo(target).absolutePath()))
        return fail(QStringLiteral("Invalid file name."), -1);

    const QString devicePath = FileStore::uploadDevicePath(name, secure);
    TransferSession* session =
        sessions_.open(SessionState::Kind::Upload, target, devicePath, size, deviceAddress_);
    if (!session)
        return fail(QStringLiteral("No data port."), -1);
    log_.detail(QStringLiteral("session %1 upload %2 size=%3 tcp=%4")
                    .arg(session->state()->id())
                    .arg(devicePath)
                    .arg(size)
                    .arg(session->port()));
    QVariantMap reply = ok();
    reply.insert(Protocol::SESSION_ID, session->state()->id());
    reply.insert(Protocol::TCP_PORT, session->port());
    return reply;
}

QList<QVariantMap> RequestHandler::queryResult(const QVariantMap& request) {
    if (faults_.noPollAnswer)
        return {};
    const QVariant sessionId = request.value(Protocol::SESSION_ID);
    qint64 id = 0;
    std::shared_ptr<SessionState> state;
    if (RequestChannel::integerOf(request, Protocol::SESSION_ID, id) && id > 0 && id <= INT_MAX)
        state = sessions_.find(int(id));
    if (!state)
        return {fail(NoSuchSession, sessionId)};

    const int poll = state->takePollNumber();
    if (poll <= faults_.notCompletePolls || !state->isComplete())
        return {fail(Protocol::NOT_COMPLETE, state->id())};
    if (text(request, Protocol::MD5) != state->md5())
        return {fail(Md5Mismatch, state->id())};
    QVariantMap reply = ok();
    reply.insert(Protocol::SESSION_ID, state->id());
    return {reply};
}

QList<QVariantMap> RequestHandler::fileList(const QVariantMap& request) {
    QList<StoreEntry> entries;
    if (!store_.list(text(request, Protocol::FILE_PATH), entries))
        return {fail(NoSuchDirectory)};
    FileStore::sort(entries, text(request, Protocol::SORT));
    const QList<QVariantList> chunks = FileStore::chunk(entries, listingChunk_);
    QList<QVariantMap> replies;
    for (int i = 0; i < chunks.size(); ++i) {
        QVariantMap reply = ok();
        reply.insert(Protocol::FILE_LIST, chunks.at(i));
        reply.insert(Protocol::FINISHED, i == chunks.size() - 1 && !faults_.noFinished);
        replies << reply;
    }
    return replies;
}

QVariantMap RequestHandler::fileDownload(const QVariantMap& request) {
    const QString devicePath = text(request, Protocol::FILE_PATH);
    const QString local = store_.mapRemote(devicePath);
    const QFileInfo info(local);
    if (local.isEmpty() || !info.isFile())
        return fail(FileNotExists);
    TransferSession* session = sessions_.open(SessionState::Kind::Download, local, devicePath,
                                              info.size(), deviceAddress_);
    if (!session)
        return fail(QStringLiteral("No data port."));
    log_.detail(QStringLiteral("session %1 download %2 size=%3 tcp=%4")
                    .arg(session->state()->id())
                    .arg(devicePath)
                    .arg(info.size())
                    .arg(session->port()));
    QVariantMap reply = ok();
    reply.insert(Protocol::SESSION_ID, session->state()->id());
    reply.insert(Protocol::TCP_PORT, session->port());
    reply.insert(Protocol::FILE_SIZE, info.size());
    return reply;
}

QVariantMap RequestHandler::fileOpen(const QVariantMap& request) {
    const QString path = text(request, Protocol::FILE_PATH);
    const bool secure = text(request, Protocol::OPTION) == Protocol::SECURE;
    const QString local = secure ? store_.mapSecure(path) : store_.mapNormal(path);
    if (local.isEmpty() || !QFileInfo(local).isFile())
        return fail(FileNotExists);
    log_.event(
        QStringLiteral("opened %1").arg(secure ? FileStore::uploadDevicePath(path, true) : path));
    return ok();
}

QVariantMap RequestHandler::fileDelete(const QVariantMap& request) {
    const QString path = text(request, Protocol::FILE_PATH);
    const QString local = store_.mapRemote(path);
    if (local.isEmpty() || !QFileInfo(local).isFile())
        return fail(FileNotExists);
    if (!QFile::remove(local))
        return fail(QStringLiteral("Delete failed."));
    log_.event(QStringLiteral("deleted %1").arg(path));
    return ok();
}

QVariantMap RequestHandler::thumbnail(const QVariantMap& request) {
    QByteArray thumb;
    switch (Thumbnailer::make(store_.mapRemote(text(request, Protocol::FILE_PATH)), thumb)) {
    case Thumbnailer::Result::Ok:
        break;
    case Thumbnailer::Result::NotAPicture:
        return fail(NotAPicture);
    case Thumbnailer::Result::Missing:
        return fail(FileNotExists);
    }
    QVariantMap reply = ok();
    reply.insert(Protocol::THUMB, QString::fromLatin1(thumb));
    return reply;
}

QVariantMap RequestHandler::setSalutatory(const QVariantMap& request) {
    salutatory_ = text(request, Protocol::SALUTATORY);
    log_.event(QStringLiteral("salutatory %1").arg(salutatory_));
    return ok();
}
