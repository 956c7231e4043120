#include "tavlo/server/SessionTable.h"

#include "utils/ProtocolDefinedJsonObject.h"

SessionTable& SessionTable::instance() {
    static SessionTable table;
    return table;
}

SessionTable::Grant SessionTable::grant() {
    QMutexLocker lock(&mutex_);
    Grant grant;
    grant.sessionId = nextSessionId_++;
    grant.tcpPort = quint16(FirstTcpPort + (nextTcpPort_++ - FirstTcpPort) % TcpPortCount);
    states_.insert(grant.sessionId, Protocol::NOT_COMPLETE);
    return grant;
}

void SessionTable::setSessionState(quint32 id, const QString& state) {
    QMutexLocker lock(&mutex_);
    states_.insert(id, state);
}

bool SessionTable::sessionState(quint32 id, QString& state) const {
    QMutexLocker lock(&mutex_);
    const auto it = states_.constFind(id);
    if (it == states_.constEnd())
        return false;
    state = it.value();
    return true;
}
