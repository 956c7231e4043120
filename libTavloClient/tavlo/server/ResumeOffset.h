#pragma once

#include <QByteArray>

// The resume offset a peer sends at the start of a resumed connection to the
// download server. Two forms are in use: PCs running this client send 8 raw
// bytes (signed 64-bit, little-endian), as they do towards devices; other
// peers send the offset as decimal ASCII digits, optionally ended by a zero
// byte. The rule, in this order:
//   1. exactly 8 bytes whose little-endian value lies within the file: raw;
//      (8 ASCII digits read raw exceed 3 * 10^18 bytes, so they never match)
//   2. digits up to the first zero byte or the end, with at least one digit
//      and nothing else before that zero byte: decimal;
//   3. fewer than 8 bytes that are not a complete decimal form (a raw offset
//      whose bytes came in pieces, or nothing yet): more bytes are needed;
//   4. anything else is refused: the connection gets no data.
// The value must lie within 0..file size in either form. A raw offset that
// arrived split before its eighth byte, with a digit and then a zero byte
// first, would pass for decimal; peers write their 8 bytes at once.
class ResumeOffset {
public:
    enum class Verdict { Offset, NeedMore, Refused };

    static Verdict parse(const QByteArray& received, qint64 fileSize, qint64& offset);
};
