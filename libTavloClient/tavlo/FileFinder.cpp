#include "tavlo/FileFinder.h"

#include "tavlo/RequestChannel.h"
#include "utils/JsonFields.h"
#include "utils/MetaTypes.h"
#include "utils/ProtocolDefinedJsonObject.h"

const QStringList& FileFinder::topLevelFolders() {
    static const QStringList folders = QStringLiteral("Tavlo,Pictures,Whiteboard").split(',');
    return folders;
}

FileFinder::FileFinder(const QString& dirPath, const QString& order, const ServerContent& server,
                       QObject* parent)
    : QObject(parent)
    , dirPath_(dirPath)
    , order_(order)
    , server_(server) {
    MetaTypes::registerAll();
    setAutoDelete(true);
}

void FileFinder::run() {
    QList<FileContent> entries;
    if (!collect(entries)) {
        emit findFileFailed(failure_);
        return;
    }
    if (dirPath_.isEmpty())
        entries = topLevelOnly(entries);
    succeeded_ = datagrams_ > 0;
    emit findFileEnd(entries);
    if (!succeeded_)
        emit findFileFailed(failure_);
}

QList<FileContent> FileFinder::topLevelOnly(const QList<FileContent>& entries) {
    QList<FileContent> shown;
    for (const FileContent& entry : entries) {
        if (topLevelFolders().contains(entry.fileName))
            shown.append(entry);
    }
    return shown;
}

FileFinder::Chunk FileFinder::readReply(const QVariantMap& reply, QList<FileContent>& entries) {
    if (RequestChannel::resultOf(reply) == RequestChannel::Result::Fail)
        return Chunk::Refused;
    const QVariantList list = JsonFields::listOr(reply, Protocol::FILE_LIST);
    for (const QVariant& entry : list) {
        if (entries.size() >= MaxEntries)
            break;
        // An entry that is no object is one with every member missing.
        entries.append(FileContent::fromListingEntry(entry.toMap()));
    }
    return JsonFields::flagOr(reply, Protocol::FINISHED, false) ? Chunk::Finished : Chunk::More;
}

bool FileFinder::collect(QList<FileContent>& entries) {
    RequestChannel channel(server_.address);
    QVariantMap request;
    request.insert(Protocol::TYPE, Protocol::FILE_LIST);
    request.insert(Protocol::FILE_PATH, dirPath_);
    request.insert(Protocol::KEY, QStringLiteral("0"));
    request.insert(Protocol::SORT, order_);
    if (channel.send(request) != RequestChannel::Status::Ok) {
        failure_ = TransferFailure(TransferFailure::RequestNotSent);
        return false;
    }

    for (;;) {
        QVariantMap reply;
        const auto status =
            channel.receive(timings_.replyTimeoutMs, RequestChannel::SenderCheck::Any, reply);
        if (status == RequestChannel::Status::NoReply) {
            if (datagrams_ == 0)
                failure_ = TransferFailure(TransferFailure::NoAnswer);
            break; // a device that stops early yields what it sent
        }
        if (status != RequestChannel::Status::Ok) {
            failure_ = RequestChannel::failureOf(status);
            return false;
        }
        ++datagrams_;
        const Chunk chunk = readReply(reply, entries);
        if (chunk == Chunk::Refused) {
            qCritical("[E][%s] Find File Fail: %s", "FileFinder",
                      qPrintable(RequestChannel::reasonOf(reply)));
            failure_ = RequestChannel::refusal(reply);
            return false;
        }
        if (chunk == Chunk::Finished)
            break;
        if (entries.size() >= MaxEntries || datagrams_ >= MaxDatagrams) {
            qWarning("[W][%s] Listing cut off after %d entries in %d datagrams.", "FileFinder",
                     int(entries.size()), datagrams_);
            break;
        }
    }
    return true;
}
