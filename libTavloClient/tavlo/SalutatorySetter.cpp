#include "tavlo/SalutatorySetter.h"

#include "tavlo/RequestChannel.h"
#include "utils/ProtocolDefinedJsonObject.h"

SalutatorySetter::SalutatorySetter(const QString& salutatory, const ServerContent& server,
                                   QObject* parent)
    : DeviceRequestTask(server, parent)
    , salutatory_(salutatory) {}

SalutatorySetter::~SalutatorySetter() {
    emit notify(result_ ? tr("设置欢迎辞成功.") : tr("设置欢迎辞失败."));
}

void SalutatorySetter::run() {
    QVariantMap request;
    request.insert(Protocol::TYPE, Protocol::SALUTATORY);
    request.insert(Protocol::SALUTATORY, salutatory_);
    QVariantMap reply;
    if (!exchange(request, reply))
        return;
    result_ = RequestChannel::resultOf(reply) == RequestChannel::Result::Ok;
    if (!result_) {
        qCritical("[E][%s] Salutatory setting fail: %s", "SalutatorySetter",
                  qPrintable(RequestChannel::reasonOf(reply)));
        failure_ = RequestChannel::refusal(reply);
    }
}
