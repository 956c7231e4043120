#include "tavlo/DeviceRequestTask.h"

#include "tavlo/RequestChannel.h"
#include "ui/MainWindow.h"

DeviceRequestTask::DeviceRequestTask(const ServerContent& server, QObject* parent)
    : QObject(parent)
    , server_(server) {
    setAutoDelete(true);
}

void DeviceRequestTask::notifyMainWindow(const char* notifySignal) {
    if (MainWindow* window = MainWindow::instance())
        connect(this, notifySignal, window, SLOT(notify(QString)));
}

bool DeviceRequestTask::exchange(const QVariantMap& request, QVariantMap& reply) {
    RequestChannel channel(server_.address);
    switch (channel.exchange(request, timings_.replyTimeoutMs,
                             RequestChannel::SenderCheck::AddressAndPort, reply)) {
    case RequestChannel::Status::Ok:
        return true;
    case RequestChannel::Status::NoReply:
        errorText_ = QStringLiteral("no answer from the device");
        break;
    case RequestChannel::Status::WrongSender:
        errorText_ = QStringLiteral("answer from a wrong address or port");
        break;
    case RequestChannel::Status::ParseFailed:
        errorText_ = QStringLiteral("answer is not valid JSON");
        break;
    default:
        errorText_ = QStringLiteral("request could not be sent");
        break;
    }
    return false;
}
