#pragma once

#include "utils/ServerContent.h"

#include <QCoreApplication>
#include <QString>

class FileDelete;
class FileOpen;
class QWidget;

// Open and delete requests for a file on a device as the views start them:
// the outcome ("打开文件成功." ...) goes to the window's status bar.
class DeviceFileActions {
    Q_DECLARE_TR_FUNCTIONS(DeviceFileActions)
public:
    // Not started yet: the caller connects what else it needs, then starts it.
    static FileOpen* openRequest(const QString& remotePath, const ServerContent& server);
    static FileDelete* deleteRequest(const QString& remotePath, const ServerContent& server);

    // A delete on the device cannot be undone; true when the user confirms it.
    static bool confirmDelete(QWidget* parent, const QString& fileName);
};
