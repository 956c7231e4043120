#pragma once

#include "utils/RecentFilesContent.h"
#include "utils/ServerContent.h"

#include <QDialog>
#include <QModelIndex>
#include <QThreadPool>

#include <memory>

class RecentFilesListView;
class RecentFilesModel;

namespace Ui {
class RecentFilesDialog;
}

// The transfer history of the selected device, newest first, with
// thumbnails: from the local copy, or from the device when the local copy
// is gone. Records can be deleted one by one or all at once; the files can
// be opened here or on the device.
class RecentFilesDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int ThumbThreads = 4;
    static constexpr int RequestThreads = 4;

    explicit RecentFilesDialog(QWidget* parent = nullptr);
    ~RecentFilesDialog() override;

    // The device whose history is shown; an empty record means none is
    // known. Reloads the list.
    void setServer(const ServerContent& server);
    const ServerContent& server() const { return server_; }
    RecentFilesModel* model() const { return model_; }
    RecentFilesListView* view() const;

signals:
    // The user followed the pointer to adding a device by its address.
    void addDeviceRequested();

public slots:
    void updateList();
    // A page in the window's tabs is no dialog: Escape does not hide it.
    void reject() override;

private slots:
    void startGetThumb(QString uuid, QString filePath, qlonglong dateModified, QModelIndex index);
    void getThumbResult(QByteArray thumbdata, QModelIndex index);
    bool deleteRecord();
    bool clearRecord();
    void openFile();
    void updateListEnd(QList<RecentFilesContent> list);
    void deleteFile();

private:
    bool hasDevice() const;
    QString currentRemotePath() const;
    QThreadPool* requestPool();
    void updateButtons();
    void showPlaceholder();

    std::unique_ptr<Ui::RecentFilesDialog> ui_;
    ServerContent server_;
    RecentFilesModel* model_;
    // History loads and thumbnails.
    QThreadPool pool_;
    // Open and delete requests to the device.
    std::unique_ptr<QThreadPool> requestPool_;
    // Counts the loads; only the newest one's list is shown.
    int load_ = 0;
};
