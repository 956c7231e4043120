#pragma once

#include "ui/FileRowsView.h"

// The listing of one device folder: double-click walks into a folder, the
// context menu downloads, opens, deletes and sorts.
class FileListView : public FileRowsView {
    Q_OBJECT
public:
    explicit FileListView(QWidget* parent = nullptr);

    QAction* downloadAction() const { return downloadAction_; }
    QAction* openAction() const { return openAction_; }
    QAction* deleteAction() const { return deleteAction_; }

    // Called after every new listing.
    void listingShown();

signals:
    void findFile(QString fileName);
    void downloadFile(QString fileName, qint64 dateModified);
    void openFile(QString fileName);
    void deleteFile(QString fileName);
    void orderFile(QString order);

public slots:
    void downloadActionTriggered();
    void openActionTriggered();
    void deleteActionTriggered();
    void orderByNameIncreaseActionTriggered();
    void orderByNameDecreaseActionTriggered();
    void orderBySizeIncreaseActionTriggered();
    void orderBySizeDecreaseActionTriggered();
    void orderByDateModifiedIncreaseActionTriggered();
    void orderByDateModifiedDecreaseActionTriggered();
    void refreshList();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void prepareMenu(const QModelIndex& row) override;

private:
    static bool isFile(const QModelIndex& row);
    // The file actions only make sense for a file.
    void enableFileActions(const QModelIndex& row);

    QAction* downloadAction_;
    QAction* openAction_;
    QAction* deleteAction_;
};
