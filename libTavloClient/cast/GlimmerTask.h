#pragma once

#include "cast/CastReply.h"
#include "utils/QtJson.h"

#include <QHostAddress>
#include <QObject>
#include <QRunnable>
#include <QString>

class Config;
class RequestChannel;

// Negotiates a screen cast with a device and then runs the mirroring program
// until it ends. The device may want the local user to confirm the cast and
// may want its cast password; both questions go out as signals that the
// starter answers (blocking queued connections) through
// setConfirmCastResult() and setPassword(). The starter owns the task (auto
// delete is off).
class GlimmerTask : public QObject, public QRunnable {
    Q_OBJECT
public:
    // Announces the mirroring program's control server once the program was
    // started: runs on the task's thread, between the start and the wait.
    class RunCastCallback : public QRunnable {
    public:
        RunCastCallback(GlimmerTask* task, const QString& serverName);
        void run() override;

    private:
        GlimmerTask* task_;
        QString serverName_;
    };

    static constexpr int ReplyTimeoutMs = 2000;
    static constexpr int MirrorPort = 7236;
    static constexpr int FingoPort = 6000;
    static constexpr int WrongPasswordCode = -1002;
    static constexpr int UnknownErrorCode = CastReply::UnknownErrorCode; // the device named none
    // The local control server the program opens (its "-cs" argument).
    static const QString ControlServerName;
    // In the reason of a device that does not know a request type.
    static const QString UnknownTypeMarker;
    // The title of the password question.
    static const QString PasswordTitle;
    // The support entry ("Glimmer : PORT") of a device that takes casts.
    static const QString FeatureName;

    GlimmerTask(const QHostAddress& address, int port, const QString& deviceName,
                const QString& clientName, int sourceWidth, int sourceHeight,
                QObject* parent = nullptr);

    void run() override;

    void setConfirmCastResult(bool confirmed);
    // An empty password means the user cancelled the question.
    void setPassword(const QString& password);

    // The program to start instead of the system's mirroring program.
    void setProgram(const QString& program) { program_ = program; }
    QString program() const { return program_; }

    QString errorText() const { return errorText_; }
    int errorCode() const { return errorCode_; }

    // hex(MD5(hex(MD5(password)) + randomData)), lower-case: what the device
    // checks instead of the password, which never leaves the PC.
    static QString proof(const QString& password, const QString& randomData);
    // The mirroring program's command line: "-s 1 ", "-i IP " when the device
    // named an address, "-cs cast ".
    static QString launchParameters(const QString& ip);
    // Whether an address text from a device may go onto a command line.
    static bool isSafeAddressText(const QString& text);

signals:
    void waitForUserConfirmCast(QString tavloName);
    void waitForUserInputPassword(QString defaultPassword, QString title, QString content);
    void onStarted();
    void onFinished();
    void castServerName(QString serverName);
    void errMsg(QString err);

private:
    bool getAuth(RequestChannel& channel, QString& proof);
    bool sendData(RequestChannel& channel, const QtJson::JsonObject& message);
    bool receiveData(RequestChannel& channel, QtJson::JsonObject& reply);
    bool handleResponse(const CastReply& reply);
    // Sends `message`, reads the reply and judges it.
    bool exchange(RequestChannel& channel, const QtJson::JsonObject& message, CastReply& reply);
    QtJson::JsonObject request(const QString& type, const QString& proof) const;
    bool requestConfirm(RequestChannel& channel);
    bool cancelConfirm(RequestChannel& channel);
    bool requestCast(RequestChannel& channel, QString& ip);
    bool startGlimmer(const QString& ip);
    // A refusal for a wrong password is worth another round only when a
    // password was actually tried: asking again is what can change the answer.
    bool mayRetry() const;
    void fail(const QString& text);

    Config* settings_;
    QHostAddress address_;
    int port_;
    QString deviceName_;
    QString clientName_;
    int sourceWidth_;
    int sourceHeight_;
    bool confirmResult_ = false;
    QString password_;
    QString errorText_;
    int errorCode_ = 0;
    QString program_;
    bool proofSent_ = false;
};
