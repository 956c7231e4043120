#pragma once

#include <QByteArray>
#include <QVariantMap>

#include <cstddef>
#include <cstdint>

// What the fuzz targets of the client share: settings in a folder of their
// own and a silent log (a log line for every refused input would slow the
// fuzzer down to a crawl).
class FuzzSupport {
public:
    // Once, from LLVMFuzzerInitialize.
    static void prepare();
    static QByteArray bytes(const std::uint8_t* data, std::size_t size);
    // A datagram parsed as the client parses it: every byte decoded as UTF-8.
    static QVariantMap parse(const QByteArray& datagram, bool& ok);
    // A finding that is no crash: aborts, so that the fuzzer keeps the input.
    [[noreturn]] static void fail(const char* what);
};

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            FuzzSupport::fail(#condition);                                                         \
    } while (false)
