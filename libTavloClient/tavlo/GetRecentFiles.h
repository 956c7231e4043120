#pragma once

#include "utils/RecentFilesContent.h"
#include "utils/ServerContent.h"

#include <QObject>
#include <QRunnable>

// Loads the transfer history of one device off the GUI thread.
class GetRecentFiles : public QObject, public QRunnable {
    Q_OBJECT
public:
    GetRecentFiles(const ServerContent& server, QObject* parent = nullptr);
    void run() override;

signals:
    void getRecentFilesEnd(QList<RecentFilesContent> list);

private:
    ServerContent server_;
};
