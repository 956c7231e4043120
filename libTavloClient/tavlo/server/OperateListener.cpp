#include "tavlo/server/OperateListener.h"

#include "tavlo/server/ReplyOperate.h"
#include "utils/MetaTypes.h"

namespace {
const char* const Category = "OperateListener";
}

OperateListener::OperateListener(QObject* parent)
    : UdpListener(ListenPort, Category, "[E][%s] socket bind error: %s", parent) {
    MetaTypes::registerAll();
    handlers_.setMaxThreadCount(MaxHandlers);
}

OperateListener::~OperateListener() {
    stopServing();
}

void OperateListener::setDownloadTimings(const DownloadServer::Timings& timings) {
    QMutexLocker lock(&timingsMutex_);
    timings_ = timings;
}

void OperateListener::stopServing() {
    stop();
    stop_.requestStop();
    handlers_.waitForDone();
}

void OperateListener::onDatagram(const QByteArray& data, const QHostAddress& sender,
                                 quint16 senderPort) {
    auto* reply = new ReplyOperate(data, sender, senderPort);
    {
        QMutexLocker lock(&timingsMutex_);
        reply->setServing(timings_, stop_);
    }
    reply->setReplier([this](const QByteArray& datagram, const QHostAddress& to, quint16 port) {
        return sendFromListeningPort(datagram, to, port);
    });
    // The handler's signals become this listener's; receivers choose how
    // they are delivered.
    connect(reply, &ReplyOperate::isDownloadFile, this, &OperateListener::isDownloadFile,
            Qt::DirectConnection);
    connect(reply, &ReplyOperate::uploadProgress, this, &OperateListener::uploadProgress,
            Qt::DirectConnection);
    connect(reply, &ReplyOperate::updateRecentFileList, this,
            &OperateListener::updateRecentFileList, Qt::DirectConnection);
    connect(reply, &ReplyOperate::sessionGranted, this, &OperateListener::sessionGranted,
            Qt::DirectConnection);
    connect(reply, &ReplyOperate::sessionQueried, this, &OperateListener::sessionQueried,
            Qt::DirectConnection);
    reply->setOfferAllowance(offerAllowance_);
    reply->setEndHandler(taskStarted());
    handlers_.start(reply);
}
