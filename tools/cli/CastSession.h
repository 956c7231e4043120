#pragma once

#include "utils/ServerContent.h"

#include <QObject>
#include <QSize>
#include <QThreadPool>

#include <memory>

class CastControllerClient;
class CliContext;
class GlimmerTask;
class QEventLoop;

// One cast from the command line: the handshake on a pool thread, its
// questions asked on the terminal, then the running mirroring program steered
// by the commands typed on standard input (pause, resume, ratio, stop). End
// of input or SIGINT/SIGTERM stops the cast.
class CastSession : public QObject {
    Q_OBJECT
public:
    CastSession(const CliContext& context, const ServerContent& device, int castPort,
                const QSize& screen, bool passwordPrompt);
    ~CastSession() override;

    // Runs until the mirroring program ended or the cast failed; the exit code.
    int exec();

private:
    void onConfirm(const QString& deviceName);
    void onPassword(const QString& offered, const QString& title, const QString& content);
    void onControlServer(const QString& serverName);
    void onFinished();
    void onFailed(const QString& text);
    void onLine(const QString& line);
    void onInputClosed();
    void onStopRequested(int signalNumber);
    void command(const QString& word);
    void stopCast();
    // Waits for the next line typed; false when none will come.
    bool answer(QString& line);
    void prompt(const QString& text) const;
    void end(int code);

    const CliContext& context_;
    ServerContent device_;
    int castPort_;
    bool passwordPrompt_;
    QThreadPool pool_;
    std::unique_ptr<GlimmerTask> task_;
    CastControllerClient* client_ = nullptr;
    QEventLoop* loop_ = nullptr;
    QEventLoop* answerLoop_ = nullptr;
    QString answer_;
    bool answered_ = false;
    bool inputClosed_ = false;
    bool stopWanted_ = false;
    int stopSignal_ = 0;
    int exitCode_ = 0;
};
