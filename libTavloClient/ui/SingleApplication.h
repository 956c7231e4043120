#pragma once

#include <QApplication>

#include <memory>

class LocalServer;
class QLockFile;

// The application object and the single-instance guard: the first start of a
// program path holds a lock file and listens on a local socket; a later start
// asks it to show its window and exits.
class SingleApplication : public QApplication {
    Q_OBJECT
public:
    static const QByteArray ShowUpMessage; // "CMD:showUp"

    SingleApplication(int& argc, char** argv);
    ~SingleApplication() override;

    // True in the instance that owns the lock.
    bool isRunning() const { return running_; }
    QString instanceKey() const { return key_; }
    QString lockPath() const;

    // The key of a program path: the path without "/", ":", "\" and ".".
    static QString keyFor(const QString& programPath);

    // In a later start: hands `filePaths` to the running instance, as the
    // word "SEND-FILES" and one file URL a line (so any file name travels
    // whole; data, not a command). False when it could not be reached.
    bool sendFilesToRunning(const QStringList& filePaths) const;
    static QByteArray sendFilesMessage(const QStringList& filePaths);
    // The files of a message; empty for any other message.
    static QStringList filesOf(const QString& message);

signals:
    void showUp();
    // Another start handed these files over.
    void filesToSend(QStringList filePaths);

public slots:
    void slotShowUp();

private:
    bool running_ = false;
    QString key_;
    std::unique_ptr<QLockFile> lock_;
    LocalServer* listener_ = nullptr;
};
