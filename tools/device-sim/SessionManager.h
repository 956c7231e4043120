#pragma once

#include "SessionState.h"
#include "TransferSession.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <memory>

class EventLog;

// The transfer sessions of one device: opens them, finds them by id for the
// completion polls, and stops their workers when the device goes away.
class SessionManager : public QObject {
    Q_OBJECT
public:
    SessionManager(const TransferSession::Config& config, EventLog& log, QObject* parent = nullptr);
    ~SessionManager() override;

    // Session ids are unique in the process, so a poll sent to the wrong
    // device never matches by accident.
    static int nextId();

    // A new session listening on `address`; nullptr when no port opened.
    TransferSession* open(SessionState::Kind kind, const QString& localPath,
                          const QString& devicePath, qint64 size, const QHostAddress& address);
    std::shared_ptr<SessionState> find(int id) const;
    TransferSession* session(int id) const { return sessions_.value(id); }

    // Ends every transfer and waits for the workers.
    void shutdown();

private:
    TransferSession::Config config_;
    EventLog& log_;
    QThreadPool pool_;
    std::atomic<bool> stopping_{false};
    QHash<int, TransferSession*> sessions_;
};
