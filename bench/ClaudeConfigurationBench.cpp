// How fast the account scan and the Claude Code adapter read what they need of
// a 200 MB Claude Code configuration (per-project history first, the account
// and the cached reading at its very end, so the whole file streams through),
// and how far the read raises the process's peak resident memory. Goals: at
// least 300 MB/s, and under 4 MB of peak growth: the skipped history is never
// built. The file lies in the page cache, so the figure is the reader's own.
#include "PeakMemory.h"
#include "accounts/AccountFileReader.h"
#include "support/ClaudeConfiguration.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

using meterix::AccountFileReader;

constexpr qint64 kProjectBytes = 200LL * 1000 * 1000;
constexpr double kPeakGrowthGoalKiB = 4 * 1024;

void BM_ReadTheMembersOfA200MegabyteConfiguration(benchmark::State& state) {
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral(".claude.json"));
    if (!meterix::test::writeClaudeConfiguration(
            path, kProjectBytes, meterix::test::claudeAccountMembers("u-1", 1770721200000, 30))) {
        state.SkipWithError("could not write the configuration");
        return;
    }
    const qint64 size = QFile(path).size();
    const QStringList names{QStringLiteral("oauthAccount"), QStringLiteral("cachedUsageUtilization")};
    (void)AccountFileReader::members(path, names); // into the page cache

    const qint64 residentBefore = statusKiB("VmRSS");
    if (!resetPeak() || residentBefore < 0) {
        state.SkipWithError("the kernel does not let the peak be reset");
        return;
    }
    for (auto _ : state) {
        auto members = AccountFileReader::members(path, names);
        if (!members || members->size() != 2) {
            state.SkipWithError("the members were not read");
            return;
        }
        benchmark::DoNotOptimize(members);
    }
    const double growthKiB = double(statusKiB("VmHWM") - residentBefore);
    state.SetBytesProcessed(int64_t(state.iterations()) * size);
    state.counters["file_MB"] = double(size) / 1e6;
    state.counters["peak_growth_KiB"] = growthKiB;
    if (growthKiB >= kPeakGrowthGoalKiB) state.SkipWithError("the read raised the peak by 4 MB or more");
}
BENCHMARK(BM_ReadTheMembersOfA200MegabyteConfiguration)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

BENCHMARK_MAIN();
