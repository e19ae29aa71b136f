// Activity filter throughput on a realistic mix of changed paths, and the
// wake-ups of a watcher that has nothing to do.
#include "refresh/AIActivityFilterEngine.h"
#include "refresh/InotifyFolderWatcher.h"

#include <benchmark/benchmark.h>

#include "support/HostUnderHome.h"
#include "support/CpuTime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <malloc.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace meterix;

// No latency window open and no interval collecting on the watcher's queue.
bool watcherIdle(DispatchQueue& queue) {
    bool none = true;
    queue.sync([&] {
        for (const QTimer* timer : queue.context()->findChildren<QTimer*>())
            none = none && !timer->isActive();
    });
    return none;
}

QString writeFile(const QString& root, const QString& relative, const QByteArray& contents) {
    const QString path = root + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(contents);
    return path;
}

struct Event {
    AIProviderType provider;
    QString path;
};

// Mostly housekeeping, as in a real tool folder: locks, caches, settings, git,
// then transcripts whose tails are read.
QList<Event> eventMix(const QString& home) {
    const QByteArray transcript = QByteArray(1500, 'x') + "\n{\"type\":\"assistant\",\"message\":{}}\n";
    QList<Event> events;
    for (int i = 0; i < 20; ++i) {
        const QString n = QString::number(i);
        events.append({AIProviderType::claudeCode,
                       home + QStringLiteral("/.claude/projects/p/") + n + QStringLiteral(".lock")});
        events.append({AIProviderType::cursor, home + QStringLiteral("/.config/Cursor/GPUCache/data_") + n});
        events.append({AIProviderType::claudeCode, home + QStringLiteral("/.claude/settings.json")});
        events.append({AIProviderType::openAICodex, home + QStringLiteral("/.codex/.git/objects/") + n});
        events.append({AIProviderType::openAICodex, home + QStringLiteral("/.codex/config.toml")});
        events.append({AIProviderType::deepseek, home + QStringLiteral("/.deepseek/state.json")});
        events.append({AIProviderType::claudeCode,
                       writeFile(home, QStringLiteral(".claude/projects/p/") + n + QStringLiteral(".jsonl"),
                                 transcript)});
        events.append(
            {AIProviderType::windsurf,
             writeFile(home, QStringLiteral(".codeium/chat/") + n + QStringLiteral(".log"), "line\n")});
    }
    return events;
}

void BM_FilterPathStream(benchmark::State& state) {
    QTemporaryDir home;
    AIActivityRuleRegistry registry(test::hostUnderHome(home.path()));
    AIActivityFilterEngine engine(registry);
    const QList<Event> events = eventMix(home.path());
    int dispatched = 0;
    for (auto _ : state) {
        for (const Event& e : events)
            dispatched += engine.shouldDispatchBurst(e.provider, e.path).dispatch;
    }
    benchmark::DoNotOptimize(dispatched);
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(state.iterations() * events.size()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FilterPathStream);

// Path rules only: no event in this mix reaches a file.
void BM_FilterPathRulesOnly(benchmark::State& state) {
    QTemporaryDir home;
    AIActivityRuleRegistry registry(test::hostUnderHome(home.path()));
    AIActivityFilterEngine engine(registry);
    QList<Event> events;
    for (const Event& e : eventMix(home.path()))
        if (!e.path.endsWith(QLatin1String(".jsonl")) && !e.path.endsWith(QLatin1String(".log")))
            events.append(e);
    for (auto _ : state) {
        for (const Event& e : events)
            benchmark::DoNotOptimize(engine.shouldDispatchBurst(e.provider, e.path).result());
    }
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(state.iterations() * events.size()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FilterPathRulesOnly);

long voluntarySwitches(long tid) {
    QFile status(QStringLiteral("/proc/self/task/%1/status").arg(tid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("voluntary_ctxt_switches:")) return line.mid(24).trimmed().toLong();
    return -1;
}

// The watcher's queue runs a Qt event loop, which needs an application object.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "ActivityWatcherBench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

bool waitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Every time the watcher's thread is woken it gives up the processor once it
// has nothing left: its voluntary context switches count its wake-ups.
void BM_IdleWatcherWakeups(benchmark::State& state) {
    ensureApplication();
    QLoggingCategory::setFilterRules(
        QStringLiteral("com.meterix.watcher.debug=false\ncom.meterix.watcher.info=false"));
    QTemporaryDir home;
    writeFile(home.path(), QStringLiteral(".codex/sessions/seed.jsonl"), "{}");
    writeFile(home.path(), QStringLiteral(".claude/projects/p/seed.jsonl"), "{}");
    AIActivityRuleRegistry registry(test::hostUnderHome(home.path()));
    DispatchQueue queue(QStringLiteral("bench.inotify"), DispatchQueue::Priority::utility);
    InotifyFolderWatcher watcher(queue, registry, Clock::system(), home.path());
    std::atomic<int> batches{0};
    watcher.startWatching([&](const QSet<ActivitySignal>&) { ++batches; });
    queue.sync([] {}); // the folders are watched from here on (the queue is serial)

    // One burst of activity first, so the measured quiet follows real work.
    writeFile(home.path(), QStringLiteral(".codex/sessions/live.jsonl"), "{\"delta\":1}");
    if (!waitFor([&] { return batches > 0; }) ||
        !waitFor([&] { return watcherIdle(queue); })) {
        state.SkipWithError("the watcher did not deliver or did not fall idle");
        return;
    }
    long tid = 0;
    queue.sync([&] { tid = static_cast<long>(::syscall(SYS_gettid)); });
    // Let the thread go back to sleep after that job before counting.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    const std::chrono::milliseconds quiet(static_cast<int>(state.range(0)));
    long wakeups = 0;
    for (auto _ : state) {
        const long before = voluntarySwitches(tid);
        std::this_thread::sleep_for(quiet);
        wakeups += voluntarySwitches(tid) - before;
    }
    const double seconds = static_cast<double>(state.iterations()) * quiet.count() / 1000.0;
    state.counters["wakeups"] = static_cast<double>(wakeups);
    state.counters["wakeups/s"] = static_cast<double>(wakeups) / seconds;
}
BENCHMARK(BM_IdleWatcherWakeups)->Arg(2000)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A tool streaming into its session log: 10,000 appends of one line within
// 10 s to a watched Claude transcript. Reports the watcher thread's share of
// a core while it happens.
void BM_AppendBurst(benchmark::State& state) {
    ensureApplication();
    QLoggingCategory::setFilterRules(
        QStringLiteral("com.meterix.watcher.debug=false\ncom.meterix.watcher.info=false"));
    QTemporaryDir home;
    const QString log = writeFile(home.path(), QStringLiteral(".claude/projects/p/session.jsonl"), "");
    AIActivityRuleRegistry registry(test::hostUnderHome(home.path()));
    DispatchQueue queue(QStringLiteral("bench.inotify"), DispatchQueue::Priority::utility);
    InotifyFolderWatcher watcher(queue, registry, Clock::system(), home.path());
    std::atomic<int> batches{0};
    watcher.startWatching([&](const QSet<ActivitySignal>&) { ++batches; });
    queue.sync([] {});
    clockid_t watcherClock{};
    queue.sync([&] { ::pthread_getcpuclockid(::pthread_self(), &watcherClock); });
    const int appends = static_cast<int>(state.range(0));
    const auto spacing = std::chrono::microseconds(10'000'000 / appends);
    const QByteArray line = QByteArray(180, 'x') + "{\"type\":\"assistant\"}\n";
    double busy = 0, wall = 0;
    for (auto _ : state) {
        QFile f(log);
        if (!f.open(QIODevice::Append | QIODevice::Unbuffered)) {
            state.SkipWithError("cannot append to the session log");
            return;
        }
        const double cpu0 = threadCpuSeconds(watcherClock);
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < appends; ++i) {
            f.write(line);
            std::this_thread::sleep_until(start + spacing * (i + 1));
        }
        waitFor([&] { return watcherIdle(queue); });
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        busy += threadCpuSeconds(watcherClock) - cpu0;
    }
    state.counters["watcher_cpu_percent"] = benchmark::Counter(100.0 * busy / wall);
    state.counters["batches"] = benchmark::Counter(batches.load());
}
BENCHMARK(BM_AppendBurst)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A large home: 20,000 Claude project folders. Reports how long the watches
// take to set up (off the caller's thread) and the heap they keep per folder.
void BM_WatchLargeHome(benchmark::State& state) {
    ensureApplication();
    QLoggingCategory::setFilterRules(
        QStringLiteral("com.meterix.watcher.debug=false\ncom.meterix.watcher.info=false"));
    QTemporaryDir home;
    const int folders = static_cast<int>(state.range(0));
    for (int i = 0; i < folders; ++i)
        QDir().mkpath(home.path() + QStringLiteral("/.claude/projects/-home-dev-src-project-%1").arg(i));
    AIActivityRuleRegistry registry(test::hostUnderHome(home.path()));
    DispatchQueue queue(QStringLiteral("bench.inotify"), DispatchQueue::Priority::utility);
    double perFolder = 0, callerMs = 0;
    for (auto _ : state) {
        InotifyFolderWatcher watcher(queue, registry, Clock::system(), home.path());
        ::malloc_trim(0);
        const size_t before = ::mallinfo2().uordblks;
        const auto start = std::chrono::steady_clock::now();
        watcher.startWatching([](const QSet<ActivitySignal>&) {});
        callerMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        queue.sync([] {}); // the watches are set up
        const size_t after = ::mallinfo2().uordblks;
        perFolder = double(after - before) / folders;
        watcher.stop();
    }
    state.counters["caller_ms"] = benchmark::Counter(callerMs);
    state.counters["heap_bytes_per_folder"] = benchmark::Counter(perFolder);
}
BENCHMARK(BM_WatchLargeHome)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
