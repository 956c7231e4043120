#pragma once

#include "DescriptorServer.h"

#include <QHostAddress>
#include <QObject>
#include <QQueue>
#include <QTimer>

#include <atomic>
#include <memory>

class EventLog;
class QThreadPool;
class SessionState;

// The TCP side of one upload or download: a listener on an ephemeral port of
// the device's address that keeps taking connections (the client resumes
// after a broken one) until the data is complete or no connection came for
// a while. Connections are served one at a time on the worker pool, so the
// UDP side keeps answering during long transfers.
class TransferSession : public QObject {
    Q_OBJECT
public:
    struct Config {
        qint64 cutAfterBytes = -1;   // below 0: connections are never cut
        int cutConnections = 1;      // how many first connections are cut
        qint64 stallAfterBytes = -1; // below 0: the first connection never stalls
        int ioTimeoutMs = 15000;
        int idleTimeoutMs = 60000;
    };

    TransferSession(std::shared_ptr<SessionState> state, const Config& config, QThreadPool& pool,
                    const std::atomic<bool>& stopping, EventLog& log, QObject* parent = nullptr);
    ~TransferSession() override;

    bool listen(const QHostAddress& address);
    quint16 port() const { return server_.serverPort(); }
    bool isListening() const { return server_.isListening(); }
    std::shared_ptr<SessionState> state() const { return state_; }
    // Wakes a worker blocked on its connection (shutdown, or a newer one).
    void interrupt();

private:
    void onConnection(qintptr descriptor);
    void onWorkerFinished();
    void onIdle();
    void startNext();
    void stopListening();

    std::shared_ptr<SessionState> state_;
    Config config_;
    QThreadPool& pool_;
    const std::atomic<bool>& stopping_;
    EventLog& log_;
    DescriptorServer server_;
    QQueue<qintptr> waiting_;
    bool busy_ = false;
    QTimer idle_;
};
