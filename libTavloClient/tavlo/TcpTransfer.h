#pragma once

#include "utils/TransferFailure.h"

#include <QCryptographicHash>
#include <QString>

#include <functional>

class QFile;
class QTcpSocket;

// One attempt of moving a file over a connected TCP socket: raw bytes in
// blocks of 256 KiB, no framing. A resumed attempt starts with the receiving
// side telling the sender, as 8 bytes of little-endian signed offset, where
// to continue. The bytes moved are hashed with MD5.
class TcpTransfer {
public:
    static constexpr qint64 BlockSize = 262144;

    enum class Direction { Send, Receive };
    // Whether this side reads the peer's resume offset, writes its own, or
    // neither (a first attempt starting at 0).
    enum class Offset { None, Read, Write };
    enum class Error {
        None,
        OffsetWaitTimeout,
        OffsetReadFailed,
        SeekFailed,
        FileReadFailed,
        SocketWriteFailed,
        WriteTimeout,
        DataWaitTimeout,
        SocketReadFailed,
        FileWriteFailed,
        Stopped,
    };

    // `total` is the file size announced for the transfer.
    TcpTransfer(QTcpSocket& socket, QFile& file, Direction direction, qint64 total);
    TcpTransfer(const TcpTransfer&) = delete;
    TcpTransfer& operator=(const TcpTransfer&) = delete;

    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }
    // Called after every block with the new position; returning false ends
    // the attempt (Error::Stopped).
    void setProgressHandler(std::function<bool(qint64 position)> handler) {
        onProgress_ = std::move(handler);
    }

    // Hashes into `hash`, which already holds the first `hashedBytes` bytes
    // of the file: of the bytes this attempt moves only those beyond go in,
    // so that a resume that moves some bytes again still leaves the hash of
    // the file from its start (the bytes are the same file's). Without it
    // md5() covers only the bytes this attempt moved.
    void continueHash(QCryptographicHash& hash, qint64 hashedBytes);
    // How many bytes from the file's start md5() covers, in order: the
    // position, or less when a resume began beyond the continued hash; -1
    // for an attempt's own hash that began at a resume offset.
    qint64 hashedFromStart() const;

    // `ownOffset` is the position this side writes as its resume offset.
    bool run(Offset offset, qint64 ownOffset = 0);

    QString md5() const;
    Error error() const { return error_; }
    // The socket's or the file's error text for the failure.
    QString errorDetail() const { return detail_; }
    qint64 position() const { return position_; }
    // The failure for the front ends to put into words.
    TransferFailure failure() const;
    qint64 startOffset() const { return startOffset_; }

    static QByteArray encodeOffset(qint64 offset);
    static qint64 decodeOffset(const QByteArray& bytes);

private:
    bool readOffset();
    bool writeOffset(qint64 offset);
    bool sendFile();
    bool receiveFile();
    bool flushSocket();
    // Adds what the hash lacks of the bytes moved at `start`.
    void hashMoved(const char* data, qint64 start, qint64 size);
    bool fail(Error error, const QString& detail = QString());

    QTcpSocket& socket_;
    QFile& file_;
    Direction direction_;
    qint64 total_;
    int timeoutMs_ = 15000;
    std::function<bool(qint64)> onProgress_;
    QCryptographicHash ownHash_{QCryptographicHash::Md5};
    QCryptographicHash* hash_ = &ownHash_;
    bool hashContinued_ = false;
    qint64 hashedUpTo_ = 0; // the hash holds the bytes before this position
    qint64 position_ = 0;
    qint64 startOffset_ = 0;
    Error error_ = Error::None;
    QString detail_;
};
