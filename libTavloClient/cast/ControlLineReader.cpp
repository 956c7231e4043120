#include "cast/ControlLineReader.h"

void ControlLineReader::append(const QByteArray& received) {
    // What earlier lines used is dropped only now, once per read, so that a
    // burst of many short lines costs no more than its own length.
    pending_.remove(0, consumed_);
    consumed_ = 0;
    pending_ += received;
}

bool ControlLineReader::takeLine(QByteArray& line) {
    for (;;) {
        const int end = pending_.indexOf('\n', consumed_);
        if (end < 0) {
            if (pending_.size() - consumed_ > MaxLineLength) {
                pending_.clear();
                consumed_ = 0;
                skippingLongLine_ = true;
            }
            return false;
        }
        const bool tooLong = skippingLongLine_ || end - consumed_ > MaxLineLength;
        line = pending_.mid(consumed_, end - consumed_);
        consumed_ = end + 1;
        skippingLongLine_ = false;
        if (tooLong)
            continue;
        if (line.endsWith('\r'))
            line.chop(1);
        const int zero = line.indexOf('\0');
        if (zero >= 0)
            line.truncate(zero);
        return true;
    }
}
