#pragma once

#include <QObject>

// Carries log lines from any thread to the log writer through a queued signal.
class FileLogBridge : public QObject {
    Q_OBJECT
signals:
    void onWriteMessage(QString message);
};
