#pragma once

#include "StandInOptions.h"

#include <QFile>
#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QLocalSocket;

// The pretended cast: a local control server with one controller, the
// state the commands move between, and the event lines that report it.
class StandInMirror : public QObject {
    Q_OBJECT
public:
    enum class State { WaitingForController, Connecting, Playing, Paused, Dropped };

    explicit StandInMirror(const StandInOptions& options, QObject* parent = nullptr);

    // Opens the control server; false (with a printed reason) when it cannot.
    bool start();

signals:
    void finished(int exitCode);

private:
    void onNewConnection();
    void onReadyRead();
    void onControllerLeft();
    void command(const QByteArray& word);
    void report(const char* event);
    void end(int exitCode, const QString& why);
    void say(const QString& line);

    StandInOptions options_;
    QFile log_;
    QLocalServer server_;
    QPointer<QLocalSocket> controller_;
    State state_ = State::WaitingForController;
    QTimer connectTimer_;
    QTimer dropTimer_;
    QTimer lingerTimer_;
    QTimer waitTimer_;
    int ratio_ = 0;
    bool ending_ = false;
};
