#pragma once

#include "ui/FileRowsView.h"

// The transfer history list: a context menu for the history records, the
// local copy and the file on the device.
class RecentFilesListView : public FileRowsView {
    Q_OBJECT
public:
    explicit RecentFilesListView(QWidget* parent = nullptr);

    // Off for a PC peer: it has no Tavlo storage to open or delete in.
    void setDeviceActionsEnabled(bool enabled);
    bool deviceActionsEnabled() const { return deviceActionsEnabled_; }
    QAction* deleteAtServerAction() const { return deleteAtServerAction_; }
    QAction* openAtServerAction() const { return openAtServerAction_; }

signals:
    void deleteRecord();
    void clearRecord();
    void openFile();
    void updateList();
    void deleteFile();

public slots:
    void deleteActionTriggered();
    void openActionTriggered();
    void updateActionTriggered();
    void clearActionTriggered();
    void openFileAtNative();
    void deleteFileAtServer();
    void openDirTriggered();

private:
    QAction* deleteAtServerAction_ = nullptr;
    QAction* openAtServerAction_ = nullptr;
    bool deviceActionsEnabled_ = true;
};
