#pragma once

#include <QByteArray>

// Cuts the mirroring program's event lines out of the bytes the control
// channel receives. A line ends with a line feed; its line end (CR LF, or a
// bare LF) is dropped and so is everything from its first NUL on. A program
// that never ends a line cannot make the channel hoard memory: a line longer
// than MaxLineLength is thrown away up to its end.
class ControlLineReader {
public:
    static constexpr int MaxLineLength = 4096;

    void append(const QByteArray& received);
    // The next complete line; false when none is complete yet.
    bool takeLine(QByteArray& line);
    // Bytes held for a line not yet complete.
    int pendingSize() const { return pending_.size() - consumed_; }

private:
    QByteArray pending_;
    int consumed_ = 0; // the bytes of pending_ that lines took already
    bool skippingLongLine_ = false;
};
