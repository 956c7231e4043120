#include "tavlo/server/DownloadServer.h"

#include "tavlo/TavloClientDatabase.h"
#include "tavlo/server/ResumeOffset.h"
#include "tavlo/server/SessionTable.h"
#include "utils/MetaTypes.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace {

const char* const Category = "DownloadServer";

} // namespace

DownloadServer::DownloadServer(const QString& filePath, quint16 port, quint32 sessionId,
                               const ServerContent& device, QObject* parent)
    : QObject(parent)
    , filePath_(filePath)
    , port_(port)
    , sessionId_(sessionId)
    , device_(device)
    , peer_(device.address)
    , transferId_(ProgressContent::nextTransferId()) {
    MetaTypes::registerAll();
    setAutoDelete(true);
}

DownloadServer::~DownloadServer() {
    if (!started_)
        return;
    if (percent_ != ProgressContent::Confirmed) {
        report(ProgressContent::Failed);
        return;
    }
    report(ProgressContent::Confirmed);
    RecentFilesContent record;
    record.uuid = device_.uuid;
    record.type = Protocol::FILE_UPLOAD;
    record.nativePath = filePath_;
    record.dateModified = QFileInfo(filePath_).lastModified().toMSecsSinceEpoch();
    record.operateTime = QDateTime::currentMSecsSinceEpoch();
    TavloClientDatabase::instance()->addRecentFileRecord(record);
    emit updateRecentFileList();
}

void DownloadServer::report(int percent) {
    ProgressContent progress;
    progress.kind = ProgressContent::Upload;
    progress.id = transferId_;
    progress.server = device_;
    progress.localPath = filePath_;
    progress.percent = percent;
    if (percent == ProgressContent::Failed) {
        progress.description = errorText_;
        progress.failure = failure_;
    }
    emit uploadProgress(progress);
}

void DownloadServer::fail(const QString& text, const TransferFailure& failure) {
    errorText_ = text;
    failure_ = failure;
    qCritical("[E][%s] %s", Category, text.toUtf8().constData());
}

bool DownloadServer::listen() {
    server_ = std::make_unique<QTcpServer>();
    if (server_->listen(QHostAddress::Any, port_))
        return true;
    qCritical("[E][%s] Listen on port %d fail: %s", Category, int(port_),
              qPrintable(server_->errorString()));
    return false;
}

void DownloadServer::run() {
    started_ = true;
    if (!server_)
        listen();
    QTcpServer& server = *server_;

    QFile file(filePath_);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("DownloadServer: Open file fail."),
             TransferFailure(TransferFailure::LocalReadFailed, file.errorString()));
        return;
    }
    const qint64 size = file.size();
    for (int attempt = 0; attempt < MaxConnections && !stop_.isStopRequested(); ++attempt) {
        std::unique_ptr<QTcpSocket> socket(nextConnection(server));
        if (!socket)
            continue;
        qint64 offset = 0;
        if (attempt > 0 && !readResumeOffset(*socket, size, offset)) {
            socket->close();
            percent_ = ProgressContent::Failed;
            continue;
        }
        const bool complete = sendFrom(*socket, file, offset);
        socket->close();
        if (complete) {
            percent_ = ProgressContent::Confirmed;
            SessionTable::instance().setSessionState(sessionId_,
                                                     QString::fromLatin1(hash_.result().toHex()));
            break;
        }
        percent_ = ProgressContent::Failed;
    }
    if (stop_.isStopRequested() && percent_ != ProgressContent::Confirmed)
        failure_ = TransferFailure(TransferFailure::ProgramEnding);
    server.close();
    server_.reset();
}

QTcpSocket* DownloadServer::nextConnection(QTcpServer& server) {
    QElapsedTimer waited;
    waited.start();
    // Waits in short steps so that a stop request is noticed.
    while (!stop_.isStopRequested()) {
        const qint64 left = timings_.connectionWaitMs - waited.elapsed();
        if (left <= 0 || !server.isListening())
            break;
        if (!server.waitForNewConnection(int(qMin<qint64>(left, 200))))
            continue;
        QTcpSocket* socket = server.nextPendingConnection();
        if (!socket)
            continue;
        socket->setParent(nullptr);
        if (peer_.isNull() ||
            socket->peerAddress().isEqual(peer_, QHostAddress::ConvertV4MappedToIPv4))
            return socket;
        qWarning("[W][%s] Connection from %s refused: session %u belongs to %s.", Category,
                 qPrintable(socket->peerAddress().toString()), sessionId_,
                 qPrintable(peer_.toString()));
        socket->abort();
        delete socket;
    }
    fail(QStringLiteral("DownloadServer: TCPServer timeout, not client connect."),
         TransferFailure(TransferFailure::PeerDidNotFetch));
    return nullptr;
}

bool DownloadServer::readResumeOffset(QTcpSocket& socket, qint64 size, qint64& offset) {
    // Fresh bytes only: what an earlier chunk left in a buffer never counts.
    QByteArray received;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const auto verdict = ResumeOffset::parse(received, size, offset);
        if (verdict == ResumeOffset::Verdict::Offset)
            return true;
        if (verdict == ResumeOffset::Verdict::Refused) {
            fail(QStringLiteral("translate buffer to long fail.") +
                     QString::fromLatin1(received.left(64).toHex()),
                 TransferFailure(TransferFailure::BadResumeOffset,
                                 QString::fromLatin1(received.left(64).toHex())));
            return false;
        }
        const qint64 left = timings_.offsetWaitMs - waited.elapsed();
        if (socket.bytesAvailable() <= 0 && (left <= 0 || !socket.waitForReadyRead(int(left)))) {
            fail(QStringLiteral("TCP socket wait for data timeout."),
                 TransferFailure(TransferFailure::NoResumeOffset));
            return false;
        }
        const QByteArray more = socket.read(ChunkSize - received.size());
        if (more.isEmpty() && socket.state() != QAbstractSocket::ConnectedState) {
            fail(QStringLiteral("TCP socket read data fail."),
                 TransferFailure(TransferFailure::ConnectionBroken, socket.errorString()));
            return false;
        }
        received += more;
    }
}

bool DownloadServer::hashChunk(const char* chunk, qint64 chunkStart, qint64 chunkSize) {
    // Bytes a resume skipped (the peer had them from elsewhere) come from the file.
    if (hashedUpTo_ < chunkStart) {
        QFile gap(filePath_);
        if (!gap.open(QIODevice::ReadOnly) || !gap.seek(hashedUpTo_))
            return false;
        QByteArray block;
        while (hashedUpTo_ < chunkStart) {
            block = gap.read(qMin<qint64>(1 << 20, chunkStart - hashedUpTo_));
            if (block.isEmpty())
                return false;
            hash_.addData(block);
            hashedUpTo_ += block.size();
        }
    }
    const qint64 chunkEnd = chunkStart + chunkSize;
    if (chunkEnd > hashedUpTo_) {
        const qint64 from = hashedUpTo_ - chunkStart;
        hash_.addData(chunk + from, int(chunkSize - from));
        hashedUpTo_ = chunkEnd;
    }
    return true;
}

bool DownloadServer::sendFrom(QTcpSocket& socket, QFile& file, qint64 offset) {
    const qint64 size = file.size();
    QByteArray chunk(ChunkSize, '\0');
    qint64 position = offset;
    while (position < size) {
        if (stop_.isStopRequested()) {
            failure_ = TransferFailure(TransferFailure::ProgramEnding);
            return false;
        }
        if (!file.seek(position)) {
            fail(QStringLiteral("DownloadServer: File seek fail:") + file.errorString(),
                 TransferFailure(TransferFailure::LocalReadFailed, file.errorString(), position));
            return false;
        }
        const qint64 read = file.read(chunk.data(), ChunkSize);
        if (read <= 0) {
            fail(QStringLiteral("DownloadServer: Read file fail."),
                 TransferFailure(TransferFailure::LocalReadFailed, file.errorString(), position));
            return false;
        }
        const qint64 written = socket.write(chunk.constData(), read);
        if (written <= 0) {
            fail(
                QStringLiteral("DownloadServer: Tcp write fail."),
                TransferFailure(TransferFailure::ConnectionBroken, socket.errorString(), position));
            return false;
        }
        while (socket.bytesToWrite() > 0) {
            if (!socket.waitForBytesWritten(timings_.writeWaitMs)) {
                fail(QStringLiteral("DownloadServer\uFF1ATcp wait for write timeout."),
                     TransferFailure(TransferFailure::ConnectionBroken, socket.errorString(),
                                     position));
                return false;
            }
        }
        if (!hashChunk(chunk.constData(), position, written)) {
            fail(QStringLiteral("DownloadServer: Read file fail."),
                 TransferFailure(TransferFailure::LocalReadFailed, file.errorString(), position));
            return false;
        }
        position += written;
        const int percent = int(position * 100 / size);
        if (percent != percent_) {
            percent_ = percent;
            report(percent);
        }
    }
    return true;
}
