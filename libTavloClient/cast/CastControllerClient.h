#pragma once

#include "cast/ControlLineReader.h"

#include <QByteArray>
#include <QMetaObject>
#include <QString>
#include <QThread>

#include <atomic>

class QLocalSocket;
class SendDataBridge;

// The control channel to the running mirroring program: a local socket (a
// named pipe on Windows) on a thread of its own. Commands go out as CR-LF
// lines; the program's state lines come back as signals. Until the program's
// server exists the channel tries again every 333 ms; when the program closes
// the connection the thread ends.
class CastControllerClient : public QThread {
    Q_OBJECT
public:
    static constexpr int ReconnectIntervalMs = 333;

    CastControllerClient(const QString& serverName, QObject* parent = nullptr);
    ~CastControllerClient() override;

    // Starts the channel's thread; false (with a warning) when it runs.
    bool start();

    // Each command is handed to the channel only in the state that allows it
    // (true); otherwise nothing is sent (false). True does not mean written.
    bool resume();
    bool pause();
    bool stop();
    bool changeAspectRatio();
    // "stop" now if the channel is connected, else as soon as it connects:
    // for a window that goes while the mirroring program still starts.
    void stopWhenConnected();

    // The program's state lines: the four event words, matched exactly.
    enum class Event { None, CastConnected, CastDisconnected, CastResumed, CastPaused };
    static Event eventOf(const QByteArray& line);

    QString serverName() const { return serverName_; }
    bool isServerConnected() const { return serverConnected_; }
    bool isCastConnected() const { return castConnected_; }
    bool isPlaying() const { return playing_; }

signals:
    void serverConnected();
    void serverDisconnected();
    void castConnected();
    void castDisconnected();
    void castResumed();
    void castPaused();
    void error(QString errString);

protected:
    void run() override;

private slots:
    void connectToServer();
    void socketConnected();
    void socketDisconnected();
    void socketError();
    void socketReadyRead();
    void onSendData(QByteArray data);

private:
    bool send(const char* line);
    void applyEvent(Event event);
    void scheduleConnect();

    QString serverName_;
    QLocalSocket* socket_ = nullptr;
    ControlLineReader lines_;
    std::atomic<bool> serverConnected_{false};
    std::atomic<bool> castConnected_{false};
    std::atomic<bool> playing_{false};
    std::atomic<bool> stopWanted_{false};
    SendDataBridge* bridge_;
    QMetaObject::Connection sendConnection_;
};
