#pragma once

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QString>

// Download sessions this PC granted to its peers: the state of each ("not_complete",
// then the MD5 of the file as served) and the counters that number sessions
// and pick their TCP ports. One lock covers all of it, so two grants at the
// same moment never share an id or a port. Entries live until the process ends.
class SessionTable {
public:
    static constexpr quint32 FirstSessionId = 1717986918; // 0x66666666
    static constexpr quint32 FirstTcpPort = 20000;
    // Ports are handed out from 20000 to 20999 and then from 20000 again:
    // the range the client's firewall profiles open.
    static constexpr quint32 TcpPortCount = 1000;

    struct Grant {
        quint32 sessionId = 0;
        quint16 tcpPort = 0;
    };

    static SessionTable& instance();

    // Takes the next session id and port and records the session as
    // "not_complete".
    Grant grant();
    void setSessionState(quint32 id, const QString& state);
    // False when no session has that id.
    bool sessionState(quint32 id, QString& state) const;

private:
    SessionTable() = default;

    mutable QMutex mutex_;
    QHash<quint32, QString> states_;
    quint32 nextSessionId_ = FirstSessionId;
    quint32 nextTcpPort_ = FirstTcpPort;
};
