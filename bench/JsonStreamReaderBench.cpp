// The streaming reader against hostile sizes and orders:
// - a 1 GiB string in a skipped member, generated as it streams: the read must
//   raise the peak resident memory by under 64 MiB (the string is dropped past
//   the member limit, never gathered whole);
// - 125,000 keys in one kept member, ascending and descending: under a second
//   either way (no insert that moves every later key);
// - a 1 MiB settings file (an editor's, with comments) in ascending,
//   descending and shuffled key order: under 50 ms each.
#include "PeakMemory.h"
#include "core/JsonStreamReader.h"
#include "support/GeneratedJson.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>

namespace {

using meterix::JsonStreamReader;

constexpr double kPeakGrowthGoalKiB = 64 * 1024;

void BM_SkipAOneGibibyteString(benchmark::State& state) {
    constexpr int64_t kStringBytes = int64_t(1) << 30;
    const qint64 residentBefore = statusKiB("VmRSS");
    if (!resetPeak() || residentBefore < 0) {
        state.SkipWithError("the kernel does not let the peak be reset");
        return;
    }
    for (auto _ : state) {
        const auto read = JsonStreamReader::read(meterix::test::documentWithALongString(kStringBytes),
                                                 {.members = QStringList{QStringLiteral("big"), QStringLiteral("a")}});
        if (!read || read->size() != 1) {
            state.SkipWithError("the other member was not read");
            return;
        }
        benchmark::DoNotOptimize(read);
    }
    const double growthKiB = double(statusKiB("VmHWM") - residentBefore);
    state.SetBytesProcessed(int64_t(state.iterations()) * kStringBytes);
    state.counters["peak_growth_KiB"] = growthKiB;
    if (growthKiB >= kPeakGrowthGoalKiB) state.SkipWithError("the read raised the peak by 64 MiB or more");
}
BENCHMARK(BM_SkipAOneGibibyteString)->Unit(benchmark::kMillisecond)->Iterations(3);

// An object member of `keys` keys in the given order (0 ascending, 1
// descending, 2 shuffled), each with a value of about `valueBytes` bytes.
QByteArray objectOfKeys(int keys, int order, int valueBytes, bool comments) {
    std::vector<int> sequence(static_cast<size_t>(keys));
    std::iota(sequence.begin(), sequence.end(), 0);
    if (order == 1) std::reverse(sequence.begin(), sequence.end());
    if (order == 2) std::shuffle(sequence.begin(), sequence.end(), std::mt19937(7));
    QByteArray text = "{\"o\":{";
    const QByteArray value = '"' + QByteArray(valueBytes, 'v') + '"';
    for (int k : sequence) {
        if (comments) text += "\n  // a setting\n  ";
        text += "\"key." + QByteArray::number(1000000 + k) + "\":" + value + ',';
    }
    return text + "}}"; // the trailing comma, as editors allow
}

void readEvery(benchmark::State& state, const QByteArray& text, int keys, double goalMs) {
    const JsonStreamReader::Options options{.syntax = JsonStreamReader::Syntax::lenient,
                                            .limits = {.memberBytes = 64 << 20, .memberValues = 4 * keys}};
    for (auto _ : state) {
        const auto read = JsonStreamReader::read(text, options);
        if (!read || read->value(QLatin1String("o")).toObject().size() != keys) {
            state.SkipWithError("the keys were not read");
            return;
        }
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
    state.counters["goal_ms"] = goalMs;
}

void BM_ReadManyKeys(benchmark::State& state) {
    const int keys = 125000;
    readEvery(state, objectOfKeys(keys, int(state.range(0)), 1, false), keys, 1000);
}
BENCHMARK(BM_ReadManyKeys)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ReadAOneMegabyteSettingsFile(benchmark::State& state) {
    // 1 MiB: 20,000 settings of about 52 bytes each, comments included.
    const int keys = 20000;
    const QByteArray text = objectOfKeys(keys, int(state.range(0)), 16, true);
    state.counters["file_KiB"] = double(text.size()) / 1024;
    readEvery(state, text, keys, 50);
}
BENCHMARK(BM_ReadAOneMegabyteSettingsFile)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
