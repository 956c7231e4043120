#include "tavlo/FileOpen.h"

#include "tavlo/RequestChannel.h"
#include "utils/ProtocolDefinedJsonObject.h"

FileOpen::FileOpen(const QString& remotePath, const ServerContent& server, QObject* parent)
    : DeviceRequestTask(server, parent)
    , remotePath_(remotePath) {}

FileOpen::~FileOpen() {
    emit notify(result_ ? tr("打开文件成功.") : tr("打开文件失败."));
}

QVariantMap FileOpen::request(const QString& remotePath) {
    QVariantMap map;
    map.insert(Protocol::TYPE, Protocol::FILE_OPEN);
    if (remotePath.split(QLatin1Char(':')).first() == Protocol::SECURE) {
        map.insert(Protocol::OPTION, Protocol::SECURE);
        map.insert(Protocol::FILE_PATH, remotePath.split(Protocol::SECURE_PATH_SEPARATOR).last());
    } else {
        map.insert(Protocol::OPTION, Protocol::NORMAL);
        map.insert(Protocol::FILE_PATH, remotePath);
    }
    return map;
}

void FileOpen::run() {
    QVariantMap reply;
    if (!exchange(request(remotePath_), reply))
        return;
    result_ = RequestChannel::resultOf(reply) == RequestChannel::Result::Ok;
    if (!result_) {
        qCritical("[E][%s] Open file fail: %s", "FileOpen",
                  qPrintable(RequestChannel::reasonOf(reply)));
        failure_ = RequestChannel::refusal(reply);
    }
}
