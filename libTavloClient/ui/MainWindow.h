#pragma once

#include "utils/ServerContent.h"
#include "utils/StopToken.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QThreadPool>

#include <memory>
#include <vector>

class Config;
class DesktopSettings;
class DiscoveryServer;
class FileListDialog;
class FileTransferServer;
class LogDialog;
class OperateListener;
class FileDownloader;
class ManualDevicesManageDialog;
class QAction;
class QMenu;
class QTimer;
class RecentFilesDialog;
class SettingDialog;
class TrayIconMenu;

namespace Ui {
class MainWindow;
}

// The client's one window and its controller: the long-lived services, the
// device list and card, the file tabs, uploads and the answers to devices
// that push files.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int DeviceCheckIntervalMs = 12000;
    static constexpr int NotifyTimeoutMs = 2000;
    // Offers waiting for their question; beyond it a flood is dropped.
    static constexpr int MaxPendingOffers = 100;
    static const QString Version; // "1.5.5"

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    static MainWindow* instance();

    QList<ServerContent> serverList() const;
    // Whether the desktop offers a system tray (asked at start; tests set
    // it). Without one, closing the window quits the client.
    void setTrayAvailable(bool available) { trayAvailable_ = available; }
    QMenu* popupMenu() const { return popupMenu_; }
    QSystemTrayIcon* trayIcon() const { return tray_; }
    LogDialog* logDialog() const { return logDialog_; }
    RecentFilesDialog* getRecentFileDlg() const { return recentFilesPage_; }
    QMap<QString, int> tabMap() const { return tabMap_; }
    SettingDialog* settingDialog() const { return settingDialog_; }
    // Null until the dialog was first asked for.
    ManualDevicesManageDialog* manualDevicesDialog() const { return manualDevicesDialog_; }

signals:
    // The user asked to end the client (closing the window where no tray
    // keeps it); connected to the application's quit.
    void quitRequested();

public slots:
    void notify(QString description);
    void setPopupMenu();
    void showDebugDialog();
    void showOrHide(QSystemTrayIcon::ActivationReason reason = QSystemTrayIcon::Trigger);

    void isDownloadFile(QString filePath, ServerContent server, quint16 port);
    void startUploadFile(QString filePath = QString());
    void startUploadFiles(QStringList filePathList = QStringList());
    // Offers the files to another PC running the client, which fetches them.
    void offerFiles(const QStringList& filePaths, const ServerContent& peer);
    // Files handed over from the desktop (a file manager's "Send to Tavlo
    // device"): sent to the selected device as a drop on its card would be;
    // while the first search still runs they wait for its end, and with no
    // device at all the window says so.
    void sendFilesFromDesktop(const QStringList& filePaths);
    // Runs a download of the window (a pushed file, a redone download) on
    // the window's pool, shown in the transfer list and the recent files;
    // quitting stops it at its next step.
    void startDownload(FileDownloader* downloader);
    void onActionSettingTriggered();
    void onActionAboutTriggered();
    void onServerDiscoveried(ServerContent content);
    void onServerDisappeared(ServerContent content);
    void onServerDiscoveryEnd(int count = -1);
    void getFileList(ServerContent server);
    void refreshServerList();
    void serverSelectChanged(int index, bool isUser = true);
    void onDeviceCheck();
    void tabClose(int index);
    void isSecureModelChanged(int state);
    void setSalutatory();
    void startDiscoveryServer();
    void onManualAddDevices();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void buildTray();
    void buildPopupMenu();
    void updateServerList();
    void uploadFiles(const QStringList& list);
    void resetTabs();
    void removePage(QWidget* page);
    FileListDialog* createFileBrowserPage(const ServerContent& server);
    const ServerContent* cardServer() const;
    // The upload and welcome-text entries need a device to act on.
    void updateDeviceActions();

    std::unique_ptr<Ui::MainWindow> ui_;
    LogDialog* logDialog_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    TrayIconMenu* trayMenu_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QList<QAction*> uploadActions_;
    QAction* salutatoryAction_ = nullptr;
    bool dragging_ = false;
    int lastX_ = 0;
    int lastY_ = 0;

    Config* config_ = nullptr;
    DesktopSettings* desktopSettings_ = nullptr;
    DiscoveryServer* discovery_ = nullptr;
    FileTransferServer* uploadService_ = nullptr;
    std::vector<std::unique_ptr<ServerContent>> servers_;
    QMap<QString, int> tabMap_;
    QMap<QString, QPointer<QWidget>> tabPages_;
    int openTabOf(const QString& uuid);
    RecentFilesDialog* recentFilesPage_ = nullptr;
    SettingDialog* settingDialog_ = nullptr;
    ManualDevicesManageDialog* manualDevicesDialog_ = nullptr;
    QThreadPool threadPool_;
    QStringList filesWaitingForADevice_;
    // Offers wait here while the user answers about another one: one
    // question at a time, each peer's file once.
    struct PendingOffer {
        QString filePath;
        ServerContent server;
    };
    QList<PendingOffer> pendingOffers_;
    bool askingAboutOffer_ = false;
    void askAboutNextOffer();
    StopToken downloadsStop_;
    bool trayAvailable_ = true;
    OperateListener* operateListener_ = nullptr;
    QTimer* deviceCheckTimer_ = nullptr;
};
