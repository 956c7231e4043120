#include "ui/CastControllerWidget.h"

#include "cast/CastControllerClient.h"
#include "cast/GlimmerTask.h"
#include "ui/platform/TaskbarProgress.h"
#include "ui_CastControllerWidget.h"
#include "utils/Config.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QThread>
#include <QThreadPool>

namespace {

// The time the last "stop" gets to leave before the widget goes.
constexpr unsigned long StopGraceMs = 100;

} // namespace

CastControllerWidget::CastControllerWidget(QWidget* parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::CastControllerWidget>()) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_StyledBackground, true);

    const auto unique = Qt::UniqueConnection;
    connect(ui_->startButton, &QPushButton::clicked, this,
            &CastControllerWidget::onStartButtonClicked, unique);
    connect(ui_->stopButton, &QPushButton::clicked, this,
            &CastControllerWidget::onStopButtonClicked, unique);
    connect(ui_->pauseButton, &QPushButton::clicked, this,
            &CastControllerWidget::onPauseButtonClicked, unique);
    connect(ui_->resumeButton, &QPushButton::clicked, this,
            &CastControllerWidget::onResumeButtonClicked, unique);
    connect(ui_->changeAspectRatioButton, &QPushButton::clicked, this,
            &CastControllerWidget::onChangeAspectRatioButtonClicked, unique);

    taskbar_ = TaskbarProgress::create(this);
    connect(Config::instance(), &Config::castShortcutActivated, this,
            &CastControllerWidget::onCastShortcutActivated, unique);
    setCurrentServer(nullptr);
}

CastControllerWidget::~CastControllerWidget() {
    if (controlClient_ && !controlClient_->isServerConnected()) {
        // The mirroring program still starts: the channel lives on until it
        // can tell the program to stop, then ends (and goes) on its own.
        controlClient_->disconnect(this);
        controlClient_->setParent(nullptr);
        connect(controlClient_, &QThread::finished, controlClient_, &QObject::deleteLater);
        controlClient_->stopWhenConnected();
        controlClient_ = nullptr;
    }
    if (controlClient_ && controlClient_->stop())
        QThread::msleep(StopGraceMs);
    // The channel thread writes the "stop" before it ends.
    delete controlClient_;
    controlClient_ = nullptr;
    // A task still waiting for the mirroring program lives on in its pool job
    // and is deleted when that ends; it no longer reports here.
    if (task_)
        task_->disconnect(this);
}

bool CastControllerWidget::canCast(const ServerContent& server) {
    bool present = false;
    server.supportPort(GlimmerTask::FeatureName, &present);
    return present;
}

void CastControllerWidget::showPage(QWidget* page) {
    ui_->stackedWidget->setCurrentWidget(page);
}

void CastControllerWidget::showCastingStatus(QWidget* page) {
    ui_->castingStatusWidget->setCurrentWidget(page);
}

void CastControllerWidget::setCurrentServer(const ServerContent* server) {
    if (server)
        current_ = *server;
    else
        current_.reset();
    // From the start click on the cast owns the page (and the start button
    // stays disabled, so one click starts one cast).
    if (!task_)
        showReadiness();
}

void CastControllerWidget::showReadiness() {
    taskbar_->hide();
    if (current_ && canCast(*current_)) {
        ui_->startButton->setEnabled(true);
        showPage(ui_->notCastWidget);
    } else {
        showPage(ui_->notSurrpotWidget);
    }
}

void CastControllerWidget::onStartButtonClicked() {
    if (task_ || !current_ || !canCast(*current_))
        return;
    ui_->startButton->setEnabled(false);
    pending_ = current_;

    const int port = pending_->supportPort(GlimmerTask::FeatureName).port;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect geometry = screen ? screen->geometry() : QRect();
    const QString clientName = Config::instance()->value(Config::ClientName).toString();

    task_ = QSharedPointer<GlimmerTask>(new GlimmerTask(pending_->address, port, pending_->name,
                                                        clientName,
                                                        geometry.right() - geometry.left() + 1,
                                                        geometry.bottom() - geometry.top() + 1),
                                        &QObject::deleteLater);
    if (!program_.isEmpty())
        task_->setProgram(program_);

    GlimmerTask* task = task_.data();
    connect(task, &GlimmerTask::onStarted, this, &CastControllerWidget::onGlimmerTaskBegin,
            Qt::QueuedConnection);
    connect(task, &GlimmerTask::castServerName, this, &CastControllerWidget::onCastServerNameGet,
            Qt::QueuedConnection);
    connect(task, &GlimmerTask::onFinished, this,
            qOverload<>(&CastControllerWidget::onGlimmerTaskEnd), Qt::QueuedConnection);
    connect(task, &GlimmerTask::errMsg, this, &CastControllerWidget::onGlimmerTaskErr,
            Qt::QueuedConnection);
    connect(task, &GlimmerTask::waitForUserConfirmCast, this, &CastControllerWidget::onConfirmCast,
            Qt::BlockingQueuedConnection);
    connect(task, &GlimmerTask::waitForUserInputPassword, this,
            &CastControllerWidget::onWaitInputPassword, Qt::BlockingQueuedConnection);

    QSharedPointer<GlimmerTask> job = task_;
    QThreadPool::globalInstance()->start([job] { job->run(); });
}

void CastControllerWidget::onGlimmerTaskBegin() {
    casting_ = pending_;
    pending_.reset();
    showPage(ui_->pendingCastWidget);
    taskbar_->stop();
    taskbar_->show();
}

void CastControllerWidget::onConfirmCast(QString tavloName) {
    auto* task = qobject_cast<GlimmerTask*>(sender());
    const auto answer =
        QMessageBox::information(nullptr, tr("Glimmer"), tr("是否投射镜像到\n%1").arg(tavloName),
                                 QMessageBox::Ok | QMessageBox::Cancel);
    if (task)
        task->setConfirmCastResult(answer == QMessageBox::Ok);
}

void CastControllerWidget::onWaitInputPassword(QString defaultPassword, QString title,
                                               QString content) {
    auto* task = qobject_cast<GlimmerTask*>(sender());
    bool accepted = false;
    const QString password = QInputDialog::getText(nullptr, title, content, QLineEdit::Password,
                                                   defaultPassword, &accepted);
    if (task)
        task->setPassword(accepted ? password : QString());
}

void CastControllerWidget::onCastServerNameGet(QString serverName) {
    dropControlClient();
    controlClient_ = new CastControllerClient(serverName, this);
    connect(controlClient_, &CastControllerClient::serverConnected, this,
            &CastControllerWidget::onCastServerConnected, Qt::QueuedConnection);
    connect(controlClient_, &CastControllerClient::serverDisconnected, this,
            &CastControllerWidget::onCastServerDisconnected, Qt::QueuedConnection);
    connect(controlClient_, &CastControllerClient::castConnected, this,
            &CastControllerWidget::onCastConnected, Qt::QueuedConnection);
    connect(controlClient_, &CastControllerClient::castDisconnected, this,
            &CastControllerWidget::onCastDisconnected, Qt::QueuedConnection);
    connect(controlClient_, &CastControllerClient::castPaused, this,
            &CastControllerWidget::onCastPaused, Qt::QueuedConnection);
    connect(controlClient_, &CastControllerClient::castResumed, this,
            &CastControllerWidget::onCastResumed, Qt::QueuedConnection);
    controlClient_->start();
}

bool CastControllerWidget::fromCurrentClient() const {
    return controlClient_ && sender() == controlClient_;
}

void CastControllerWidget::dropControlClient() {
    if (!controlClient_)
        return;
    // Nothing more from it arrives after this; what it sent before is still
    // queued and is recognised as stale, because the deletion comes after it.
    controlClient_->disconnect(this);
    controlClient_->deleteLater();
    controlClient_ = nullptr;
}

void CastControllerWidget::onCastServerConnected() {
    if (!fromCurrentClient())
        return;
    showPage(ui_->castingWidget);
    showCastingStatus(ui_->castingStatusPendingWidget);
}

void CastControllerWidget::onCastConnected() {
    if (!fromCurrentClient())
        return;
    showCastingStatus(ui_->castingStatusPlayingWidget);
    taskbar_->resume();
}

void CastControllerWidget::onCastPaused() {
    if (!fromCurrentClient())
        return;
    showCastingStatus(ui_->castingStatusPausingWidget);
    taskbar_->pause();
}

void CastControllerWidget::onCastResumed() {
    if (!fromCurrentClient())
        return;
    showCastingStatus(ui_->castingStatusPlayingWidget);
    taskbar_->resume();
}

void CastControllerWidget::onCastDisconnected() {
    if (!fromCurrentClient())
        return;
    showPage(ui_->castDisconnectedWidget);
    taskbar_->stop();
}

void CastControllerWidget::onCastServerDisconnected() {
    if (!fromCurrentClient())
        return;
    dropControlClient();
}

void CastControllerWidget::onStopButtonClicked() {
    if (controlClient_)
        controlClient_->stop();
}

void CastControllerWidget::onPauseButtonClicked() {
    if (controlClient_)
        controlClient_->pause();
}

void CastControllerWidget::onResumeButtonClicked() {
    if (controlClient_)
        controlClient_->resume();
}

void CastControllerWidget::onChangeAspectRatioButtonClicked() {
    if (controlClient_)
        controlClient_->changeAspectRatio();
}

void CastControllerWidget::onGlimmerTaskErr(QString err) {
    auto* task = qobject_cast<GlimmerTask*>(sender());
    if (!err.isEmpty())
        QMessageBox::warning(this, tr("错误"), err, QMessageBox::Ok);
    onGlimmerTaskEnd(task);
}

void CastControllerWidget::onGlimmerTaskEnd() {
    onGlimmerTaskEnd(qobject_cast<GlimmerTask*>(sender()));
}

void CastControllerWidget::onGlimmerTaskEnd(GlimmerTask* task) {
    // Only the running task ends the cast.
    if (!task || task != task_.data())
        return;
    task_->disconnect(this);
    task_.reset();
    dropControlClient();
    casting_.reset();
    pending_.reset();
    showReadiness();
}

void CastControllerWidget::onCastShortcutActivated() {
    QWidget* page = ui_->stackedWidget->currentWidget();
    if (page == ui_->notCastWidget && ui_->startButton->isEnabled())
        ui_->startButton->click();
    else if (page == ui_->castingWidget && ui_->stopButton->isEnabled())
        ui_->stopButton->click();
}
