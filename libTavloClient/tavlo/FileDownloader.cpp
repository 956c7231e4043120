#include "tavlo/FileDownloader.h"

#include "tavlo/CompletionPoll.h"
#include "tavlo/FileUtil.h"
#include "tavlo/RequestChannel.h"
#include "tavlo/TavloClientDatabase.h"
#include "tavlo/TcpTransfer.h"
#include "tavlo/TransferReplies.h"
#include "utils/MetaTypes.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

namespace {

const char* const Category = "FileDownloader";

const char* transferFailure(TcpTransfer::Error error) {
    switch (error) {
    case TcpTransfer::Error::SocketWriteFailed:
        return "[E][%s] Tcp write fail: %s.";
    case TcpTransfer::Error::WriteTimeout:
        return "[E][%s] Tcp wait for write timeout: %s.";
    case TcpTransfer::Error::SocketReadFailed:
        return "[E][%s] TCP socket read data fail.";
    case TcpTransfer::Error::SeekFailed:
        return "[E][%s] File seek fail.";
    case TcpTransfer::Error::FileWriteFailed:
        return "[E][%s] Write data fail.";
    default:
        return "[E][%s] TCP socket wait for data timeout.";
    }
}

} // namespace

FileDownloader::FileDownloader(const QString& remotePath, const QString& localPath,
                               const ServerContent& server, qint64 dateModified, QObject* parent)
    : QObject(parent)
    , remotePath_(remotePath)
    , localPath_(localPath)
    , server_(server)
    , dateModified_(dateModified)
    , transferId_(ProgressContent::nextTransferId()) {
    MetaTypes::registerAll();
    setAutoDelete(true);
    progress_.kind = ProgressContent::Download;
    progress_.id = transferId_;
    progress_.server = server_;
    progress_.localPath = localPath_;
    progress_.remotePath = remotePath_;
    progress_.dateModified = dateModified_;
}

QString FileDownloader::partialPathFor(const QString& localPath) {
    return localPath + QStringLiteral(".part");
}

FileDownloader::~FileDownloader() {
    // A download that ended before its first byte leaves no empty partial
    // file behind (a reservation of the name, for one).
    const QString partial = partialPathFor(localPath_);
    if (!success_ && QFileInfo(partial).isFile() && QFileInfo(partial).size() == 0)
        QFile::remove(partial);
    if (lastPercent_ != ProgressContent::Confirmed || !success_) {
        progress_.percent = ProgressContent::Failed;
        progress_.failure = failure_;
        emit updateProgress(progress_);
        return;
    }
    progress_.percent = ProgressContent::Confirmed;
    emit updateProgress(progress_);

    RecentFilesContent record;
    record.uuid = server_.uuid;
    record.nativePath = localPath_;
    record.remotePath = remotePath_;
    record.dateModified = dateModified_;
    record.type = Protocol::FILE_DOWNLOAD;
    record.operateTime = QDateTime::currentMSecsSinceEpoch();
    TavloClientDatabase::instance()->addRecentFileRecord(record);
    emit updateRecentFileList();
}

void FileDownloader::fail(const QString& logLine, const TransferFailure& failure) {
    qCritical("%s", logLine.toUtf8().constData());
    failure_ = failure;
}

bool FileDownloader::replaceTarget(const QString& partialPath) {
    if (QFile::exists(localPath_) && !QFile::remove(localPath_)) {
        fail(QString::asprintf("[E][%s] cant not open file to write.", Category),
             TransferFailure(TransferFailure::LocalWriteFailed,
                             QStringLiteral("cannot replace ") + localPath_));
        return false;
    }
    QFile partial(partialPath);
    if (!partial.rename(localPath_)) {
        fail(QString::asprintf("[E][%s] cant not open file to write.", Category),
             TransferFailure(TransferFailure::LocalWriteFailed, partial.errorString()));
        return false;
    }
    return true;
}

void FileDownloader::run() {
    // The local file is opened before anything is asked of the device, so
    // that a folder that cannot be written is reported without a request.
    // An existing file of the target's name stays untouched until the whole
    // new file is there.
    const QString partialPath = partialPathFor(localPath_);
    QFile file(partialPath);
    // Unbuffered: a write that fails (a full disk) fails at once, with the
    // system's reason, instead of later in a flush that hides it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        fail(QString::asprintf("[E][%s] cant not open file to write.", Category),
             TransferFailure(TransferFailure::LocalWriteFailed,
                             partialPath + QStringLiteral(": ") + file.errorString()));
        return;
    }
    RequestChannel channel(server_.address);
    reportStage(TransferStage::Requesting, timings_.replyTimeoutMs);
    if (!requestFile(channel))
        return; // nothing arrived: the destructor removes the empty file

    QString md5;
    int attempts = 0;
    reportStage(TransferStage::Transferring, timings_.ioTimeoutMs);
    while (attempts < timings_.maxAttempts && md5.isEmpty() && !stop_.isStopRequested() &&
           failure_.code != TransferFailure::LocalWriteFailed) {
        md5 = downloadFileViaTcp(file, server_.address, int(port_), total_, attempts > 0);
        ++attempts;
    }
    if (!file.flush()) {
        qWarning("[W][%s] FIleDownloader: flush file fail.", Category);
        // The last bytes never reached the disk: the file is not whole.
        if (!md5.isEmpty() || failure_.code != TransferFailure::LocalWriteFailed)
            failure_ =
                TransferFailure(TransferFailure::LocalWriteFailed, file.errorString(), received_);
        md5.clear();
    }
    file.close();
    if (failure_.code == TransferFailure::LocalWriteFailed) {
        // A disk that is full or failing gets its space back; what arrived
        // is of no use for a resume that cannot be written either.
        QFile::remove(partialPath);
        return;
    }
    if (md5.isEmpty())
        return; // the partly written file stays under its temporary name
    // A resume from beyond what was hashed leaves a gap: then the whole
    // file is read again.
    if (hashedBytes_ != total_)
        md5 = getFileMd5(partialPath);

    CompletionPoll poll(channel, timings_, RequestChannel::SenderCheck::AddressAndPort);
    poll.setStopCheck([this] { return stop_.isStopRequested(); });
    poll.setPollObserver([this](int number, int polls) {
        reportStage(TransferStage::Confirming, timings_.pollSleepMs + timings_.pollTimeoutMs,
                    number, polls);
    });
    const auto judge = [&](RequestChannel::Status pollStatus, const QVariantMap& answer) {
        if (stop_.isStopRequested()) {
            failure_ = TransferFailure(TransferFailure::Cancelled);
            return CompletionPoll::Verdict::Failed;
        }
        if (pollStatus == RequestChannel::Status::SerializeFailed)
            qCritical("[E][%s] Json serialize fail.", Category);
        else if (pollStatus == RequestChannel::Status::SendFailed)
            qCritical("[E][%s] Socket write datagram fail.", Category);
        if (pollStatus != RequestChannel::Status::Ok)
            return CompletionPoll::Verdict::Continue;
        qint64 session = 0;
        const TransferReplies::Poll reading = TransferReplies::readPoll(answer, session);
        if (reading == TransferReplies::Poll::NoSessionId)
            return CompletionPoll::Verdict::Continue;
        sessionId_ = session;
        switch (reading) {
        case TransferReplies::Poll::Confirmed:
            return CompletionPoll::Verdict::Confirmed;
        case TransferReplies::Poll::Disputed: {
            const QString reason = RequestChannel::reasonOf(answer);
            fail(QString::asprintf("[E][%s] Request fail%s:", Category, qPrintable(reason)),
                 TransferFailure(TransferFailure::Disputed, reason));
            return CompletionPoll::Verdict::Failed;
        }
        default:
            return CompletionPoll::Verdict::Continue;
        }
    };
    const auto outcome = poll.run([&] { return CompletionPoll::request(sessionId_, md5); }, judge);
    if (outcome == CompletionPoll::Outcome::Failed) {
        // A file the device disputes goes; one whose confirmation the user
        // stopped waiting for stays under its temporary name.
        if (failure_.code != TransferFailure::Cancelled)
            QFile::remove(partialPath);
        return;
    }
    // All data is on disk: a device that never confirms still counts as done.
    success_ = replaceTarget(partialPath);
}

bool FileDownloader::requestFile(RequestChannel& channel) {
    QVariantMap request;
    request.insert(Protocol::TYPE, Protocol::FILE_DOWNLOAD);
    request.insert(Protocol::FILE_PATH, remotePath_);
    if (channel.send(request) == RequestChannel::Status::SerializeFailed) {
        failure_ = RequestChannel::failureOf(RequestChannel::Status::SerializeFailed);
        return false;
    }

    // The first answer is checked for the device's address only.
    QVariantMap reply;
    const auto status =
        channel.receive(timings_.replyTimeoutMs, RequestChannel::SenderCheck::AddressOnly, reply);
    switch (status) {
    case RequestChannel::Status::Ok:
        break;
    case RequestChannel::Status::WrongSender:
        fail(QString::asprintf("[E][%s] File download error: Wrong host or port.", Category),
             RequestChannel::failureOf(status));
        return false;
    case RequestChannel::Status::ParseFailed:
        fail(QString::asprintf("[E][%s] Json object parse fail.", Category),
             RequestChannel::failureOf(status));
        return false;
    default:
        fail(QString::asprintf("[E][%s] Udpsocket receive fail.", Category),
             RequestChannel::failureOf(status));
        return false;
    }
    TransferReplies::Granted grant;
    switch (TransferReplies::readDownloadGrant(reply, grant)) {
    case TransferReplies::Grant::Granted:
        break;
    case TransferReplies::Grant::BadTcpPort:
        fail(QString::asprintf("[E][%s] Request fail: get tcp port fail.", Category),
             TransferFailure(TransferFailure::InvalidAnswer, Protocol::TCP_PORT));
        return false;
    default:
        fail(QString::asprintf("[E][%s] Request fail:", Category), RequestChannel::refusal(reply));
        return false;
    }
    sessionId_ = grant.sessionId;
    port_ = grant.tcpPort;
    total_ = grant.fileSize;
    return true;
}

QString FileDownloader::downloadFileViaTcp(QFile& file, const QHostAddress& address, int port,
                                           qint64 size, bool resume) {
    QTcpSocket socket;
    socket.setReadBufferSize(4 * TcpTransfer::BlockSize);
    socket.connectToHost(address, quint16(port), QIODevice::ReadWrite);
    if (!socket.waitForConnected(timings_.connectTimeoutMs)) {
        fail(QString::asprintf("[E][%s] TCP socket connect fail.", Category),
             TransferFailure(TransferFailure::ConnectFailed, socket.errorString()));
        return QString();
    }
    received_ = 0;
    total_ = size;
    file.flush();
    const qint64 offset = resume ? file.size() : 0;
    if (!resume) {
        hash_.reset();
        hashedBytes_ = 0;
    }
    TcpTransfer transfer(socket, file, TcpTransfer::Direction::Receive, total_);
    // The earlier attempts hashed every byte they wrote, in order: the hash
    // goes on instead of starting over.
    transfer.continueHash(hash_, hashedBytes_);
    transfer.setTimeout(timings_.ioTimeoutMs);
    transfer.setProgressHandler([this](qint64 received) {
        reportProgress(received);
        return !stop_.isStopRequested();
    });
    const bool done = resume ? transfer.run(TcpTransfer::Offset::Write, offset)
                             : transfer.run(TcpTransfer::Offset::None);
    hashedBytes_ = transfer.hashedFromStart();
    if (!done) {
        const QString line = QString::asprintf(transferFailure(transfer.error()), Category,
                                               qPrintable(transfer.errorDetail()));
        fail(line, transfer.failure());
        return QString();
    }
    received_ = transfer.position();
    lastPercent_ = ProgressContent::Confirmed;
    failure_ = TransferFailure();
    return transfer.md5();
}

void FileDownloader::reportStage(int step, int waitMs, int poll, int polls) {
    emit stageChanged(TransferStage(transferId_, step, waitMs, poll, polls));
}

void FileDownloader::reportProgress(qint64 received) {
    received_ = received;
    const int percent = total_ > 0 ? int(received_ * 100 / total_) : 100;
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    progress_.percent = percent;
    emit updateProgress(progress_);
}
