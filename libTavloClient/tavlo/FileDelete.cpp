#include "tavlo/FileDelete.h"

#include "tavlo/RequestChannel.h"
#include "utils/ProtocolDefinedJsonObject.h"

FileDelete::FileDelete(const QString& remotePath, const ServerContent& server, QObject* parent)
    : DeviceRequestTask(server, parent)
    , remotePath_(remotePath) {}

FileDelete::~FileDelete() {
    emit notify(result_ ? tr("删除文件成功.") : tr("删除文件失败."));
    emit deleteFileEnd(result_);
}

void FileDelete::run() {
    QVariantMap request;
    request.insert(Protocol::TYPE, Protocol::FILE_DELETE);
    request.insert(Protocol::FILE_PATH, remotePath_);
    QVariantMap reply;
    if (!exchange(request, reply))
        return;
    result_ = RequestChannel::resultOf(reply) == RequestChannel::Result::Ok;
    if (!result_) {
        qCritical("[E][%s] delete file fail.", "FileDelete");
        failure_ = RequestChannel::refusal(reply);
    }
}
