#include "log/FileLogWriter.h"

#include "utils/DataLocations.h"

#include <QDateTime>
#include <QDir>

const QString FileLogWriter::TimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss :\t");

namespace {
const char* const Category = "FileLogWriter";
const QString LogDirName = QStringLiteral("log");
const QString ContinuationIndent = QStringLiteral("\n\t\t\t\t\t\t\t\t");
} // namespace

FileLogWriter::FileLogWriter(const QString& baseName, QObject* parent)
    : QThread(parent)
    , baseName_(baseName) {
    connect(&bridge_, &FileLogBridge::onWriteMessage, this, &FileLogWriter::priWriteMessage,
            Qt::QueuedConnection);
}

FileLogWriter::~FileLogWriter() {
    quit();
    wait();
}

QString FileLogWriter::fileName() const {
    QMutexLocker lock(&mutex_);
    return file_ ? file_->fileName() : QString();
}

QByteArray FileLogWriter::formatRecord(const QDateTime& time, const QString& message) {
    QString text = time.toString(TimeFormat);
    QString body = message;
    body.replace(QLatin1String("\n"), ContinuationIndent);
    text += body;
    if (!message.endsWith(QLatin1Char('\n')))
        text += QStringLiteral("\r\n");
    return text.toUtf8();
}

void FileLogWriter::run() {
    init();
    exec();
    QMutexLocker lock(&mutex_);
    if (file_)
        file_->close();
    file_.reset();
}

void FileLogWriter::init() {
    const QString logPath = DataLocations::logDirectory();
    QDir dir(logPath);
    std::unique_ptr<QFile> file;
    if (!dir.exists() && !QDir().mkpath(logPath)) {
        qCritical("[E][%s] make %s dir fail.", Category, qPrintable(LogDirName));
    } else if (!dir.exists()) {
        qCritical("[E][%s] cd %s fail.", Category, qPrintable(LogDirName));
    } else {
        QStringList old = dir.entryList(QStringList{baseName_ + QStringLiteral("*.log")},
                                        QDir::Files, QDir::Name);
        // Names carry the creation time, so the first is the oldest.
        while (old.size() >= KeptFiles) {
            const QString oldest = old.takeFirst();
            if (!dir.remove(oldest))
                qCritical("[E][%s] remove file %s fail.", Category, qPrintable(oldest));
        }
        const QString name = baseName_ + QLatin1Char('-') +
                             QString::number(QDateTime::currentMSecsSinceEpoch()) +
                             QStringLiteral(".log");
        file = std::make_unique<QFile>(dir.filePath(name));
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            qCritical("[E][%s] Open file fail: %s", Category, qPrintable(file->errorString()));
            file.reset();
        }
    }
    QMutexLocker lock(&mutex_);
    file_ = std::move(file);
    initDone_ = true;
    initialised_.wakeAll();
}

bool FileLogWriter::waitUntilInitialised() {
    // Records that arrive while the file is being opened wait for it rather
    // than being lost.
    while (!initDone_) {
        if (!initialised_.wait(&mutex_, 5000))
            return false;
    }
    return true;
}

void FileLogWriter::priWriteMessage(QString message) {
    QMutexLocker lock(&mutex_);
    if (!waitUntilInitialised() || !file_) {
        // Reported once: the report itself comes back here, and a file that
        // cannot be opened would otherwise feed it back without end.
        if (!reportedNotOpened_) {
            reportedNotOpened_ = true;
            lock.unlock();
            qCritical("[E][%s] File is not opened.", Category);
        }
        return;
    }
    file_->write(formatRecord(QDateTime::currentDateTime(), message));
    file_->flush();
}
