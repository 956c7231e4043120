#include "tavlo/FileDownloader.h"

#include "tavlo/CompletionPoll.h"
#include "tavlo/FileUtil.h"
#include "tavlo/RequestChannel.h"
#include "tavlo/TavloClientDatabase.h"
#include "tavlo/TcpTransfer.h"
#include "utils/MetaTypes.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QDateTime>
#include <QFile>
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

FileDownloader::~FileDownloader() {
    progress_.description = description_;
    if (lastPercent_ != ProgressContent::Confirmed || !success_) {
        progress_.percent = ProgressContent::Failed;
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

void FileDownloader::fail(const QString& logLine, const QString& description) {
    qCritical("%s", logLine.toUtf8().constData());
    description_ = description;
}

void FileDownloader::run() {
    RequestChannel channel(server_.address);
    QVariantMap request;
    request.insert(Protocol::TYPE, Protocol::FILE_DOWNLOAD);
    request.insert(Protocol::FILE_PATH, remotePath_);
    if (channel.send(request) == RequestChannel::Status::SerializeFailed) {
        description_ = RequestChannel::describe(RequestChannel::Status::SerializeFailed);
        return;
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
             RequestChannel::describe(status));
        return;
    case RequestChannel::Status::ParseFailed:
        fail(QString::asprintf("[E][%s] Json object parse fail.", Category),
             RequestChannel::describe(status));
        return;
    default:
        fail(QString::asprintf("[E][%s] Udpsocket receive fail.", Category),
             RequestChannel::describe(status));
        return;
    }
    if (RequestChannel::resultOf(reply) != RequestChannel::Result::Ok) {
        fail(QString::asprintf("[E][%s] Request fail:", Category), RequestChannel::refusal(reply));
        return;
    }

    sessionId_ = reply.value(Protocol::SESSION_ID).toLongLong();
    qint64 port = 0;
    if (!RequestChannel::integerOf(reply, Protocol::TCP_PORT, port) || port <= 0 || port > 65535) {
        fail(QString::asprintf("[E][%s] Request fail: get tcp port fail.", Category),
             QStringLiteral("invalid answer: no usable tcp_port"));
        return;
    }
    total_ = reply.value(Protocol::FILE_SIZE).toLongLong();

    QFile file(localPath_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(QString::asprintf("[E][%s] cant not open file to write.", Category),
             QStringLiteral("cannot write the local file: ") + file.errorString());
        return;
    }

    QString md5;
    int attempts = 0;
    while (attempts < timings_.maxAttempts && md5.isEmpty()) {
        md5 = downloadFileViaTcp(file, server_.address, int(port), total_, attempts > 0);
        ++attempts;
    }
    if (!file.flush())
        qWarning("[W][%s] FIleDownloader: flush file fail.", Category);
    file.close();
    if (md5.isEmpty())
        return; // the partly written file stays
    if (attempts > 1)
        md5 = getFileMd5(localPath_); // a resumed attempt hashed only its part

    CompletionPoll poll(channel, timings_, RequestChannel::SenderCheck::AddressAndPort);
    const auto judge = [&](RequestChannel::Status pollStatus, const QVariantMap& answer) {
        if (pollStatus == RequestChannel::Status::SerializeFailed)
            qCritical("[E][%s] Json serialize fail.", Category);
        else if (pollStatus == RequestChannel::Status::SendFailed)
            qCritical("[E][%s] Socket write datagram fail.", Category);
        qint64 session = 0;
        if (pollStatus != RequestChannel::Status::Ok ||
            !RequestChannel::integerOf(answer, Protocol::SESSION_ID, session))
            return CompletionPoll::Verdict::Continue;
        sessionId_ = session;
        const QString reason = RequestChannel::reasonOf(answer);
        switch (RequestChannel::resultOf(answer)) {
        case RequestChannel::Result::Ok:
            return CompletionPoll::Verdict::Confirmed;
        case RequestChannel::Result::Fail:
            if (reason == Protocol::NOT_COMPLETE)
                return CompletionPoll::Verdict::Continue;
            fail(QString::asprintf("[E][%s] Request fail%s:", Category, qPrintable(reason)),
                 RequestChannel::refusal(answer));
            return CompletionPoll::Verdict::Failed;
        case RequestChannel::Result::Unknown:
            break;
        }
        return CompletionPoll::Verdict::Continue;
    };
    const auto outcome = poll.run([&] { return CompletionPoll::request(sessionId_, md5); }, judge);
    if (outcome == CompletionPoll::Outcome::Failed) {
        QFile::remove(localPath_);
        return;
    }
    // All data is on disk: a device that never confirms still counts as done.
    success_ = true;
}

QString FileDownloader::downloadFileViaTcp(QFile& file, const QHostAddress& address, int port,
                                           qint64 size, bool resume) {
    QTcpSocket socket;
    socket.setReadBufferSize(4 * TcpTransfer::BlockSize);
    socket.connectToHost(address, quint16(port), QIODevice::ReadWrite);
    if (!socket.waitForConnected(timings_.connectTimeoutMs)) {
        fail(QString::asprintf("[E][%s] TCP socket connect fail.", Category),
             QStringLiteral("data connection failed: ") + socket.errorString());
        return QString();
    }
    received_ = 0;
    total_ = size;
    file.flush();
    TcpTransfer transfer(socket, file, TcpTransfer::Direction::Receive, total_);
    transfer.setTimeout(timings_.ioTimeoutMs);
    transfer.setProgressHandler([this](qint64 received) {
        reportProgress(received);
        return true;
    });
    const bool done = resume ? transfer.run(TcpTransfer::Offset::Write, file.size())
                             : transfer.run(TcpTransfer::Offset::None);
    if (!done) {
        const QString line = QString::asprintf(transferFailure(transfer.error()), Category,
                                               qPrintable(transfer.errorDetail()));
        fail(line, transfer.describeFailure());
        return QString();
    }
    received_ = transfer.position();
    lastPercent_ = ProgressContent::Confirmed;
    description_.clear();
    return transfer.md5();
}

void FileDownloader::reportProgress(qint64 received) {
    received_ = received;
    const int percent = total_ > 0 ? int(received_ * 100 / total_) : 100;
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    progress_.percent = percent;
    progress_.description = description_;
    emit updateProgress(progress_);
}
