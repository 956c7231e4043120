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
    const auto status = channel.exchange(request, timings_.replyTimeoutMs,
                                         RequestChannel::SenderCheck::AddressAndPort, reply);
    errorText_ = RequestChannel::describe(status);
    return status == RequestChannel::Status::Ok;
}
