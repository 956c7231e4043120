#pragma once

#include <QLocalSocket>
#include <QThread>

#include <map>
#include <vector>

class QLocalServer;

// The running instance's listener: accepts local-socket connections and
// reads the messages later starts send ("CMD:showUp").
class LocalServer : public QThread {
    Q_OBJECT
public:
    // The first word of a list of files a later start hands over.
    static const QByteArray FileListMarker; // "SEND-FILES"

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
    // Lists of files still arriving, by connection.
    std::map<QLocalSocket*, QByteArray> fileLists_;
    void deliver(QByteArray bytes);
};
