// The JSON codec: any text parses or fails without harm, and what it parses
// and writes reads back. The codec's own rules make one change on the way:
// a double it writes with an exponent ("3e+20") reads back as text, as every
// number with an exponent does; from the second round on the text stays
// the same, byte for byte.
#include "FuzzSupport.h"
#include "utils/QtJson.h"

#include <QString>

namespace {

// Writes what `text` parses to; false when it does not parse or cannot be
// written (a number too large for a double, say).
bool roundTrip(const QByteArray& text, QByteArray& written) {
    bool parsed = false;
    // Raw control characters (NUL too) are written as they are: the reader
    // decodes every byte of the datagram.
    const QVariant value = QtJson::parse(QString::fromUtf8(text.constData(), text.size()), parsed);
    if (!parsed)
        return false;
    bool ok = false;
    written = QtJson::serialize(value, ok);
    return ok;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray first;
    if (!roundTrip(FuzzSupport::bytes(data, size), first))
        return 0;
    QByteArray second;
    FUZZ_CHECK(roundTrip(first, second));
    QByteArray third;
    FUZZ_CHECK(roundTrip(second, third));
    FUZZ_CHECK(third == second);
    return 0;
}
