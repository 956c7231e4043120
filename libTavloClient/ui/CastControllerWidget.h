#pragma once

#include "utils/ServerContent.h"

#include <QSharedPointer>
#include <QWidget>

#include <memory>
#include <optional>

class CastControllerClient;
class GlimmerTask;
class TaskbarProgress;

namespace Ui {
class CastControllerWidget;
}

// The window's strip for mirroring the screen onto the selected device: it
// starts the cast (button or global hot key), answers the handshake's
// questions with dialogs, steers the running mirroring program (pause,
// resume, aspect ratio, stop) and shows the cast's state on its pages and on
// the taskbar entry.
class CastControllerWidget : public QWidget {
    Q_OBJECT
public:
    explicit CastControllerWidget(QWidget* parent = nullptr);
    ~CastControllerWidget() override;

    // The device selected in the window (null: none). While a cast runs, the
    // page stays with the cast; the selection counts again when it ends.
    void setCurrentServer(const ServerContent* server);

    // The program started instead of the system's mirroring program (tests).
    void setMirroringProgram(const QString& program) { program_ = program; }

    bool isCasting() const { return !task_.isNull(); }
    CastControllerClient* controlClient() const { return controlClient_; }
    TaskbarProgress* taskbarProgress() const { return taskbar_.get(); }

public slots:
    void onStartButtonClicked();
    void onStopButtonClicked();
    void onPauseButtonClicked();
    void onResumeButtonClicked();
    void onChangeAspectRatioButtonClicked();
    void onGlimmerTaskBegin();
    void onCastServerNameGet(QString serverName);
    void onGlimmerTaskErr(QString err);
    void onGlimmerTaskEnd(GlimmerTask* task);
    void onGlimmerTaskEnd();
    void onCastServerConnected();
    void onCastServerDisconnected();
    void onCastConnected();
    void onCastDisconnected();
    void onCastPaused();
    void onCastResumed();
    void onConfirmCast(QString tavloName);
    void onWaitInputPassword(QString defaultPassword, QString title, QString content);
    void onCastShortcutActivated();

private:
    static bool canCast(const ServerContent& server);
    // The ready or the not-supported page for the selected device.
    void showReadiness();
    void showPage(QWidget* page);
    void showCastingStatus(QWidget* page);
    // True when the signal comes from the current control channel, not from
    // one already let go.
    bool fromCurrentClient() const;
    void dropControlClient();

    std::unique_ptr<Ui::CastControllerWidget> ui_;
    std::optional<ServerContent> current_;
    std::optional<ServerContent> pending_;
    std::optional<ServerContent> casting_;
    // Shared with the pool job that runs it, so that the task outlives the
    // widget when the window goes while the mirroring program still runs.
    QSharedPointer<GlimmerTask> task_;
    CastControllerClient* controlClient_ = nullptr;
    std::unique_ptr<TaskbarProgress> taskbar_;
    QString program_;
};
