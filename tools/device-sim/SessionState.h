#pragma once

#include <QCryptographicHash>
#include <QMutex>
#include <QString>

#include <atomic>

// What the UDP side and the TCP workers of one transfer session share. The
// session is complete once every byte is in (upload) or out (download) and
// the MD5 of the stored file is known; polls compare against that MD5.
class SessionState {
public:
    enum class Kind { Upload, Download };

    SessionState(int id, Kind kind, const QString& localPath, const QString& devicePath,
                 qint64 size);

    int id() const { return id_; }
    Kind kind() const { return kind_; }
    QString localPath() const { return localPath_; }
    QString devicePath() const { return devicePath_; }
    qint64 size() const { return size_; }

    // False when the session was already complete.
    bool setComplete(const QString& md5);
    bool isComplete() const;
    QString md5() const;

    // 0 for the first connection of the session, then 1, 2, ...
    int takeConnectionIndex() { return connections_++; }
    // 1 for the first completion poll, then 2, 3, ...
    int takePollNumber() { return ++polls_; }

    // The MD5 of the file's first hashedBytes() bytes, carried from one
    // connection to the next; only workers use it, one at a time.
    QCryptographicHash& runningHash() { return hash_; }
    qint64 hashedBytes() const { return hashedBytes_; }
    void setHashedBytes(qint64 bytes) { hashedBytes_ = bytes; }

    // The socket a worker is blocked on, so another thread can wake it.
    void attach(qintptr descriptor);
    void detach();
    void interrupt();

private:
    const int id_;
    const Kind kind_;
    const QString localPath_;
    const QString devicePath_;
    const qint64 size_;
    std::atomic<int> connections_{0};
    std::atomic<int> polls_{0};
    mutable QMutex mutex_;
    bool complete_ = false;
    QString md5_;
    qintptr active_ = -1;
    QCryptographicHash hash_{QCryptographicHash::Md5};
    qint64 hashedBytes_ = 0;
};
