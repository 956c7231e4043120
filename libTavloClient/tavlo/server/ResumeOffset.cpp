#include "tavlo/server/ResumeOffset.h"

#include <QtEndian>

namespace {

constexpr int RawSize = 8;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits up to the first zero byte or the end. False when anything else
// stands there or there is no digit at all.
bool decimalForm(const QByteArray& received, qint64 fileSize, qint64& offset, bool& complete) {
    const int end = received.indexOf('\0');
    const int length = end < 0 ? received.size() : end;
    complete = length > 0;
    for (int i = 0; i < length; ++i) {
        if (!isDigit(received.at(i))) {
            complete = false;
            return false;
        }
    }
    if (length == 0 || length > 19)
        return false;
    bool ok = false;
    const qint64 value = received.left(length).toLongLong(&ok, 10);
    if (!ok || value > fileSize)
        return false;
    offset = value;
    return true;
}

} // namespace

ResumeOffset::Verdict ResumeOffset::parse(const QByteArray& received, qint64 fileSize,
                                          qint64& offset) {
    if (received.size() == RawSize) {
        const qint64 raw = qFromLittleEndian<qint64>(received.constData());
        if (raw >= 0 && raw <= fileSize) {
            offset = raw;
            return Verdict::Offset;
        }
    }
    bool complete = false;
    if (decimalForm(received, fileSize, offset, complete))
        return Verdict::Offset;
    if (received.size() < RawSize && !complete)
        return Verdict::NeedMore;
    return Verdict::Refused;
}
