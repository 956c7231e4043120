#pragma once

#include <QLocalSocket>
#include <QThread>

#include <vector>

class QLocalServer;

// The running instance's listener: accepts local-socket connections and
// reads the messages later starts send ("CMD:showUp").
class LocalServer : public QThread {
    Q_OBJECT
public:
    explicit LocalServer(const QString& name);
    ~LocalServer() override;

    // Ends the poll loop and waits for the thread.
    void stop();

signals:
    void dataReceived(QString data);
    void privateDataReceived(QString data);
    void showUp();

public slots:
    void slotOnData(QString data);

protected:
    void run() override;

private slots:
    void slotNewConnection();

private:
    QString name_;
    QLocalServer* server_ = nullptr;
    // Accepted and read on the listener thread only, newest first.
    std::vector<QLocalSocket*> sockets_;
};
