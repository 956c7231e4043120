#include "utils/TransferFailure.h"

namespace {

QString withDetail(const QString& text, const QString& detail) {
    return detail.isEmpty() ? text : text + QStringLiteral(" (") + detail + QLatin1Char(')');
}

} // namespace

QString TransferFailure::text() const {
    const QString at = position >= 0 ? QStringLiteral(" at byte %1").arg(position) : QString();
    switch (code) {
    case None:
        return QString();
    case ProgramEnding:
        return QStringLiteral("stopped: the program is ending");
    case Cancelled:
        return QStringLiteral("cancelled") + at;
    case LocalReadFailed:
        return withDetail(QStringLiteral("cannot read the local file") + at, detail);
    case LocalWriteFailed:
        return withDetail(QStringLiteral("cannot write the local file") + at, detail);
    case RequestNotBuilt:
        return QStringLiteral("request could not be built");
    case RequestNotSent:
        return QStringLiteral("request could not be sent");
    case NoAnswer:
        return QStringLiteral("no answer from the device");
    case WrongSender:
        return QStringLiteral("answer from a wrong address or port");
    case NotJson:
        return QStringLiteral("answer is not valid JSON");
    case Refused:
        return detail.isEmpty() ? QStringLiteral("refused by the device")
                                : QStringLiteral("refused by the device: ") + detail;
    case InvalidAnswer:
        return QStringLiteral("invalid answer: ") + detail;
    case ConnectFailed:
        return QStringLiteral("data connection failed: ") + detail;
    case ConnectionBroken:
        return withDetail(QStringLiteral("the connection broke off") + at, detail);
    case NoResumeOffset:
        return QStringLiteral("the device sent no resume offset");
    case BadResumeOffset:
        return withDetail(QStringLiteral("the device sent no usable resume offset"), detail);
    case NotConfirmed:
        return QStringLiteral("the device did not confirm the file (MD5 not confirmed)");
    case Disputed:
        return withDetail(QStringLiteral("the device rejected the file"), detail);
    case PeerDidNotFetch:
        return QStringLiteral("the other side never fetched the file");
    }
    return QString();
}
