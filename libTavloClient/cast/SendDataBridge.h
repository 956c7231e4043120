#pragma once

#include <QByteArray>
#include <QObject>

// Hands command bytes from the thread that asks for a command to the control
// channel's thread, where the socket lives: its one signal is delivered
// queued to the channel.
class SendDataBridge : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void dataSended(QByteArray data);
};
