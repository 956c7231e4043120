#include "ui/MainWindow.h"

#include "log/LogDialog.h"
#include "tavlo/FileDownloader.h"
#include "tavlo/FileTransferServer.h"
#include "tavlo/discovery/DiscoveryListener.h"
#include "tavlo/discovery/DiscoveryServer.h"
#include "tavlo/server/FileDistribution.h"
#include "tavlo/server/IncomingOffer.h"
#include "tavlo/server/OperateListener.h"
#include "ui/AboutTavloDialog.h"
#include "ui/CastControllerWidget.h"
#include "ui/DesktopSettings.h"
#include "ui/FileListDialog.h"
#include "ui/ManualDevicesManageDialog.h"
#include "ui/ProgressDockWidget.h"
#include "ui/RecentFilesDialog.h"
#include "ui/SalutatorySetting.h"
#include "ui/ServerContentWidget.h"
#include "ui/SettingDialog.h"
#include "ui/TrayIconMenu.h"
#include "ui_MainWindow.h"
#include "utils/Config.h"
#include "utils/MetaTypes.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>

#include <utility>

const QString MainWindow::Version = QStringLiteral(TAVLO_VERSION);

namespace {

MainWindow* currentWindow = nullptr;

// The forms ask for the Windows UI font; elsewhere fall back to a CJK font
// that the system has, so Chinese texts stay readable.
void substituteFonts() {
    const QStringList fallbacks{QStringLiteral("Noto Sans CJK SC"),
                                QStringLiteral("WenQuanYi Micro Hei"),
                                QStringLiteral("Source Han Sans SC")};
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), fallbacks);
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), fallbacks);
}

} // namespace

MainWindow* MainWindow::instance() {
    return currentWindow;
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , ui_(std::make_unique<Ui::MainWindow>()) {
    substituteFonts();
    logDialog_ = new LogDialog(this);
    settingDialog_ = new SettingDialog(this);
    tray_ = new QSystemTrayIcon(this);
    trayAvailable_ = QSystemTrayIcon::isSystemTrayAvailable();
    connect(this, &MainWindow::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    config_ = Config::instance();
    desktopSettings_ = new DesktopSettings(config_, this);
    discovery_ = DiscoveryServer::instance();
    currentWindow = this;

    ui_->setupUi(this);
    ui_->isSecureModel->setCheckable(true);
    ui_->isSecureModel->setChecked(config_->value(Config::SecureMode).toBool());
    connect(ui_->isSecureModel, &QCheckBox::stateChanged, this, &MainWindow::isSecureModelChanged);
    ui_->contentSplitter->setStretchFactor(0, 3);
    ui_->contentSplitter->setStretchFactor(1, 2);

    ui_->fileListTabWidget->clear();
    ui_->fileListTabWidget->setTabsClosable(false);
    connect(ui_->fileListTabWidget, &QTabWidget::tabCloseRequested, this, &MainWindow::tabClose);

    buildTray();
    buildPopupMenu();

    connect(ui_->btn_close, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->btn_min, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(ui_->btn_menu, &QPushButton::clicked, this, &MainWindow::setPopupMenu);
    connect(ui_->refreshPushButton, &QPushButton::clicked, this, &MainWindow::refreshServerList);
    connect(ui_->serverWidget, &ServerContentWidget::filePathDroped, this,
            &MainWindow::startUploadFiles, Qt::UniqueConnection);
    connect(ui_->serverWidget, &ServerContentWidget::fileList, this, &MainWindow::getFileList);

    const auto queuedUnique = Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection);
    connect(discovery_, &DiscoveryServer::serverDiscoveried, this, &MainWindow::onServerDiscoveried,
            queuedUnique);
    connect(discovery_, &DiscoveryServer::serverDisappeared, this, &MainWindow::onServerDisappeared,
            queuedUnique);
    connect(discovery_, &DiscoveryServer::serverDiscoeryEnd, this,
            &MainWindow::onServerDiscoveryEnd, queuedUnique);

    MetaTypes::registerAll();
    uploadService_ = FileTransferServer::instance();
    connect(uploadService_, &FileTransferServer::uploadProgress, ui_->notifyWidget,
            &ProgressDockWidget::uploadProgressUpdated, Qt::QueuedConnection);

    startDiscoveryServer();

    recentFilesPage_ = new RecentFilesDialog;
    connect(uploadService_, &FileTransferServer::updateRecentFileList, recentFilesPage_,
            &RecentFilesDialog::updateList, Qt::QueuedConnection);
    connect(recentFilesPage_, &RecentFilesDialog::addDeviceRequested, this,
            &MainWindow::onManualAddDevices);
    ui_->fileListTabWidget->addTab(recentFilesPage_, tr("最近文件"));
    ui_->fileListTabWidget->setTabsClosable(true);

    DiscoveryListener::instance()->start(QThread::InheritPriority);
    // Files peers offer to this PC, and files they fetch from it.
    operateListener_ = new OperateListener();
    connect(operateListener_, &OperateListener::isDownloadFile, this, &MainWindow::isDownloadFile,
            Qt::QueuedConnection);
    connect(operateListener_, &OperateListener::uploadProgress, ui_->notifyWidget,
            &ProgressDockWidget::uploadProgressUpdated, Qt::QueuedConnection);
    connect(operateListener_, &OperateListener::updateRecentFileList, recentFilesPage_,
            &RecentFilesDialog::updateList, Qt::QueuedConnection);
    operateListener_->start(QThread::InheritPriority);

    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setWindowIcon(QIcon(QStringLiteral(":/drawable/ic_launcher.png")));
    ui_->labelVersion->setText(tr("V") + Version);
    ui_->btn_max->hide();
    connect(ui_->showDebugButton, &QPushButton::clicked, this, &MainWindow::showDebugDialog,
            Qt::UniqueConnection);

    deviceCheckTimer_ = new QTimer(this);
    deviceCheckTimer_->setInterval(DeviceCheckIntervalMs);
    connect(deviceCheckTimer_, &QTimer::timeout, this, &MainWindow::onDeviceCheck,
            Qt::UniqueConnection);
    deviceCheckTimer_->start();
}

MainWindow::~MainWindow() {
    deviceCheckTimer_->stop();
    downloadsStop_.requestStop(); // quitting does not wait for whole files
    operateListener_->stopServing();
    delete operateListener_;
    operateListener_ = nullptr;
    ui_.reset();
    tray_->hide();
    delete tray_;
    tray_ = nullptr;
    servers_.clear();
    threadPool_.waitForDone();
    delete logDialog_;
    logDialog_ = nullptr;
    if (currentWindow == this)
        currentWindow = nullptr;
}

void MainWindow::buildTray() {
    trayMenu_ = new TrayIconMenu(this);
    tray_->setIcon(QIcon(QStringLiteral(":/drawable/tray_icon.png")));
    tray_->setToolTip(tr("Tavlo客户端"));
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this, &MainWindow::showOrHide,
            Qt::UniqueConnection);
    connect(trayMenu_->showAction(), &QAction::triggered, this, [this] { showOrHide(); });
    connect(trayMenu_->quitAction(), &QAction::triggered, qApp, &QCoreApplication::quit,
            Qt::UniqueConnection);
    tray_->show();
}

void MainWindow::buildPopupMenu() {
    popupMenu_ = new QMenu(this);
    const QFont menuFont(tr("微软雅黑"), 14);
    auto add = [this, &menuFont](const QString& text) {
        QAction* action = popupMenu_->addAction(text);
        action->setFont(menuFont);
        return action;
    };
    QAction* refresh = add(tr("刷新"));
    refresh->setShortcut(QKeySequence(QStringLiteral("F5")));
    addAction(refresh);
    connect(refresh, &QAction::triggered, this, &MainWindow::startDiscoveryServer);
    connect(add(tr("手动添加设备")), &QAction::triggered, this, &MainWindow::onManualAddDevices);
    popupMenu_->addSeparator();
    QAction* uploadOne = add(tr("上传文件"));
    connect(uploadOne, &QAction::triggered, this, [this] { startUploadFile(); });
    QAction* uploadMany = add(tr("上传多个文件"));
    connect(uploadMany, &QAction::triggered, this, [this] { startUploadFiles(); });
    uploadActions_ = {uploadOne, uploadMany};
    popupMenu_->addSeparator();
    salutatoryAction_ = add(tr("设置欢迎辞"));
    connect(salutatoryAction_, &QAction::triggered, this, &MainWindow::setSalutatory);
    popupMenu_->addSeparator();
    connect(add(tr("设置")), &QAction::triggered, this, &MainWindow::onActionSettingTriggered);
    connect(add(tr("关于")), &QAction::triggered, this, &MainWindow::onActionAboutTriggered);
    popupMenu_->addSeparator();
    connect(add(tr("退出")), &QAction::triggered, qApp, &QCoreApplication::quit);
    updateDeviceActions();
}

void MainWindow::updateDeviceActions() {
    // Without a device these entries would do nothing; they say so by
    // being greyed out.
    for (QAction* action : qAsConst(uploadActions_))
        action->setEnabled(!servers_.empty());
    const ServerContent* card = ui_ ? cardServer() : nullptr;
    salutatoryAction_->setEnabled(!servers_.empty() && card && !card->isClient());
}

FileListDialog* MainWindow::createFileBrowserPage(const ServerContent& server) {
    auto* page = new FileListDialog(server);
    connect(page, &FileListDialog::updateDownloadProgress, ui_->notifyWidget,
            &ProgressDockWidget::uploadProgressUpdated, Qt::QueuedConnection);
    connect(page, &FileListDialog::updateRecentFileList, recentFilesPage_,
            &RecentFilesDialog::updateList);
    return page;
}

// --- shell ---------------------------------------------------------------

void MainWindow::notify(QString description) {
    statusBar()->showMessage(description, NotifyTimeoutMs);
}

void MainWindow::setPopupMenu() {
    popupMenu_->popup(QCursor::pos());
}

void MainWindow::showDebugDialog() {
    logDialog_->setVisible(!logDialog_->isVisible());
}

void MainWindow::showOrHide(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::Trigger)
        return;
    setVisible(!isVisible());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (trayAvailable_) {
        hide();
        return;
    }
    // Without a tray a hidden window could never be brought back.
    const int running = ui_->notifyWidget->runningCount();
    if (running > 0 &&
        QMessageBox::question(
            this, tr("提示"),
            tr("还有 %n 个传输正在进行.\n退出会中止它们, 确定要退出吗?", "", running),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    emit quitRequested();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    activateWindow();
    raise();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->y() < ui_->main_info->height() - 5) {
        dragging_ = true;
        lastX_ = event->globalX();
        lastY_ = event->globalY();
    }
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return;
    move(x() + event->globalX() - lastX_, y() + event->globalY() - lastY_);
    lastX_ = event->globalX();
    lastY_ = event->globalY();
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
}

// --- controller ----------------------------------------------------------

QList<ServerContent> MainWindow::serverList() const {
    QList<ServerContent> list;
    for (const auto& server : servers_)
        list.append(*server);
    return list;
}

const ServerContent* MainWindow::cardServer() const {
    return &ui_->serverWidget->serverContent();
}

void MainWindow::isSecureModelChanged(int state) {
    if (state == Qt::Unchecked || state == Qt::Checked)
        config_->setValue(Config::SecureMode, ui_->isSecureModel->isChecked());
}

void MainWindow::onActionSettingTriggered() {
    settingDialog_->show();
    settingDialog_->raise();
    settingDialog_->activateWindow();
}

void MainWindow::onActionAboutTriggered() {
    AboutTavloDialog about(this);
    about.exec();
}

void MainWindow::setSalutatory() {
    if (servers_.empty() || cardServer()->isClient())
        return;
    SalutatorySetting dialog(*cardServer(), this);
    dialog.exec();
}

void MainWindow::onManualAddDevices() {
    if (!manualDevicesDialog_)
        manualDevicesDialog_ = new ManualDevicesManageDialog(this);
    manualDevicesDialog_->exec();
}

void MainWindow::startDiscoveryServer() {
    ui_->refreshPushButton->setEnabled(false);
    if (discovery_->start()) {
        statusBar()->showMessage(tr("开始扫描服务器!"));
        QTimer::singleShot(4000, this, [this] { onServerDiscoveryEnd(); });
    }
}

void MainWindow::refreshServerList() {
    startDiscoveryServer();
}

void MainWindow::onServerDiscoveryEnd(int count) {
    ui_->refreshPushButton->setEnabled(true);
    if (count != -1)
        statusBar()->showMessage(tr("查找结束,总共找到 %1 个设备.").arg(count));
    if (!filesWaitingForADevice_.isEmpty())
        sendFilesFromDesktop(std::exchange(filesWaitingForADevice_, QStringList()));
}

void MainWindow::sendFilesFromDesktop(const QStringList& filePaths) {
    if (filePaths.isEmpty())
        return;
    show();
    if (!servers_.empty() && !cardServer()->address.isNull()) {
        startUploadFiles(filePaths);
        return;
    }
    if (!ui_->refreshPushButton->isEnabled()) { // the search is still running
        filesWaitingForADevice_ += filePaths;
        return;
    }
    QMessageBox::information(
        this, tr("提示"),
        tr("没有找到设备, 无法发送 %n 个文件.\n请在找到设备后再发送.", "", filePaths.size()));
}

void MainWindow::onServerDiscoveried(ServerContent content) {
    statusBar()->showMessage(tr("找到服务器\"") + content.name + tr("\""));
    auto record = std::make_unique<ServerContent>(content);
    if (content.type == Protocol::SERVER) {
        const auto firstOther = std::find_if(servers_.begin(), servers_.end(), [](const auto& s) {
            return s->type != Protocol::SERVER;
        });
        servers_.insert(firstOther, std::move(record));
    } else {
        servers_.push_back(std::move(record));
    }
    updateServerList();
}

void MainWindow::onServerDisappeared(ServerContent content) {
    statusBar()->showMessage(tr("服务器\"") + content.name + tr("\"下线"));
    servers_.erase(std::remove_if(servers_.begin(), servers_.end(),
                                  [&content](const auto& s) { return *s == content; }),
                   servers_.end());
    updateServerList();
}

void MainWindow::updateServerList() {
    QComboBox* combo = ui_->serverComboBox;
    disconnect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this, nullptr);
    combo->clear();
    if (servers_.empty()) {
        serverSelectChanged(-1, false);
    } else {
        const QString last = config_->value(Config::LastSelectedServerUUID).toString();
        int selected = 0;
        for (int i = 0; i < int(servers_.size()); ++i) {
            const ServerContent& server = *servers_[size_t(i)];
            DiscoveryListener::instance()->setServer(server.address.toString(), server);
            combo->addItem(server.name);
            if (server.uuid == last)
                selected = i;
        }
        combo->setCurrentIndex(selected);
        serverSelectChanged(selected, false);
    }
    connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int index) { serverSelectChanged(index, true); });
}

void MainWindow::removePage(QWidget* page) {
    if (!page || page == recentFilesPage_)
        return;
    // A browser may still be downloading; it goes once its work has ended.
    if (auto* browser = qobject_cast<FileListDialog*>(page))
        browser->retire();
    else
        page->deleteLater();
}

void MainWindow::resetTabs() {
    QTabWidget* tabs = ui_->fileListTabWidget;
    for (int i = tabs->count() - 1; i >= 0; --i) {
        QWidget* page = tabs->widget(i);
        tabs->removeTab(i);
        removePage(page);
    }
    tabMap_.clear();
    tabPages_.clear();
}

void MainWindow::serverSelectChanged(int index, bool isUser) {
    QTabWidget* tabs = ui_->fileListTabWidget;
    if (index < 0 || index >= int(servers_.size())) {
        resetTabs();
        // The one history page stays (connected to every transfer); it now
        // shows that no device is known.
        recentFilesPage_->setServer(ServerContent());
        tabs->addTab(recentFilesPage_, tr("最近文件"));
        ui_->castControllerWidget->setCurrentServer(nullptr);
        ui_->serverWidget->setServerContent(ServerContent());
        updateDeviceActions();
        return;
    }

    const ServerContent& server = *servers_[size_t(index)];
    if (isUser || !config_->contains(Config::LastSelectedServerUUID))
        config_->setValue(Config::LastSelectedServerUUID, server.uuid);
    ui_->serverWidget->setServerContent(server);
    recentFilesPage_->setServer(server);
    updateDeviceActions();
    ui_->castControllerWidget->setCurrentServer(&server);

    if (const int open = openTabOf(server.uuid); open >= 0) {
        tabs->setCurrentIndex(open);
        return;
    }
    resetTabs();
    tabs->addTab(recentFilesPage_, tr("最近文件"));
    if (!server.isClient()) {
        const int tab = tabs->addTab(createFileBrowserPage(server), server.name.left(50));
        tabMap_.insert(server.uuid, tab);
        tabPages_.insert(server.uuid, tabs->widget(tab));
        tabs->setCurrentIndex(tab);
    }
}

void MainWindow::getFileList(ServerContent server) {
    QTabWidget* tabs = ui_->fileListTabWidget;
    if (const int open = openTabOf(server.uuid); open >= 0) {
        tabs->setCurrentIndex(open);
        return;
    }
    const int tab = tabs->addTab(createFileBrowserPage(server), server.name);
    tabMap_.insert(server.uuid, tab);
    tabPages_.insert(server.uuid, tabs->widget(tab));
    tabs->setCurrentIndex(tab);
}

int MainWindow::openTabOf(const QString& uuid) {
    // Closing a tab before it moves the later ones: the page, not the index
    // stored when it opened, tells where a device's tab is now.
    if (!tabMap_.contains(uuid))
        return -1;
    const int index = ui_->fileListTabWidget->indexOf(tabPages_.value(uuid));
    if (index < 0) {
        tabMap_.remove(uuid);
        tabPages_.remove(uuid);
    }
    return index;
}

void MainWindow::tabClose(int index) {
    QWidget* page = ui_->fileListTabWidget->widget(index);
    for (auto it = tabPages_.begin(); it != tabPages_.end();) {
        if (it.value() == page) {
            tabMap_.remove(it.key());
            it = tabPages_.erase(it);
        } else {
            ++it;
        }
    }
    ui_->fileListTabWidget->removeTab(index);
    removePage(page);
}

void MainWindow::onDeviceCheck() {
    const QString last = config_->value(Config::LastSelectedServerUUID).toString();
    if (servers_.empty() || cardServer()->uuid != last)
        startDiscoveryServer();
}

void MainWindow::startUploadFile(QString filePath) {
    if (servers_.empty())
        return;
    if (filePath.isEmpty())
        filePath = QFileDialog::getOpenFileName(this, tr("选择要上传到Tavlo的文件."));
    if (filePath.isEmpty())
        return;
    uploadFiles(QStringList{filePath});
}

void MainWindow::startUploadFiles(QStringList filePathList) {
    if (servers_.empty())
        return;
    if (filePathList.isEmpty())
        filePathList =
            QFileDialog::getOpenFileNames(this, tr("选择要上传到Tavlo的一个到多个文件."));
    if (filePathList.isEmpty())
        return;
    for (QString& path : filePathList)
        path = QDir::fromNativeSeparators(path);
    uploadFiles(filePathList);
}

void MainWindow::uploadFiles(const QStringList& list) {
    ServerContent target = *cardServer();
    if (auto* card = qobject_cast<ServerContentWidget*>(sender()))
        target = card->serverContent();
    if (target.isClient()) {
        offerFiles(list, target);
        return;
    }
    uploadService_->uploadFiles(list, target);
}

void MainWindow::offerFiles(const QStringList& filePaths, const ServerContent& peer) {
    for (const QString& path : filePaths)
        threadPool_.start(new FileDistribution(path, peer));
}

void MainWindow::isDownloadFile(QString filePath, ServerContent server, quint16 port) {
    Q_UNUSED(port);
    // A name that could reach outside the download folder is refused unasked.
    if (IncomingOffer::safeFileName(filePath).isEmpty()) {
        qCritical("[E][%s] Refused an offered file with an unusable name: %s", "MainWindow",
                  qPrintable(filePath));
        return;
    }
    const bool known =
        std::any_of(pendingOffers_.begin(), pendingOffers_.end(), [&](const PendingOffer& offer) {
            return offer.filePath == filePath && offer.server.address == server.address;
        });
    // A peer flooding offers cannot make the list grow without end.
    if (!known && pendingOffers_.size() < MaxPendingOffers)
        pendingOffers_.append(PendingOffer{filePath, server});
    else if (!known)
        qWarning("[W][%s] Too many offers waiting; dropped %s", "MainWindow", qPrintable(filePath));
    // An offer arriving while a question is open waits for its turn.
    if (!askingAboutOffer_)
        askAboutNextOffer();
}

void MainWindow::askAboutNextOffer() {
    if (pendingOffers_.isEmpty())
        return;
    askingAboutOffer_ = true;
    const PendingOffer offer = pendingOffers_.takeFirst();
    const QString filePath = offer.filePath;
    const ServerContent server = offer.server;
    const QString fileName = IncomingOffer::safeFileName(filePath);
    QApplication::alert(this);
    const auto answer = QMessageBox::question(
        this, tr("提示"), tr("是否下载来自 ") + server.name + tr(" 的文件：") + fileName + tr("?"),
        QMessageBox::Yes | QMessageBox::No);
    askingAboutOffer_ = false;
    if (!pendingOffers_.isEmpty())
        QTimer::singleShot(0, this, &MainWindow::askAboutNextOffer);
    if (answer != QMessageBox::Yes)
        return;
    QString error;
    const QString localPath = IncomingOffer::reserveLocalPath(
        config_->value(Config::DownloadPath).toString(), filePath, error);
    if (localPath.isEmpty()) {
        qCritical("[E][%s] The offered file cannot be saved: %s", "MainWindow", qPrintable(error));
        notify(tr("无法保存来自 %1 的文件.").arg(server.name));
        return;
    }
    startDownload(new FileDownloader(filePath, localPath, server, 0));
}

void MainWindow::startDownload(FileDownloader* downloader) {
    downloader->setStopToken(downloadsStop_);
    connect(downloader, &FileDownloader::updateProgress, ui_->notifyWidget,
            &ProgressDockWidget::uploadProgressUpdated, Qt::QueuedConnection);
    connect(downloader, &FileDownloader::updateRecentFileList, recentFilesPage_,
            &RecentFilesDialog::updateList, Qt::QueuedConnection);
    threadPool_.start(downloader);
}
