#include "tavlo/DeviceRequestTask.h"

#include "tavlo/RequestChannel.h"

DeviceRequestTask::DeviceRequestTask(const ServerContent& server, QObject* parent)
    : QObject(parent)
    , server_(server) {
    setAutoDelete(true);
}

bool DeviceRequestTask::exchange(const QVariantMap& request, QVariantMap& reply) {
    RequestChannel channel(server_.address);
    const auto status = channel.exchange(request, timings_.replyTimeoutMs,
                                         RequestChannel::SenderCheck::AddressAndPort, reply);
    failure_ = RequestChannel::failureOf(status);
    return status == RequestChannel::Status::Ok;
}
