#pragma once

#include <QTcpServer>

// A TCP listener that hands out accepted connections as raw descriptors, so
// that a worker thread can own the socket from the start.
class DescriptorServer : public QTcpServer {
    Q_OBJECT
public:
    using QTcpServer::QTcpServer;

signals:
    void connectionAccepted(qintptr descriptor);

protected:
    void incomingConnection(qintptr descriptor) override { emit connectionAccepted(descriptor); }
};
