#include "CastSession.h"

#include "CliContext.h"
#include "LineReader.h"
#include "SignalWatcher.h"
#include "cast/CastControllerClient.h"
#include "cast/GlimmerTask.h"
#include "platform/TerminalEcho.h"
#include "tavlo/discovery/ClientIdentity.h"

#include <QEventLoop>

#include <cstdio>
#include <cstdlib>

CastSession::CastSession(const CliContext& context, const ServerContent& device, int castPort,
                         const QSize& screen, bool passwordPrompt)
    : context_(context)
    , device_(device)
    , castPort_(castPort)
    , passwordPrompt_(passwordPrompt)
    , task_(std::make_unique<GlimmerTask>(device.address, castPort, device.name,
                                          ClientIdentity::name(), screen.width(),
                                          screen.height())) {
    pool_.setMaxThreadCount(1);
    GlimmerTask* task = task_.get();
    // The questions block the task until they are answered here.
    connect(task, &GlimmerTask::waitForUserConfirmCast, this, &CastSession::onConfirm,
            Qt::BlockingQueuedConnection);
    connect(task, &GlimmerTask::waitForUserInputPassword, this, &CastSession::onPassword,
            Qt::BlockingQueuedConnection);
    connect(task, &GlimmerTask::castServerName, this, &CastSession::onControlServer,
            Qt::QueuedConnection);
    connect(task, &GlimmerTask::onFinished, this, &CastSession::onFinished, Qt::QueuedConnection);
    connect(task, &GlimmerTask::errMsg, this, &CastSession::onFailed, Qt::QueuedConnection);
    LineReader* input = LineReader::instance();
    connect(input, &LineReader::lineRead, this, &CastSession::onLine, Qt::QueuedConnection);
    connect(input, &LineReader::closed, this, &CastSession::onInputClosed, Qt::QueuedConnection);
}

CastSession::~CastSession() {
    delete client_;
    pool_.waitForDone();
}

int CastSession::exec() {
    SignalWatcher watcher;
    connect(&watcher, &SignalWatcher::stopRequested, this, &CastSession::onStopRequested);
    context_.print(QStringLiteral("casting to %1 (%2), cast port %3")
                       .arg(device_.name, device_.address.toString())
                       .arg(castPort_));
    QEventLoop loop;
    loop_ = &loop;
    pool_.start(task_.get());
    loop.exec();
    loop_ = nullptr;
    pool_.waitForDone();
    return exitCode_;
}

void CastSession::end(int code) {
    exitCode_ = stopSignal_ != 0 ? CliContext::exitCodeForSignal(stopSignal_) : code;
    if (loop_)
        loop_->quit();
}

void CastSession::prompt(const QString& text) const {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

bool CastSession::answer(QString& line) {
    if (inputClosed_ || stopWanted_)
        return false;
    QEventLoop wait;
    answerLoop_ = &wait;
    answered_ = false;
    wait.exec();
    answerLoop_ = nullptr;
    line = answer_;
    return answered_;
}

void CastSession::onConfirm(const QString& deviceName) {
    prompt(QStringLiteral("cast the screen to %1? [y/N] ").arg(deviceName));
    QString line;
    const bool yes = answer(line) && (line.trimmed().toLower() == QLatin1String("y") ||
                                      line.trimmed().toLower() == QLatin1String("yes"));
    // A terminal echoed the answer with its line end; a pipe did not.
    if (!TerminalEcho::isTerminal())
        prompt(QStringLiteral("\n"));
    task_->setConfirmCastResult(yes);
}

void CastSession::onPassword(const QString& offered, const QString& title, const QString& content) {
    Q_UNUSED(offered);
    Q_UNUSED(title);
    if (!passwordPrompt_) {
        context_.error(QStringLiteral("the device wants its cast password (%1); run with "
                                      "--password-prompt to type it")
                           .arg(content.simplified()));
        task_->setPassword(QString());
        return;
    }
    prompt(content + QStringLiteral("\npassword: "));
    TerminalEcho::setEnabled(false);
    QString line;
    const bool typed = answer(line);
    TerminalEcho::setEnabled(true);
    prompt(QStringLiteral("\n")); // the line end typed was not shown
    task_->setPassword(typed ? line : QString());
}

void CastSession::onControlServer(const QString& serverName) {
    context_.print(
        QStringLiteral("mirroring program started; control server \"%1\"").arg(serverName));
    delete client_;
    client_ = new CastControllerClient(serverName);
    auto report = [this](const QString& text) { return [this, text] { context_.print(text); }; };
    connect(client_, &CastControllerClient::serverConnected, this, [this] {
        context_.print(QStringLiteral("control channel connected; type pause, resume, ratio or "
                                      "stop"));
        if (stopWanted_)
            client_->stop();
    });
    connect(client_, &CastControllerClient::serverDisconnected, this,
            report(QStringLiteral("control channel closed")));
    connect(client_, &CastControllerClient::castConnected, this,
            report(QStringLiteral("cast connected")));
    connect(client_, &CastControllerClient::castDisconnected, this,
            report(QStringLiteral("cast disconnected")));
    connect(client_, &CastControllerClient::castPaused, this,
            report(QStringLiteral("cast paused")));
    connect(client_, &CastControllerClient::castResumed, this,
            report(QStringLiteral("cast resumed")));
    client_->start();
}

void CastSession::onFinished() {
    context_.print(QStringLiteral("the mirroring program ended"));
    end(CliContext::Success);
}

void CastSession::onFailed(const QString& text) {
    context_.error(text.isEmpty() ? QStringLiteral("cast cancelled")
                                  : QStringLiteral("cast failed: %1").arg(text));
    end(CliContext::Failure);
}

void CastSession::onLine(const QString& line) {
    if (answerLoop_) {
        answer_ = line;
        answered_ = true;
        answerLoop_->quit();
        return;
    }
    command(line.trimmed());
}

void CastSession::command(const QString& word) {
    if (word.isEmpty())
        return;
    if (!client_) {
        context_.error(QStringLiteral("not casting yet: %1 ignored").arg(word));
        return;
    }
    bool handed = false;
    if (word == QLatin1String("pause"))
        handed = client_->pause();
    else if (word == QLatin1String("resume"))
        handed = client_->resume();
    else if (word == QLatin1String("ratio"))
        handed = client_->changeAspectRatio();
    else if (word == QLatin1String("stop"))
        handed = client_->stop();
    else {
        context_.error(QStringLiteral("unknown command %1 (pause, resume, ratio, stop)").arg(word));
        return;
    }
    if (!handed)
        context_.error(QStringLiteral("%1 is not possible now").arg(word));
}

void CastSession::stopCast() {
    stopWanted_ = true;
    if (answerLoop_)
        answerLoop_->quit();
    // Before the channel connects the stop goes out as soon as it does.
    if (client_)
        client_->stop();
}

void CastSession::onInputClosed() {
    inputClosed_ = true;
    stopCast();
}

void CastSession::onStopRequested(int signalNumber) {
    if (stopSignal_ != 0) {
        // A second signal: leave at once; the mirroring program may go on.
        std::_Exit(CliContext::exitCodeForSignal(signalNumber));
    }
    stopSignal_ = signalNumber;
    stopCast();
}
