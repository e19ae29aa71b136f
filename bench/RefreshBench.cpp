// One full refresh of the fourteen providers: local files for Claude Code,
// Codex and the detection-only tools, and every keyed provider answered by a
// server on 127.0.0.1. Reports wall time per refresh and the GUI thread's CPU
// time in it (what the bar would stall for); with the adapter threads kept
// from one refresh to the next, and started anew for each.
#include "accounts/AccountIdentityLedger.h"
#include "accounts/AccountRegistry.h"
#include "accounts/AccountUsageStore.h"
#include "core/CurlTransport.h"
#include "core/MeterixPreferences.h"
#include "core/Paths.h"
#include "providers/DefaultProviders.h"
#include "providers/antigravity/AntigravityAdapter.h"
#include "providers/claude/ClaudeCodeAdapter.h"
#include "providers/codex/OpenAI_CodexAdapter.h"
#include "providers/copilot/CopilotAdapter.h"
#include "providers/cursor/CursorAdapter.h"
#include "providers/deepseek/DeepSeekAdapter.h"
#include "providers/elevenlabs/ElevenLabsAdapter.h"
#include "providers/groq/GroqAdapter.h"
#include "providers/kimi/KimiAdapter.h"
#include "providers/mistral/MistralAdapter.h"
#include "providers/ollama/OllamaAdapter.h"
#include "providers/openrouter/OpenRouterAdapter.h"
#include "providers/windsurf/WindsurfAdapter.h"
#include "providers/zed/ZedAdapter.h"
#include "refresh/ProviderManager.h"
#include "support/HostUnderHome.h"
#include "support/LoopbackServer.h"
#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "support/CpuTime.h"


using namespace meterix;

namespace {

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "RefreshBench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

void BM_FullRefresh(benchmark::State& state) {
    application();
    QTemporaryDir dir;
    const QString home = dir.path();
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toLocal8Bit());
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    write(home + QStringLiteral("/.claude.json"),
          QStringLiteral(R"({"oauthAccount":{"accountUuid":"u-1","emailAddress":"dev@example.com"},
              "cachedUsageUtilization":{"accountUuid":"u-1","fetchedAtMs":%1,
              "utilization":{"five_hour":{"utilization":30}}}})")
              .arg(nowMs)
              .toUtf8());

    test::LoopbackServer server;
    const QString base = server.baseAddress();
    const EnvironmentLookup keys = [](const QString& name) -> std::optional<QString> {
        if (name.endsWith(QLatin1String("_API_KEY")) || name.endsWith(QLatin1String("_TOKEN")))
            return QStringLiteral("bench-key");
        return std::nullopt;
    };
    CurlTransport& http = CurlTransport::shared();
    ProbeGate gate;
    CLIProcessRunner runner{HostEnvironment::current()};
    const QList<std::shared_ptr<AIProviderAdapter>> adapters = {
        std::make_shared<ClaudeCodeAdapter>(HostEnvironment::current(), runner, gate, Clock::system()),
        std::make_shared<OpenAI_CodexAdapter>(AccountIdentityLedger::shared()),
        std::make_shared<AntigravityAdapter>(HostEnvironment::current(), gate, runner),
        std::make_shared<CursorAdapter>(home),
        std::make_shared<CopilotAdapter>(http, base, home, keys),
        std::make_shared<DeepSeekAdapter>(http, base, home, keys),
        std::make_shared<OpenRouterAdapter>(http, base, home, keys),
        std::make_shared<GroqAdapter>(http, base, home, keys),
        std::make_shared<OllamaAdapter>(http, base, runner),
        std::make_shared<MistralAdapter>(home),
        std::make_shared<KimiAdapter>(http, base, home, keys, Clock::system(), base),
        std::make_shared<ElevenLabsAdapter>(http, base, home, keys),
        std::make_shared<WindsurfAdapter>(home),
        std::make_shared<ZedAdapter>(test::hostUnderHome(home)),
    };
    auto settings = std::make_shared<QSettings>(home + QStringLiteral("/bench.conf"), QSettings::IniFormat);
    MeterixPreferences preferences(settings);
    preferences.setEnabledProviders(allProviderTypes());
    AccountRegistry registry(accountResolversOf(providerDescriptors(), defaultServices()), preferences);
    AccountUsageStore store(home + QStringLiteral("/usage.json"));
    ProviderManager::Dependencies d;
    d.adapters = adapters;
    d.accountRegistry = &registry;
    d.usageStore = &store;
    d.preferences = &preferences;
    // 0: every refresh starts its adapter threads anew, as a poll after the
    // app's rest does; else they wait that long and the next refresh finds them.
    d.poolThreadExpiry = std::chrono::milliseconds(state.range(0));
    ProviderManager manager(std::move(d), false);
    bool scanned = false;
    registry.refreshAccounts(std::nullopt, [&] { scanned = true; });
    test::waitUntil([&] { return scanned; });

    double guiSeconds = 0;
    for (auto _ : state) {
        bool done = false;
        const double cpu0 = threadCpuSeconds();
        manager.refreshAll(true, [&] { done = true; });
        test::waitUntil([&] { return done; }, 60000);
        guiSeconds += threadCpuSeconds() - cpu0;
    }
    state.counters["gui_cpu_ms_per_refresh"] =
        benchmark::Counter(guiSeconds * 1000.0 / static_cast<double>(state.iterations()));
    manager.shutdown(5000);
}
BENCHMARK(BM_FullRefresh)->Arg(60000)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

} // namespace
