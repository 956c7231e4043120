#include "StandInMirror.h"

#include <QCoreApplication>
#include <QLocalSocket>

#include <cstdio>

namespace {

const char* const AspectRatios[] = {"16:9", "4:3", "16:10", "fit"};

} // namespace

StandInMirror::StandInMirror(const StandInOptions& options, QObject* parent)
    : QObject(parent)
    , options_(options) {
    if (!options_.logFile.isEmpty()) {
        log_.setFileName(options_.logFile);
        if (!log_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            std::fprintf(stderr, "glimmer: cannot write %s\n", qPrintable(options_.logFile));
    }
    for (QTimer* timer : {&connectTimer_, &dropTimer_, &lingerTimer_, &waitTimer_})
        timer->setSingleShot(true);
    connect(&server_, &QLocalServer::newConnection, this, &StandInMirror::onNewConnection);
    connect(&connectTimer_, &QTimer::timeout, this, [this] {
        state_ = State::Playing;
        report("castConnected");
        if (options_.dropAfterMs >= 0)
            dropTimer_.start(options_.dropAfterMs);
    });
    connect(&dropTimer_, &QTimer::timeout, this, [this] {
        state_ = State::Dropped;
        report("castDisconnected");
        lingerTimer_.start(options_.lingerMs);
    });
    connect(&lingerTimer_, &QTimer::timeout, this,
            [this] { end(0, QStringLiteral("no stop after the drop")); });
    connect(&waitTimer_, &QTimer::timeout, this,
            [this] { end(3, QStringLiteral("no controller came")); });
}

void StandInMirror::say(const QString& line) {
    const QByteArray text = QStringLiteral("glimmer: %1\n").arg(line).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
    if (log_.isOpen()) {
        log_.write(text);
        log_.flush();
    }
}

bool StandInMirror::start() {
    // What it was asked, as the client's command line had it.
    say(QStringLiteral("started %1")
            .arg(QCoreApplication::arguments().mid(1).join(QLatin1Char(' '))));
    // A name left behind by a stand-in that died would block the server.
    QLocalServer::removeServer(options_.serverName);
    if (!server_.listen(options_.serverName)) {
        say(QStringLiteral("cannot open the control server %1: %2")
                .arg(options_.serverName, server_.errorString()));
        return false;
    }
    say(QStringLiteral("listening %1").arg(options_.serverName));
    waitTimer_.start(options_.waitClientMs);
    return true;
}

void StandInMirror::onNewConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        if (controller_) {
            say(QStringLiteral("refused a second controller"));
            socket->disconnectFromServer();
            socket->deleteLater();
            continue;
        }
        controller_ = socket;
        waitTimer_.stop();
        state_ = State::Connecting;
        say(QStringLiteral("controller connected"));
        connect(socket, &QLocalSocket::readyRead, this, &StandInMirror::onReadyRead);
        connect(socket, &QLocalSocket::disconnected, this, &StandInMirror::onControllerLeft);
        if (options_.connectAfterMs >= 0)
            connectTimer_.start(options_.connectAfterMs);
    }
}

void StandInMirror::onReadyRead() {
    while (controller_ && controller_->canReadLine()) {
        QByteArray line = controller_->readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        command(line);
    }
}

void StandInMirror::command(const QByteArray& word) {
    const QString text = QString::fromLatin1(word);
    say(QStringLiteral("command %1").arg(text));
    if (word == "stop") {
        end(0, QStringLiteral("stopped"));
    } else if (word == "pause" && state_ == State::Playing) {
        state_ = State::Paused;
        report("castPaused");
    } else if (word == "resume" && state_ == State::Paused) {
        state_ = State::Playing;
        report("castResumed");
    } else if (word == "changeAspectRatio" && state_ == State::Playing) {
        ratio_ = (ratio_ + 1) % int(sizeof(AspectRatios) / sizeof(AspectRatios[0]));
        say(QStringLiteral("aspect ratio %1").arg(QLatin1String(AspectRatios[ratio_])));
    } else {
        say(QStringLiteral("ignored %1").arg(text));
    }
}

void StandInMirror::report(const char* event) {
    say(QStringLiteral("event %1").arg(QLatin1String(event)));
    if (controller_) {
        controller_->write(QByteArray(event) + "\r\n");
        controller_->flush();
    }
}

void StandInMirror::onControllerLeft() {
    end(0, QStringLiteral("the controller left"));
}

void StandInMirror::end(int exitCode, const QString& why) {
    if (ending_)
        return;
    ending_ = true;
    say(QStringLiteral("exit %1 (%2)").arg(exitCode).arg(why));
    if (controller_) {
        controller_->disconnect(this);
        controller_->disconnectFromServer();
    }
    server_.close();
    emit finished(exitCode);
}
