#include "tavlo/FileThumb.h"

#include "tavlo/RequestChannel.h"
#include "tavlo/TavloClientDatabase.h"
#include "utils/JsonFields.h"
#include "utils/ProtocolDefinedJsonObject.h"

FileThumb::FileThumb(const QString& remotePath, const ServerContent& server, qint64 dateModified,
                     const QModelIndex& index, QObject* parent)
    : DeviceRequestTask(server, parent)
    , remotePath_(remotePath)
    , index_(index)
    , dateModified_(dateModified) {}

FileThumb::~FileThumb() {
    emit getThumbEnd(result_, thumb_, index_);
}

void FileThumb::run() {
    auto* database = TavloClientDatabase::instance();
    thumb_ = database->getThumb(server_.uuid, remotePath_, dateModified_);
    if (!thumb_.isEmpty()) {
        result_ = true;
        fromCache_ = true;
        return;
    }

    QVariantMap request;
    request.insert(Protocol::TYPE, Protocol::GET_THUMB);
    request.insert(Protocol::FILE_PATH, remotePath_);
    QVariantMap reply;
    if (!exchange(request, reply))
        return;
    if (RequestChannel::resultOf(reply) != RequestChannel::Result::Ok) {
        failure_ = RequestChannel::refusal(reply);
        return;
    }
    // Base64 text; a member of another type holds no picture.
    thumb_ = QByteArray::fromBase64(JsonFields::textOr(reply, Protocol::THUMB).toLatin1());
    result_ = true;
    database->setThumb(server_.uuid, remotePath_, dateModified_, thumb_);
}
