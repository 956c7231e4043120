#pragma once

#include "utils/ServerContent.h"

#include <QDir>
#include <QMutex>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

// Makes a fresh temporary folder the client's data directory (config.ini, the
// database, the log folder) and points the desktop folders (autostart) and
// HOME at it too, so tests never touch the real home.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// The client's autostart entry under the test's XDG_CONFIG_HOME, this
// program's path as the entry names it, and a file's text.
QString autostartFile();
QString programPath();
QString readFile(const QString& path);

// Collects every log line while it exists.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    QStringList lines() const;
    bool contains(const QString& fragment) const;
    int count(const QString& fragment) const;
    void clear();

private:
    static void handler(QtMsgType, const QMessageLogContext&, const QString& text);
    QtMessageHandler previous_;
};

// Writes `size` bytes of a repeatable pattern into `path`.
bool writePatternFile(const QString& path, qint64 size, quint32 seed = 1);
QString md5Of(const QString& path);

class QProcess;

// A tavlo-device-sim process on a loopback address, for tests of the client's
// requests. Its store is a temporary folder; its event lines are collected.
class SimProcess {
public:
    SimProcess(const QString& address, const QStringList& extraArguments = QStringList());
    ~SimProcess();

    bool isReady() const { return ready_; }
    QString address() const { return address_; }
    // The client's record of this device: its address, the uuid
    // "uuid-ADDRESS", a name and the type "server".
    ServerContent device() const;
    QString storePath(const QString& relative) const;
    // Event lines so far ("stored ...", "request query_result {...}", ...).
    QStringList lines();
    int count(const QString& prefix);
    bool waitForLine(const QString& prefix, int timeoutMs = 10000);
    // The requests of one type received so far ("request TYPE JSON" lines),
    // their JSON parsed.
    QList<QVariantMap> requests(const QString& type);

private:
    QString address_;
    QTemporaryDir store_;
    QProcess* process_;
    QStringList lines_;
    QByteArray partial_;
    bool ready_ = false;
};

#include <QUdpSocket>

#include <functional>

// A UDP peer on a loopback address whose answer to each datagram the test
// chooses (a null answer sends nothing); optionally it answers from another
// address.
class FakeDevice {
public:
    FakeDevice(const QString& address, std::function<QByteArray(const QByteArray&)> answer,
               const QString& replyFrom = QString(), quint16 port = 0);
    quint16 port() const { return listener_.localPort(); }
    QList<QByteArray> received;

private:
    QUdpSocket listener_;
    QUdpSocket replier_;
    std::function<QByteArray(const QByteArray&)> answer_;
};
