#include "SessionState.h"

#include "NativeSocket.h"

#include <QMutexLocker>

SessionState::SessionState(int id, Kind kind, const QString& localPath, const QString& devicePath,
                           qint64 size)
    : id_(id)
    , kind_(kind)
    , localPath_(localPath)
    , devicePath_(devicePath)
    , size_(size) {}

bool SessionState::setComplete(const QString& md5) {
    QMutexLocker lock(&mutex_);
    if (complete_)
        return false;
    complete_ = true;
    md5_ = md5;
    return true;
}

bool SessionState::isComplete() const {
    QMutexLocker lock(&mutex_);
    return complete_;
}

QString SessionState::md5() const {
    QMutexLocker lock(&mutex_);
    return md5_;
}

void SessionState::attach(qintptr descriptor) {
    QMutexLocker lock(&mutex_);
    active_ = descriptor;
}

void SessionState::detach() {
    QMutexLocker lock(&mutex_);
    active_ = -1;
}

void SessionState::interrupt() {
    // Under the lock the descriptor cannot be closed (and reused) meanwhile:
    // the worker detaches before its socket closes.
    QMutexLocker lock(&mutex_);
    if (active_ != -1)
        NativeSocket::shutdown(active_);
}
