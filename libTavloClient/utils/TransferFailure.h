#pragma once

#include <QMetaType>
#include <QString>

// Why a transfer or a request failed: a code that each front end turns into
// its own words (the window in Chinese, the command line in English), with
// the particulars: the device's own reason, the system's error text, the byte
// at which a connection broke off.
struct TransferFailure {
    enum Code {
        None = 0,
        ProgramEnding,    // dropped or stopped because the program is ending
        Cancelled,        // stopped by the user
        LocalReadFailed,  // detail: the system's error text
        LocalWriteFailed, // detail: the system's error text
        RequestNotBuilt,
        RequestNotSent,
        NoAnswer,
        WrongSender,
        NotJson,
        Refused,       // detail: the device's reason, possibly empty
        InvalidAnswer, // detail: the member that was missing or wrong
        ConnectFailed, // detail: the socket's error text
        ConnectionBroken,
        NoResumeOffset,
        BadResumeOffset, // detail: what was read
        NotConfirmed,    // the device never confirmed the MD5
        Disputed,        // the device answered that the file is not good
        PeerDidNotFetch, // a peer granted a download never connected
    };

    Code code = None;
    QString detail;
    qint64 position = -1; // the byte reached, where it matters

    TransferFailure() = default;
    TransferFailure(Code c, const QString& d = QString(), qint64 at = -1)
        : code(c)
        , detail(d)
        , position(at) {}

    bool isFailure() const { return code != None; }
    // The failure in English, for the command line and the log.
    QString text() const;

    bool operator==(const TransferFailure& other) const {
        return code == other.code && detail == other.detail && position == other.position;
    }
};

Q_DECLARE_METATYPE(TransferFailure)
