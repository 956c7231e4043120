// What the mirroring program writes on the control channel, arriving in
// pieces of any size (the first byte of the input sets the piece size): every
// line is short, whole and without its line end, and the reader never holds
// more than one line's worth of bytes.
#include "FuzzSupport.h"
#include "cast/CastControllerClient.h"
#include "cast/ControlLineReader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int piece = 1 + data[0];
    const QByteArray stream = FuzzSupport::bytes(data + 1, size - 1);
    ControlLineReader reader;
    QByteArray line;
    for (int at = 0; at < stream.size(); at += piece) {
        reader.append(stream.mid(at, piece));
        while (reader.takeLine(line)) {
            FUZZ_CHECK(line.size() <= ControlLineReader::MaxLineLength);
            FUZZ_CHECK(!line.contains('\n') && !line.contains('\0'));
            const auto event = CastControllerClient::eventOf(line);
            FUZZ_CHECK(event == CastControllerClient::Event::None || line.startsWith("cast"));
        }
        FUZZ_CHECK(reader.pendingSize() <= ControlLineReader::MaxLineLength + piece);
    }
    return 0;
}
