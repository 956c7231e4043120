#pragma once

#include "log/FileLogBridge.h"

#include <QFile>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <memory>

// Writes log records into "log/<base>-<start ms>.log" in the working
// directory, keeping the newest sixteen files.
class FileLogWriter : public QThread {
    Q_OBJECT
public:
    static constexpr int KeptFiles = 16;
    static const QString TimeFormat;

    explicit FileLogWriter(const QString& baseName, QObject* parent = nullptr);
    ~FileLogWriter() override;

    FileLogBridge* bridge() { return &bridge_; }
    QString fileName() const;

    // One record: local time, the text with continuation lines indented by
    // eight tabs, and CR LF unless the text already ended with a line break.
    static QByteArray formatRecord(const QDateTime& time, const QString& message);

protected:
    void run() override;

private slots:
    void priWriteMessage(QString message);

private:
    void init();
    bool waitUntilInitialised();

    QString baseName_;
    FileLogBridge bridge_;
    mutable QMutex mutex_;
    QWaitCondition initialised_;
    bool initDone_ = false;
    bool reportedNotOpened_ = false;
    std::unique_ptr<QFile> file_;
};
