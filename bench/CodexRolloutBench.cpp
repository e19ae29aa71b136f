// How long one scan of a Codex home takes when it holds twelve rollouts of
// 1 GiB each, and how many bytes the scan reads; one of a busy session whose
// every turn reports the account's and a model's allowance; and one of twelve
// rollouts naming thousands of allowances each. The files are sparse, so the
// fixture costs no disk; a scan that read whole files would read 12 GiB of
// zeros and show it in both figures.
#include "providers/codex/CodexRolloutReader.h"
#include "support/CodexFixtures.h"
#include "support/ProcessReadCounter.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

using meterix::CodexRolloutReader;

constexpr int kFiles = 12;
constexpr qint64 kFileSize = 1LL << 30;

const QDateTime kNow(QDate(2026, 1, 15), QTime(12, 0), Qt::UTC);

QByteArray repeated(const char* text, int times) {
    QByteArray out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// The tail a busy session leaves: Korean conversation text around the last
// rate-limit event, which is dated before every file's modification so the
// scan cannot stop early and reads all twelve files.
QByteArray tailLines() {
    QByteArray lines;
    const QByteArray korean = repeated("한국어 대화 내용입니다 ", 200);
    for (int i = 0; i < 20; ++i)
        lines += R"({"timestamp":"2026-01-14T10:00:00Z","type":"response_item","payload":{"type":"message","text":")" +
                 korean + "\"}}\n";
    lines += R"({"timestamp":"2026-01-01T00:00:00Z","type":"event_msg","payload":{"type":"token_count","rate_limits":)"
             R"({"primary":{"used_percent":25,"window_minutes":300,"resets_at":1768500000},)"
             R"("secondary":{"used_percent":60,"window_minutes":10080,"resets_at":1768900000},)"
             R"("credits":{"balance":12.5,"unlimited":false},"plan_type":"plus"}}})"
             "\n";
    for (int i = 0; i < 20; ++i)
        lines += R"({"timestamp":"2026-01-14T10:00:01Z","type":"response_item","payload":{"type":"message","text":")" +
                 korean + "\"}}\n";
    return lines;
}

bool writeRollout(const QString& path, const QDateTime& modified) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    file.write(R"({"timestamp":"2026-01-14T09:00:00Z","type":"session_meta","payload":{"id":"bench"}})"
               "\n");
    const QByteArray tail = "\n" + tailLines();
    if (!file.resize(kFileSize - tail.size())) return false; // a hole, not written bytes
    if (!file.seek(file.size()) || file.write(tail) != tail.size()) return false;
    file.close();
    const qint64 ms = modified.toMSecsSinceEpoch();
    timespec times[2] = {{ms / 1000, 0}, {ms / 1000, 0}};
    return ::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, 0) == 0;
}

void BM_ScanTwelveOneGibibyteRollouts(benchmark::State& state) {
    QTemporaryDir home;
    for (int i = 0; i < kFiles; ++i) {
        const QString day = home.filePath(QStringLiteral("sessions/2026/01/%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        QDir().mkpath(day);
        if (!writeRollout(day + QStringLiteral("/rollout-%1.jsonl").arg(i), kNow.addSecs(-3600 * (kFiles - i)))) {
            state.SkipWithError("could not lay out the sparse rollouts");
            return;
        }
    }
    // What the reader may read per scan: the tail and head windows of each file.
    const qint64 bound =
        kFiles * (CodexRolloutReader::kTailBytes + CodexRolloutReader::kHeadBytes + CodexRolloutReader::kHeadChunkBytes);
    qint64 totalRead = 0;
    for (auto _ : state) {
        const qint64 before = meterix::test::bytesReadByProcess();
        auto limits = CodexRolloutReader::rateLimits(home.path(), kNow);
        totalRead += meterix::test::bytesReadByProcess() - before;
        if (!limits || !limits->account.sessionStartedAt) {
            state.SkipWithError("the scan found no rate limits");
            return;
        }
        benchmark::DoNotOptimize(limits);
    }
    const double perScan = static_cast<double>(totalRead) / static_cast<double>(state.iterations());
    state.counters["bytes_read_per_scan"] = perScan;
    state.counters["bound_per_scan"] = static_cast<double>(bound);
    if (perScan > static_cast<double>(bound)) state.SkipWithError("a scan read more than its bounds allow");
}
BENCHMARK(BM_ScanTwelveOneGibibyteRollouts)->Unit(benchmark::kMillisecond);

// One busy session as current clients write it: every turn an answer, the
// account's token-count line and a model allowance's, for well over the
// mebibyte the scan reads. The scan looks for every allowance in the whole
// tail, not only down to the account's newest line.
void BM_ScanABusyRolloutWithModelAllowances(benchmark::State& state) {
    QTemporaryDir home;
    const QString day = home.filePath(QStringLiteral("sessions/2026/01/15"));
    namespace fx = meterix::test::codex;
    const QString answer = QString::fromLatin1(repeated("The helper now maps each field and wraps the call. ", 30));
    QByteArray contents = fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z")) + '\n';
    for (int turn = 0; contents.size() < 2 * CodexRolloutReader::kTailBytes; ++turn) {
        const QString stamp = kNow.addSecs(-7200 + turn).toString(Qt::ISODate);
        contents += fx::assistantLine(stamp, answer) + '\n' + fx::tokenCountLine(stamp, fx::kAccountLimits) + '\n' +
                    fx::tokenCountLine(stamp, fx::kSparkLimits) + '\n';
    }
    fx::writeFile(day + QStringLiteral("/rollout-busy.jsonl"), contents, kNow.addSecs(-60));
    for (auto _ : state) {
        auto limits = CodexRolloutReader::rateLimits(home.path(), kNow);
        if (!limits || limits->allowances.size() != 1) {
            state.SkipWithError("the scan missed the allowances");
            return;
        }
        benchmark::DoNotOptimize(limits);
    }
}
BENCHMARK(BM_ScanABusyRolloutWithModelAllowances)->Unit(benchmark::kMillisecond);

// Twelve full rollouts, each naming about 14,000 allowances once, the account's
// line first and older than every file, so every file is read to its start.
// Argument 0: lines as the client writes them, each one's allowance certain from
// its text; 1: each line with an escape, so every one is parsed.
void BM_ScanTwelveRolloutsOfThousandsOfAllowances(benchmark::State& state) {
    namespace fx = meterix::test::codex;
    const char* line = state.range(0) == 0 ? R"({"rate_limits":{"limit_id":"%1","primary":{"used_percent":1}}})"
                                           : R"({"rate_limits":{"limit_id":"%1\/","primary":{"used_percent":1}}})";
    QTemporaryDir home;
    for (int file = 0; file < kFiles; ++file) {
        QByteArray contents = fx::sessionMetaLine(QStringLiteral("2026-01-15T08:00:00Z")) + '\n' +
                              fx::tokenCountLine(QStringLiteral("2026-01-15T09:00:00Z"), fx::kAccountLimits) + '\n';
        for (int id = 0; contents.size() < CodexRolloutReader::kTailBytes - 128; ++id)
            contents += QString::fromLatin1(line).arg(QStringLiteral("m%1_%2").arg(file).arg(id)).toUtf8() + '\n';
        fx::writeFile(home.filePath(QStringLiteral("sessions/rollout-%1.jsonl").arg(file)), contents,
                      kNow.addSecs(-3600 + file));
    }
    for (auto _ : state) {
        auto limits = CodexRolloutReader::rateLimits(home.path(), kNow);
        if (!limits) {
            state.SkipWithError("the scan found no rate limits");
            return;
        }
        benchmark::DoNotOptimize(limits);
    }
}
BENCHMARK(BM_ScanTwelveRolloutsOfThousandsOfAllowances)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
