#pragma once

#include "utils/ServerContent.h"
#include "utils/TransferFailure.h"

#include <QMetaType>
#include <QString>

// The state of one upload or download, copied into every progress signal.
struct ProgressContent {
    enum Kind { Upload = 0, Download = 1, SecureUpload = 2 };
    // Final states: the device confirmed the transfer, or it failed.
    static constexpr int Confirmed = 101;
    static constexpr int Failed = -1;

    int kind = Upload;
    int id = 0;
    ServerContent server;
    QString localPath;
    QString remotePath;
    int percent = 0;
    QString description;
    qint64 dateModified = 0;
    // Why a failed transfer failed (percent -1); None otherwise.
    TransferFailure failure;

    // A process-wide transfer number: 0 for the first transfer, then one more
    // for each; safe from any thread.
    static int nextTransferId();
};

Q_DECLARE_METATYPE(ProgressContent)
