#include "tavlo/TcpTransfer.h"

#include <QFile>
#include <QTcpSocket>
#include <QtEndian>

namespace {
constexpr int OffsetSize = 8;
}

TcpTransfer::TcpTransfer(QTcpSocket& socket, QFile& file, Direction direction, qint64 total)
    : socket_(socket)
    , file_(file)
    , direction_(direction)
    , total_(total) {}

QByteArray TcpTransfer::encodeOffset(qint64 offset) {
    QByteArray bytes(OffsetSize, Qt::Uninitialized);
    qToLittleEndian<qint64>(offset, bytes.data());
    return bytes;
}

qint64 TcpTransfer::decodeOffset(const QByteArray& bytes) {
    return qFromLittleEndian<qint64>(bytes.constData());
}

QString TcpTransfer::md5() const {
    return QString::fromLatin1(hash_->result().toHex());
}

bool TcpTransfer::fail(Error error, const QString& detail) {
    error_ = error;
    detail_ = detail;
    return false;
}

void TcpTransfer::continueHash(QCryptographicHash& hash, qint64 hashedBytes) {
    hash_ = &hash;
    hashContinued_ = true;
    hashedUpTo_ = hashedBytes;
}

qint64 TcpTransfer::hashedFromStart() const {
    return hashContinued_ || startOffset_ == 0 ? hashedUpTo_ : -1;
}

void TcpTransfer::hashMoved(const char* data, qint64 start, qint64 size) {
    const qint64 end = start + size;
    // A gap before the bytes, or bytes hashed by an earlier attempt.
    if (start > hashedUpTo_ || end <= hashedUpTo_)
        return;
    const qint64 skip = hashedUpTo_ - start;
    hash_->addData(data + skip, int(size - skip));
    hashedUpTo_ = end;
}

bool TcpTransfer::run(Offset offset, qint64 ownOffset) {
    if (!hashContinued_)
        ownHash_.reset();
    position_ = 0;
    if (offset == Offset::Read && !readOffset())
        return false;
    if (offset == Offset::Write && !writeOffset(ownOffset))
        return false;
    startOffset_ = position_;
    if (!hashContinued_)
        hashedUpTo_ = startOffset_;
    return direction_ == Direction::Send ? sendFile() : receiveFile();
}

bool TcpTransfer::readOffset() {
    if (socket_.bytesAvailable() < OffsetSize && !socket_.waitForReadyRead(timeoutMs_))
        return fail(Error::OffsetWaitTimeout);
    while (socket_.bytesAvailable() < OffsetSize) {
        if (!socket_.waitForReadyRead(timeoutMs_))
            return fail(Error::OffsetReadFailed, socket_.errorString());
    }
    const QByteArray bytes = socket_.read(OffsetSize);
    if (bytes.size() != OffsetSize)
        return fail(Error::OffsetReadFailed, socket_.errorString());
    const qint64 offset = decodeOffset(bytes);
    // An offset outside the file would skip data or read past its end.
    if (offset < 0 || offset > total_)
        return fail(Error::OffsetReadFailed, QStringLiteral("offset %1 out of range").arg(offset));
    position_ = offset;
    return true;
}

bool TcpTransfer::writeOffset(qint64 offset) {
    if (socket_.write(encodeOffset(offset)) != OffsetSize)
        return fail(Error::SocketWriteFailed, socket_.errorString());
    if (!flushSocket())
        return false;
    position_ = offset;
    return true;
}

bool TcpTransfer::flushSocket() {
    while (socket_.bytesToWrite() > 0) {
        if (!socket_.waitForBytesWritten(timeoutMs_))
            return fail(Error::WriteTimeout, socket_.errorString());
    }
    return true;
}

bool TcpTransfer::sendFile() {
    QByteArray block(int(BlockSize), Qt::Uninitialized);
    while (position_ < total_) {
        if (!file_.seek(position_))
            return fail(Error::SeekFailed, file_.errorString());
        const qint64 read = file_.read(block.data(), qMin(BlockSize, total_ - position_));
        if (read <= 0)
            return fail(Error::FileReadFailed, file_.errorString());
        const qint64 written = socket_.write(block.constData(), read);
        if (written <= 0)
            return fail(Error::SocketWriteFailed, socket_.errorString());
        if (!flushSocket())
            return false;
        hashMoved(block.constData(), position_, written);
        position_ += written;
        if (onProgress_ && !onProgress_(position_))
            return fail(Error::Stopped);
    }
    return true;
}

bool TcpTransfer::receiveFile() {
    QByteArray block(int(BlockSize), Qt::Uninitialized);
    while (position_ < total_) {
        if (socket_.bytesAvailable() <= 0 && !socket_.waitForReadyRead(timeoutMs_))
            return fail(Error::DataWaitTimeout, socket_.errorString());
        const qint64 read = socket_.read(block.data(), qMin(BlockSize, total_ - position_));
        if (read < 0)
            return fail(Error::SocketReadFailed, socket_.errorString());
        if (read == 0)
            continue;
        if (!file_.seek(position_))
            return fail(Error::SeekFailed, file_.errorString());
        // A disk that is nearly full takes part of a block; the next write
        // then fails with the system's reason.
        for (qint64 written = 0; written < read;) {
            const qint64 count = file_.write(block.constData() + written, read - written);
            if (count <= 0) {
                position_ += written; // what is on disk: the failure reports it
                return fail(Error::FileWriteFailed, file_.errorString());
            }
            written += count;
        }
        hashMoved(block.constData(), position_, read);
        position_ += read;
        if (onProgress_ && !onProgress_(position_))
            return fail(Error::Stopped);
    }
    return true;
}

TransferFailure TcpTransfer::failure() const {
    switch (error_) {
    case Error::None:
        return TransferFailure();
    case Error::OffsetWaitTimeout:
        return TransferFailure(TransferFailure::NoResumeOffset);
    case Error::OffsetReadFailed:
        return TransferFailure(TransferFailure::BadResumeOffset, detail_);
    case Error::SeekFailed:
    case Error::FileReadFailed:
        return TransferFailure(direction_ == Direction::Send ? TransferFailure::LocalReadFailed
                                                             : TransferFailure::LocalWriteFailed,
                               detail_, position_);
    case Error::FileWriteFailed:
        return TransferFailure(TransferFailure::LocalWriteFailed, detail_, position_);
    case Error::WriteTimeout:
    case Error::SocketWriteFailed:
    case Error::SocketReadFailed:
    case Error::DataWaitTimeout:
        return TransferFailure(TransferFailure::ConnectionBroken, detail_, position_);
    case Error::Stopped:
        return TransferFailure(TransferFailure::Cancelled, QString(), position_);
    }
    return TransferFailure();
}
