#include "TransferWorker.h"

#include "EventLog.h"
#include "NativeSocket.h"
#include "SessionState.h"

#include "tavlo/FileUtil.h"
#include "tavlo/TcpTransfer.h"

#include <QFile>
#include <QTcpSocket>

namespace {

constexpr int OffsetSize = 8;

const char* errorName(TcpTransfer::Error error) {
    switch (error) {
    case TcpTransfer::Error::None:
        return "none";
    case TcpTransfer::Error::OffsetWaitTimeout:
        return "offset-wait-timeout";
    case TcpTransfer::Error::OffsetReadFailed:
        return "offset-read-failed";
    case TcpTransfer::Error::SeekFailed:
        return "seek-failed";
    case TcpTransfer::Error::FileReadFailed:
        return "file-read-failed";
    case TcpTransfer::Error::SocketWriteFailed:
        return "socket-write-failed";
    case TcpTransfer::Error::WriteTimeout:
        return "write-timeout";
    case TcpTransfer::Error::DataWaitTimeout:
        return "data-wait-timeout";
    case TcpTransfer::Error::SocketReadFailed:
        return "socket-read-failed";
    case TcpTransfer::Error::FileWriteFailed:
        return "file-write-failed";
    case TcpTransfer::Error::Stopped:
        return "stopped";
    }
    return "unknown";
}

QString describe(const TcpTransfer& transfer) {
    const QString name = QString::fromLatin1(errorName(transfer.error()));
    const QString detail = transfer.errorDetail();
    return detail.isEmpty() ? name : name + QStringLiteral(": ") + detail;
}

} // namespace

TransferWorker::TransferWorker(Setup setup)
    : setup_(std::move(setup)) {}

void TransferWorker::run() {
    {
        QTcpSocket socket;
        if (socket.setSocketDescriptor(setup_.descriptor)) {
            setup_.state->attach(setup_.descriptor);
            // A device that is going away starts no transfer.
            if (!setup_.stopping->load()) {
                if (setup_.state->kind() == SessionState::Kind::Upload)
                    receiveUpload(socket);
                else
                    sendDownload(socket);
            }
            setup_.state->detach();
            // A graceful close lets the peer read everything that was sent.
            socket.close();
        } else {
            NativeSocket::close(setup_.descriptor);
        }
    }
    if (setup_.onFinished)
        setup_.onFinished();
}

qint64 TransferWorker::endFor(qint64 start) const {
    const qint64 size = setup_.state->size();
    if (setup_.cutAfterBytes < 0)
        return size;
    return qMin(size, qMax<qint64>(start, 0) + setup_.cutAfterBytes);
}

void TransferWorker::receiveUpload(QTcpSocket& socket) {
    const bool first = setup_.connectionIndex == 0;
    QFile file(setup_.state->localPath());
    // Later connections continue the same file; only the first starts afresh.
    const QIODevice::OpenMode mode =
        first ? QIODevice::ReadWrite | QIODevice::Truncate : QIODevice::ReadWrite;
    if (!file.open(mode)) {
        report(false, 0, 0, file.errorString(), QString());
        return;
    }
    const qint64 have = first ? 0 : qMin(file.size(), setup_.state->size());
    const qint64 end = endFor(have);
    TcpTransfer transfer(socket, file, TcpTransfer::Direction::Receive, end);
    continueHash(transfer, first);
    transfer.setTimeout(setup_.timeoutMs);
    transfer.setProgressHandler([this](qint64) { return !setup_.stopping->load(); });
    const bool ok =
        transfer.run(first ? TcpTransfer::Offset::None : TcpTransfer::Offset::Write, have);
    file.close();
    report(ok, end, transfer.position(), describe(transfer), md5After(transfer, ok, end));
    holdIfStalled(socket, end);
}

void TransferWorker::holdIfStalled(QTcpSocket& socket, qint64 end) {
    if (!setup_.stall || end >= setup_.state->size())
        return;
    while (!setup_.stopping->load() && socket.state() == QAbstractSocket::ConnectedState)
        socket.waitForDisconnected(100);
}

qint64 TransferWorker::peekClientOffset(QTcpSocket& socket) const {
    while (socket.bytesAvailable() < OffsetSize) {
        if (!socket.waitForReadyRead(setup_.timeoutMs))
            return -1;
    }
    return TcpTransfer::decodeOffset(socket.peek(OffsetSize));
}

void TransferWorker::sendDownload(QTcpSocket& socket) {
    const bool first = setup_.connectionIndex == 0;
    QFile file(setup_.state->localPath());
    if (!file.open(QIODevice::ReadOnly)) {
        report(false, 0, 0, file.errorString(), QString());
        return;
    }
    // A connection to be cut must know its start before the loop reads the
    // client's offset, so the offset is looked at without taking it.
    const qint64 start = first || setup_.cutAfterBytes < 0 ? 0 : peekClientOffset(socket);
    if (start < 0) {
        report(false, 0, 0, QStringLiteral("no resume offset from the client"), QString());
        return;
    }
    const qint64 end = endFor(start);
    TcpTransfer transfer(socket, file, TcpTransfer::Direction::Send, end);
    continueHash(transfer, first);
    transfer.setTimeout(setup_.timeoutMs);
    transfer.setProgressHandler([this](qint64) { return !setup_.stopping->load(); });
    const bool ok = transfer.run(first ? TcpTransfer::Offset::None : TcpTransfer::Offset::Read);
    const QString md5 = md5After(transfer, ok, end);
    file.close();
    report(ok, end, transfer.position(), describe(transfer), md5);
    holdIfStalled(socket, end);
}

void TransferWorker::continueHash(TcpTransfer& transfer, bool first) {
    SessionState& state = *setup_.state;
    if (first) {
        state.runningHash().reset();
        state.setHashedBytes(0);
    }
    transfer.continueHash(state.runningHash(), state.hashedBytes());
}

QString TransferWorker::md5After(const TcpTransfer& transfer, bool ok, qint64 end) {
    SessionState& state = *setup_.state;
    state.setHashedBytes(transfer.hashedFromStart());
    if (!ok || end != state.size())
        return QString();
    // A resume from beyond what was hashed leaves a gap: then the file is read.
    return state.hashedBytes() == state.size() ? transfer.md5() : getFileMd5(state.localPath());
}

void TransferWorker::report(bool ok, qint64 end, qint64 position, const QString& error,
                            const QString& md5) {
    SessionState& state = *setup_.state;
    const QString what = QStringLiteral("%1 session=%2").arg(state.devicePath()).arg(state.id());
    if (!ok) {
        setup_.log->event(
            QStringLiteral("transfer-failed %1 at=%2 %3").arg(what).arg(position).arg(error));
        return;
    }
    if (end < state.size()) {
        setup_.log->event(QStringLiteral("%1 %2 at=%3")
                              .arg(setup_.stall ? "stalled" : "cut", what)
                              .arg(position));
        return;
    }
    if (!state.setComplete(md5))
        return;
    if (state.kind() == SessionState::Kind::Upload)
        setup_.log->event(QStringLiteral("stored %1 md5=%2").arg(state.devicePath(), md5));
    else
        setup_.log->event(QStringLiteral("sent %1").arg(state.devicePath()));
}
