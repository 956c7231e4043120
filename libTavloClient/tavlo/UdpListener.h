#pragma once

#include <QHostAddress>
#include <QMutex>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

class QUdpSocket;

// A long-lived UDP endpoint on a fixed port: its thread binds the socket
// (retrying every 10 s while the port is taken), then runs an event loop and
// hands every datagram to `onDatagram`, which starts a task for it.
//
// Anyone on the network can reach the port, so what a flood can cost is
// bounded: a datagram larger than MaxDatagramSize is dropped unread, and
// while MaxPendingTasks tasks have not ended further datagrams are dropped
// too (the kernel drops what the socket cannot hold anyway).
class UdpListener : public QThread {
    Q_OBJECT
public:
    static constexpr int BindRetryMs = 10000;
    // Far above any request of the protocols (a path of 4096 bytes and more).
    static constexpr int MaxDatagramSize = 16384;
    static constexpr int MaxPendingTasks = 256;

    // Port to bind; tests move it away from the fixed port. Set before start().
    void setListenPort(quint16 port) { port_ = port; }
    quint16 listenPort() const { return port_; }
    // True once the socket is bound and datagrams are taken.
    bool isListening() const;
    // Ends the event loop and any bind retry, and waits for the thread.
    void stop();
    // Sends `datagram` from the listening socket, so that the answer comes
    // from the port the request went to; safe from any thread (the send is
    // handed to the listener's thread). False when the listener is not
    // listening.
    bool sendFromListeningPort(const QByteArray& datagram, const QHostAddress& to, quint16 port);

protected:
    // `bindErrorFormat` is logged with the category and the socket's error
    // text whenever binding fails.
    UdpListener(quint16 port, const char* category, const char* bindErrorFormat,
                QObject* parent = nullptr);

    // Called on the listener's thread for every datagram that is taken.
    virtual void onDatagram(const QByteArray& data, const QHostAddress& sender,
                            quint16 senderPort) = 0;

    // `onDatagram` calls it for the task it starts; the task calls the
    // returned function once, when it ends.
    std::function<void()> taskStarted();
    int pendingTasks() const { return *pending_; }

    void run() override;

private slots:
    void onSocketReadyRead();

private:
    // Counts a dropped datagram; logs once when dropping starts and once,
    // with the count, when the next datagram is taken again.
    void dropDatagram(const char* why);

private:
    const char* category_;
    const char* bindErrorFormat_;
    quint16 port_;
    QUdpSocket* socket_ = nullptr;
    mutable QMutex mutex_;
    bool listening_ = false;
    // Shared with the tasks, which may end after the listener.
    std::shared_ptr<std::atomic<int>> pending_ = std::make_shared<std::atomic<int>>(0);
    int dropped_ = 0;
};
