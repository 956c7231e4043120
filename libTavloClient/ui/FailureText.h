#pragma once

#include "utils/TransferFailure.h"

#include <QCoreApplication>
#include <QString>

// A failure in the window's words: a translated sentence for its code, with
// the particulars (the device's reason, the system's error) appended.
class FailureText {
    Q_DECLARE_TR_FUNCTIONS(FailureText)
public:
    static QString of(const TransferFailure& failure);
};
