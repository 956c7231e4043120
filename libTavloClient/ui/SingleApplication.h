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

signals:
    void showUp();

public slots:
    void slotShowUp();

private:
    bool running_ = false;
    QString key_;
    std::unique_ptr<QLockFile> lock_;
    LocalServer* listener_ = nullptr;
};
