// tavlo-bench-json: parse and serialize speed of the client's JSON codec on
// typical messages, each beside Qt's own JSON classes doing the same job
// (the reference). Bytes per second count the message's UTF-8 size.
#include "TypicalMessages.h"

#include "utils/QtJson.h"

#include <QJsonDocument>

#include <benchmark/benchmark.h>

namespace {

const TypicalMessage& message(const benchmark::State& state) {
    return typicalMessages().at(static_cast<std::size_t>(state.range(0)));
}

void finish(benchmark::State& state, const TypicalMessage& typical) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * typical.utf8.size());
    state.SetLabel(typical.name);
}

void codecParse(benchmark::State& state) {
    const TypicalMessage& typical = message(state);
    for (auto _ : state) {
        bool ok = false;
        benchmark::DoNotOptimize(QtJson::parse(typical.text, ok));
        if (!ok)
            state.SkipWithError("the codec did not parse its own output");
    }
    finish(state, typical);
}

void referenceParse(benchmark::State& state) {
    const TypicalMessage& typical = message(state);
    for (auto _ : state) {
        QJsonParseError error;
        benchmark::DoNotOptimize(QJsonDocument::fromJson(typical.utf8, &error).toVariant());
        if (error.error != QJsonParseError::NoError)
            state.SkipWithError("Qt did not parse the codec's output");
    }
    finish(state, typical);
}

void codecSerialize(benchmark::State& state) {
    const TypicalMessage& typical = message(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(QtJson::serialize(typical.value));
    finish(state, typical);
}

void referenceSerialize(benchmark::State& state) {
    const TypicalMessage& typical = message(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            QJsonDocument::fromVariant(typical.value).toJson(QJsonDocument::Compact));
    finish(state, typical);
}

void allMessages(benchmark::internal::Benchmark* benchmark) {
    for (int i = 0; i < TypicalMessageCount; ++i)
        benchmark->Arg(i);
}

} // namespace

BENCHMARK(codecParse)->Apply(allMessages);
BENCHMARK(referenceParse)->Apply(allMessages);
BENCHMARK(codecSerialize)->Apply(allMessages);
BENCHMARK(referenceSerialize)->Apply(allMessages);

BENCHMARK_MAIN();
