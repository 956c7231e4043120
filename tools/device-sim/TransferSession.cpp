#include "TransferSession.h"

#include "EventLog.h"
#include "NativeSocket.h"
#include "SessionState.h"
#include "TransferWorker.h"

#include <QThreadPool>

TransferSession::TransferSession(std::shared_ptr<SessionState> state, const Config& config,
                                 QThreadPool& pool, const std::atomic<bool>& stopping,
                                 EventLog& log, QObject* parent)
    : QObject(parent)
    , state_(std::move(state))
    , config_(config)
    , pool_(pool)
    , stopping_(stopping)
    , log_(log) {
    idle_.setSingleShot(true);
    idle_.setInterval(config_.idleTimeoutMs);
    connect(&idle_, &QTimer::timeout, this, &TransferSession::onIdle);
    connect(&server_, &DescriptorServer::connectionAccepted, this, &TransferSession::onConnection);
}

TransferSession::~TransferSession() {
    stopListening();
}

bool TransferSession::listen(const QHostAddress& address) {
    if (!server_.listen(address, 0))
        return false;
    idle_.start();
    return true;
}

void TransferSession::interrupt() {
    state_->interrupt();
}

void TransferSession::onConnection(qintptr descriptor) {
    idle_.stop();
    waiting_.enqueue(descriptor);
    // The client only reconnects after giving up on its connection; a worker
    // still blocked on that one is woken instead of holding the new one back.
    if (busy_)
        state_->interrupt();
    else
        startNext();
}

void TransferSession::startNext() {
    if (busy_ || waiting_.isEmpty())
        return;
    busy_ = true;
    TransferWorker::Setup setup;
    setup.descriptor = waiting_.dequeue();
    setup.state = state_;
    setup.connectionIndex = state_->takeConnectionIndex();
    if (setup.connectionIndex < config_.cutConnections)
        setup.cutAfterBytes = config_.cutAfterBytes;
    if (setup.connectionIndex == 0 && config_.stallAfterBytes >= 0) {
        setup.cutAfterBytes = config_.stallAfterBytes;
        setup.stall = true;
    }
    setup.timeoutMs = config_.ioTimeoutMs;
    setup.stopping = &stopping_;
    setup.log = &log_;
    // The session outlives its workers: the owner waits for the pool first.
    setup.onFinished = [this] {
        QMetaObject::invokeMethod(
            this, [this] { onWorkerFinished(); }, Qt::QueuedConnection);
    };
    pool_.start(new TransferWorker(std::move(setup)));
}

void TransferSession::onWorkerFinished() {
    busy_ = false;
    if (state_->isComplete()) {
        stopListening();
        return;
    }
    if (!waiting_.isEmpty())
        startNext();
    else if (server_.isListening())
        idle_.start();
}

void TransferSession::onIdle() {
    if (busy_ || !server_.isListening())
        return;
    log_.event(QStringLiteral("expired %1 session=%2").arg(state_->devicePath()).arg(state_->id()));
    stopListening();
}

void TransferSession::stopListening() {
    idle_.stop();
    server_.close();
    while (!waiting_.isEmpty())
        NativeSocket::close(waiting_.dequeue());
}
