#pragma once

#include <QMetaType>

// What a transfer is doing while its percentage does not move: asking the
// device for a session, moving the bytes, or waiting for the device to
// confirm the file (poll `poll` of at most `polls`).
struct TransferStage {
    enum Step { Requesting = 0, Transferring = 1, Confirming = 2 };

    int transferId = 0;
    int step = Requesting;
    int poll = 0;
    int polls = 0;
    int waitMs = 0; // the longest this step may take before it gives up

    TransferStage() = default;
    TransferStage(int id, int stepNow, int longestWaitMs, int pollNow = 0, int pollsAtMost = 0)
        : transferId(id)
        , step(stepNow)
        , poll(pollNow)
        , polls(pollsAtMost)
        , waitMs(longestWaitMs) {}
};

Q_DECLARE_METATYPE(TransferStage)
