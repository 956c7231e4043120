// The resume offset a peer sends on a resumed download connection, in either
// form, against a file of a size the input chooses (its first 8 bytes): an
// accepted offset always lies within the file.
#include "FuzzSupport.h"
#include "tavlo/server/ResumeOffset.h"

#include <QtEndian>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8)
        return 0;
    const qint64 fileSize = qAbs(qFromLittleEndian<qint64>(data) >> 1);
    qint64 offset = -1;
    const auto verdict =
        ResumeOffset::parse(FuzzSupport::bytes(data + 8, size - 8), fileSize, offset);
    if (verdict == ResumeOffset::Verdict::Offset)
        FUZZ_CHECK(offset >= 0 && offset <= fileSize);
    return 0;
}
