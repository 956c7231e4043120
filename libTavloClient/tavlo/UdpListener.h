#pragma once

#include <QHostAddress>
#include <QMutex>
#include <QThread>

class QUdpSocket;

// A long-lived UDP endpoint on a fixed port: its thread binds the socket
// (retrying every 10 s while the port is taken), then runs an event loop and
// hands every datagram to `onDatagram`, which starts a task for it.
class UdpListener : public QThread {
    Q_OBJECT
public:
    static constexpr int BindRetryMs = 10000;

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

    // Called on the listener's thread for every datagram.
    virtual void onDatagram(const QByteArray& data, const QHostAddress& sender,
                            quint16 senderPort) = 0;

    void run() override;

private slots:
    void onSocketReadyRead();

private:
    const char* category_;
    const char* bindErrorFormat_;
    quint16 port_;
    QUdpSocket* socket_ = nullptr;
    mutable QMutex mutex_;
    bool listening_ = false;
};
