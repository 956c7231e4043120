#include "tavlo/FileUploadTask.h"

#include "tavlo/CompletionPoll.h"
#include "tavlo/FileTransferServer.h"
#include "tavlo/FileUtil.h"
#include "tavlo/RequestChannel.h"
#include "tavlo/TavloClientDatabase.h"
#include "tavlo/TcpTransfer.h"
#include "tavlo/TransferReplies.h"
#include "utils/Config.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

namespace {

const char* const Category = "FileTransferServer";

// The log line of each way a UDP exchange can fail, for uploads.
const char* exchangeFailure(RequestChannel::Status status) {
    switch (status) {
    case RequestChannel::Status::SerializeFailed:
        return "[E][%s] Json serialize fail.";
    case RequestChannel::Status::SendFailed:
        return "[E][%s] UdpSocket write packet fail.";
    case RequestChannel::Status::NoReply:
        return "[E][%s] Wait for udp packet fail.";
    case RequestChannel::Status::WrongSender:
        return "[E][%s] Udp receive a packet from a wrong host.";
    case RequestChannel::Status::ParseFailed:
        return "[E][%s] Json parse fail.";
    case RequestChannel::Status::Ok:
        break;
    }
    return nullptr;
}

const char* transferFailure(TcpTransfer::Error error) {
    switch (error) {
    case TcpTransfer::Error::OffsetWaitTimeout:
        return "[E][%s] TCP socket wait for data timeout.";
    case TcpTransfer::Error::OffsetReadFailed:
        return "[E][%s] TCP socket read length data fail.";
    case TcpTransfer::Error::SeekFailed:
        return "[E][%s] File seek fail: %s.";
    case TcpTransfer::Error::FileReadFailed:
        return "[E][%s] Read file fail: %s.";
    case TcpTransfer::Error::SocketWriteFailed:
        return "[E][%s] Tcp write fail: %s.";
    default:
        return "[E][%s] Tcp wait for write timeout: %s.";
    }
}

QString fileNameOf(const QString& path) {
    return path.split(QLatin1Char('/')).last();
}

} // namespace

QString FileUploadTask::remotePathFor(const QString& fileName, bool secure) {
    if (secure)
        return Protocol::SECURE + Protocol::SECURE_PATH_SEPARATOR + fileName;
    // A place on the device: it passes through the translation like every
    // text, and every translation keeps it exactly as the device names it.
    return QCoreApplication::translate("FileUploadTask", "/Tavlo/上传/") + fileName;
}

FileUploadTask::FileUploadTask(const QString& localPath, const ServerContent& server)
    : FileUploadTask(localPath, server, Config::instance()->value(Config::SecureMode).toBool()) {}

FileUploadTask::FileUploadTask(const QString& localPath, const ServerContent& server, bool secure)
    : localPath_(QDir::fromNativeSeparators(localPath))
    , remotePath_(remotePathFor(fileNameOf(localPath_), secure))
    , server_(server)
    , transferId_(ProgressContent::nextTransferId())
    , secure_(secure) {
    setAutoDelete(true);
    progress_.kind = secure ? ProgressContent::SecureUpload : ProgressContent::Upload;
    progress_.id = transferId_;
    progress_.server = server_;
    progress_.localPath = localPath_;
    progress_.remotePath = remotePath_;
    progress_.dateModified = 0;
}

FileUploadTask::~FileUploadTask() {
    FileTransferServer* service = FileTransferServer::instance();
    if (lastPercent_ != ProgressContent::Confirmed) {
        progress_.percent = ProgressContent::Failed;
        progress_.failure =
            failure_.isFailure() ? failure_ : TransferFailure(TransferFailure::ProgramEnding);
        emit service->uploadProgress(progress_);
        return;
    }
    progress_.percent = ProgressContent::Confirmed;
    emit service->uploadProgress(progress_);

    RecentFilesContent record;
    record.uuid = server_.uuid;
    record.remotePath = remotePath_;
    record.nativePath = localPath_;
    record.dateModified = QFileInfo(localPath_).lastModified().toMSecsSinceEpoch();
    record.type = secure_ ? Protocol::SECURE : Protocol::FILE_UPLOAD;
    record.operateTime = QDateTime::currentMSecsSinceEpoch();
    TavloClientDatabase::instance()->addRecentFileRecord(record);
    emit service->updateRecentFileList();
}

void FileUploadTask::fail(const QString& logLine, const TransferFailure& failure) {
    qCritical("%s", logLine.toUtf8().constData());
    failure_ = failure;
}

void FileUploadTask::run() {
    QFile file(localPath_);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QString::asprintf("[E][%s] Open file %s fail.", Category, qPrintable(localPath_)),
             TransferFailure(TransferFailure::LocalReadFailed, file.errorString()));
        return;
    }
    total_ = file.size();

    RequestChannel channel(server_.address);
    reportStage(TransferStage::Requesting, timings_.replyTimeoutMs);
    QVariantMap request;
    request.insert(Protocol::TYPE, Protocol::FILE_UPLOAD);
    request.insert(Protocol::FILE_NAME, fileNameOf(localPath_));
    request.insert(Protocol::FILE_SIZE, qint64(total_));
    request.insert(Protocol::OPTION, secure_ ? Protocol::SECURE : Protocol::NORMAL);

    QVariantMap reply;
    const auto status = channel.exchange(request, timings_.replyTimeoutMs,
                                         RequestChannel::SenderCheck::AddressAndPort, reply);
    if (status != RequestChannel::Status::Ok) {
        fail(QString::asprintf(exchangeFailure(status), Category),
             RequestChannel::failureOf(status));
        return;
    }

    TransferReplies::Granted grant;
    switch (TransferReplies::readUploadGrant(reply, grant)) {
    case TransferReplies::Grant::BadSessionId:
        fail(QString::asprintf("[E][%s] Invalid session_id.", Category),
             TransferFailure(TransferFailure::InvalidAnswer, Protocol::SESSION_ID));
        return;
    case TransferReplies::Grant::Refused:
        fail(QString::asprintf("[E][%s] Server response fail: %s.", Category,
                               qPrintable(RequestChannel::reasonOf(reply))),
             RequestChannel::refusal(reply));
        return;
    case TransferReplies::Grant::UnknownResult: {
        const QString result = reply.value(Protocol::RESULT).toString();
        fail(QString::asprintf("[E][%s] Server response a unknow result: %s.", Category,
                               qPrintable(result)),
             TransferFailure(TransferFailure::InvalidAnswer,
                             Protocol::RESULT + QLatin1Char('=') + result));
        return;
    }
    case TransferReplies::Grant::BadTcpPort:
        fail(QString::asprintf("[E][%s] Invalid tcp port.", Category),
             TransferFailure(TransferFailure::InvalidAnswer, Protocol::TCP_PORT));
        return;
    case TransferReplies::Grant::Granted:
        break;
    }
    sessionId_ = int(grant.sessionId);

    QString md5;
    reportStage(TransferStage::Transferring, timings_.ioTimeoutMs);
    if (!transfer(file, grant.tcpPort, md5))
        return;
    awaitConfirmation(channel, md5);
}

bool FileUploadTask::stopRequested() {
    if (!FileTransferServer::instance()->isStopping())
        return false;
    failure_ = TransferFailure(TransferFailure::ProgramEnding);
    return true;
}

bool FileUploadTask::transfer(QFile& file, int tcpPort, QString& md5) {
    QHostAddress address = server_.address;
    for (int attempt = 0; attempt < timings_.maxAttempts && !stopRequested(); ++attempt) {
        md5 = uploadFileViaTcp(file, address, tcpPort, attempt > 0);
        if (md5.isEmpty())
            continue;
        // A resume from beyond what was hashed leaves a gap: then the whole
        // file is read again.
        if (hashedBytes_ != total_)
            md5 = getFileMd5(localPath_);
        return !md5.isEmpty();
    }
    return false;
}

QString FileUploadTask::uploadFileViaTcp(QFile& file, QHostAddress& address, int port,
                                         bool resume) {
    QTcpSocket socket;
    socket.connectToHost(address, quint16(port), QIODevice::ReadWrite);
    if (!socket.waitForConnected(timings_.connectTimeoutMs)) {
        fail(QString::asprintf("[E][%s] Tcp connected timeout.", Category),
             TransferFailure(TransferFailure::ConnectFailed, socket.errorString()));
        return QString();
    }
    sent_ = 0;
    total_ = file.size();
    if (!resume) {
        hash_.reset();
        hashedBytes_ = 0;
    }
    TcpTransfer transfer(socket, file, TcpTransfer::Direction::Send, total_);
    transfer.continueHash(hash_, hashedBytes_);
    transfer.setTimeout(timings_.ioTimeoutMs);
    transfer.setProgressHandler([this](qint64 sent) {
        reportProgress(sent);
        return !FileTransferServer::instance()->isStopping();
    });
    const bool done = transfer.run(resume ? TcpTransfer::Offset::Read : TcpTransfer::Offset::None);
    hashedBytes_ = transfer.hashedFromStart();
    if (!done) {
        const QString line = QString::asprintf(transferFailure(transfer.error()), Category,
                                               qPrintable(transfer.errorDetail()));
        fail(line, transfer.failure());
        return QString();
    }
    sent_ = transfer.position();
    failure_ = TransferFailure();
    return transfer.md5();
}

void FileUploadTask::reportStage(int step, int waitMs, int poll, int polls) {
    emit FileTransferServer::instance()->uploadStage(
        TransferStage(transferId_, step, waitMs, poll, polls));
}

void FileUploadTask::reportProgress(qint64 sent) {
    sent_ = sent;
    const int percent = total_ > 0 ? int(sent_ * 100 / total_) : 100;
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    progress_.percent = percent;
    emit FileTransferServer::instance()->uploadProgress(progress_);
}

void FileUploadTask::awaitConfirmation(RequestChannel& channel, const QString& md5) {
    CompletionPoll poll(channel, timings_, RequestChannel::SenderCheck::AddressAndPort);
    poll.setStopCheck([] { return FileTransferServer::instance()->isStopping(); });
    poll.setPollObserver([this](int number, int polls) {
        reportStage(TransferStage::Confirming, timings_.pollSleepMs + timings_.pollTimeoutMs,
                    number, polls);
    });
    const auto judge = [&](RequestChannel::Status status, const QVariantMap& reply) {
        if (stopRequested())
            return CompletionPoll::Verdict::Failed;
        if (status != RequestChannel::Status::Ok) {
            qCritical(exchangeFailure(status), Category);
            return CompletionPoll::Verdict::Continue;
        }
        qint64 session = 0;
        const TransferReplies::Poll answer = TransferReplies::readPoll(reply, session);
        if (answer == TransferReplies::Poll::NoSessionId || session != sessionId_) {
            qCritical("[E][%s] Invalid session_id: %d, the right session_id is %d.", Category,
                      reply.value(Protocol::SESSION_ID).toInt(), sessionId_);
            return CompletionPoll::Verdict::Continue;
        }
        switch (answer) {
        case TransferReplies::Poll::Confirmed:
            lastPercent_ = ProgressContent::Confirmed;
            return CompletionPoll::Verdict::Confirmed;
        case TransferReplies::Poll::NotComplete:
            return CompletionPoll::Verdict::Continue;
        case TransferReplies::Poll::Disputed: {
            const QString reason = RequestChannel::reasonOf(reply);
            fail(QString::asprintf("[E][%s] Request fail: %s.", Category, qPrintable(reason)),
                 TransferFailure(TransferFailure::Disputed, reason));
            return CompletionPoll::Verdict::Failed;
        }
        default:
            break;
        }
        qCritical("[E][%s] Unknown result: %s.", Category,
                  qPrintable(reply.value(Protocol::RESULT).toString()));
        return CompletionPoll::Verdict::Continue;
    };
    const auto outcome = poll.run([&] { return CompletionPoll::request(sessionId_, md5); }, judge);
    if (outcome == CompletionPoll::Outcome::Exhausted)
        fail(QString::asprintf("[E][%s] Wait for server response timeout.", Category),
             TransferFailure(TransferFailure::NotConfirmed));
}
