#include "SessionManager.h"

SessionManager::SessionManager(const TransferSession::Config& config, EventLog& log,
                               QObject* parent)
    : QObject(parent)
    , config_(config)
    , log_(log) {
    // Every connection blocks one thread for its whole transfer; a small pool
    // would leave later clients waiting past their time-outs.
    pool_.setMaxThreadCount(256);
}

SessionManager::~SessionManager() {
    shutdown();
    qDeleteAll(sessions_);
}

int SessionManager::nextId() {
    static std::atomic<int> counter{0};
    return ++counter;
}

TransferSession* SessionManager::open(SessionState::Kind kind, const QString& localPath,
                                      const QString& devicePath, qint64 size,
                                      const QHostAddress& address) {
    auto state = std::make_shared<SessionState>(nextId(), kind, localPath, devicePath, size);
    auto* session = new TransferSession(state, config_, pool_, stopping_, log_);
    if (!session->listen(address)) {
        delete session;
        return nullptr;
    }
    sessions_.insert(state->id(), session);
    return session;
}

std::shared_ptr<SessionState> SessionManager::find(int id) const {
    TransferSession* found = session(id);
    return found ? found->state() : nullptr;
}

void SessionManager::shutdown() {
    stopping_ = true;
    // A worker that was just starting may block after the first wake-up.
    do {
        for (TransferSession* session : qAsConst(sessions_))
            session->interrupt();
    } while (!pool_.waitForDone(100));
}
