#pragma once

#include <QRunnable>

#include <atomic>
#include <functional>
#include <memory>

class EventLog;
class QFile;
class QTcpSocket;
class SessionState;
class TcpTransfer;

// One TCP connection of a transfer session, run on a pool thread with the
// library's blocking transfer loop. Upload: the first connection starts at
// byte 0 with a fresh file; later ones begin with the device telling the
// client how many bytes it has. Download: the first connection sends from
// byte 0; on later ones the client first says where to continue.
class TransferWorker : public QRunnable {
public:
    struct Setup {
        qintptr descriptor = -1;
        std::shared_ptr<SessionState> state;
        int connectionIndex = 0;
        qint64 cutAfterBytes = -1; // below 0: run to the end
        bool stall = false;        // at cutAfterBytes: hold the connection, move nothing
        int timeoutMs = 15000;
        const std::atomic<bool>* stopping = nullptr;
        EventLog* log = nullptr;
        std::function<void()> onFinished; // called on the pool thread
    };

    explicit TransferWorker(Setup setup);
    void run() override;

private:
    void receiveUpload(QTcpSocket& socket);
    void sendDownload(QTcpSocket& socket);
    // The client's resume offset, left in the socket; -1 when none comes.
    qint64 peekClientOffset(QTcpSocket& socket) const;
    // A stalled connection stays open, moving nothing, until the client
    // leaves, a newer connection comes or the simulator stops.
    void holdIfStalled(QTcpSocket& socket, qint64 end);
    // Where this connection stops: the end of the file, or earlier when the
    // connection is one to be cut.
    qint64 endFor(qint64 start) const;
    // The session's hash goes on from connection to connection (afresh on
    // the first); md5After() keeps how far it got and gives the file's MD5
    // once the last byte moved (empty before).
    void continueHash(TcpTransfer& transfer, bool first);
    QString md5After(const TcpTransfer& transfer, bool ok, qint64 end);
    void report(bool ok, qint64 end, qint64 position, const QString& error, const QString& md5);

    Setup setup_;
};
