#include "refresh/ProviderManager.h"
#include "providers/DefaultProviders.h"
#include "accounts/AccountRegistry.h"
#include "accounts/AccountUsageStore.h"
#include "core/HostEnvironment.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "platform/RunningApplications.h"
#include "platform/process/CLIProcessRunner.h"
#include "providers/common/ProbeGate.h"
#include "refresh/AIActivityRuleRegistry.h"
#include "refresh/InotifyFolderWatcher.h"
#include "refresh/PresentedState.h"
#include "support/HostUnderHome.h"
#include "support/FetchEnd.h"
#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"
#include "support/FetchGate.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"
#include "support/WaitUntil.h"
#include "support/Speaking.h"

#include <QFile>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSettings>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>

using namespace meterix;
using namespace std::chrono_literals;

namespace {

class FakeAdapter final : public AIProviderAdapter {
  public:
    explicit FakeAdapter(AIProviderType t, bool available = true) : type_(t), available_(available) {}
    AIProviderType type() const override { return type_; }
    bool isDetected() const override { return available_; }
    bool checkAvailability() override { return available_; }
    UsageSnapshot fetchUsage(bool forceSync) override {
        {
            std::unique_lock lock(mutex_);
            ++calls_;
            lastForce_ = forceSync;
        }
        gate_.passThrough();
        if (throwIt) throw std::runtime_error("boom");
        UsageSnapshot s(UsageSnapshot::Fields{.provider = type_,
                                              .headlineRemainingPercentage = percent.load(),
                                              .lastUpdated = QDateTime::currentDateTimeUtc(),
                                              .strategyUsed = FetchStrategy::oauthKeychain});
        return s;
    }
    int calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    bool lastForce() const {
        std::lock_guard lock(mutex_);
        return lastForce_;
    }
    void hold() { gate_.hold(); }
    void release() { gate_.release(); }
    std::atomic<bool> throwIt{false};
    std::atomic<double> percent{50};

  private:
    AIProviderType type_;
    bool available_;
    mutable std::mutex mutex_;
    test::FetchGate gate_;
    int calls_ = 0;
    bool lastForce_ = false;
};

// A command-line client that runs until released, noting each run and how many
// ran at once.
class HeldRunner final : public CLIProcessRunner {
  public:
    std::optional<QString> run(const QString& command, const QStringList&, double, const EnvironmentOverrides&,
                               const std::optional<QString>&) override {
        {
            std::lock_guard lock(mutex_);
            runs_.append(command);
            mostAtOnce_ = std::max(mostAtOnce_, ++running_);
        }
        client.passThrough();
        std::lock_guard lock(mutex_);
        --running_;
        return std::nullopt;
    }
    QStringList runs() const {
        std::lock_guard lock(mutex_);
        return runs_;
    }
    int mostAtOnce() const {
        std::lock_guard lock(mutex_);
        return mostAtOnce_;
    }
    test::FetchGate client;

  private:
    mutable std::mutex mutex_;
    QStringList runs_;
    int running_ = 0;
    int mostAtOnce_ = 0;
};

// An adapter that reads its usage by probing its client through the gate, as
// the Claude Code and Antigravity adapters do; a declined fetch can be held
// before it ends.
class ProbingAdapter final : public AIProviderAdapter {
  public:
    ProbingAdapter(AIProviderType type, QString key, QString client, ProbeGate& gate, CLIProcessRunner& runner)
        : type_(type), key_(std::move(key)), client_(std::move(client)), gate_(gate), runner_(runner) {}
    AIProviderType type() const override { return type_; }
    bool isDetected() const override { return true; }
    bool checkAvailability() override { return true; }
    UsageSnapshot fetchUsage(bool) override {
        if (ProbeGate::Ticket ticket = gate_.admit(key_, 180)) {
            runner_.run(client_, {QStringLiteral("-p"), QStringLiteral("/usage")}, 20, {}, std::nullopt);
        } else {
            ++declines;
            afterDecline.passThrough();
        }
        return UsageSnapshot::simulatedFallback(type_);
    }
    std::atomic<int> declines{0};
    test::FetchGate afterDecline;

  private:
    AIProviderType type_;
    QString key_;
    QString client_;
    ProbeGate& gate_;
    CLIProcessRunner& runner_;
};

class Manager : public ::testing::Test {
  protected:
    void SetUp() override {
        settings = std::make_shared<QSettings>(home.file(QStringLiteral("prefs.conf")), QSettings::IniFormat);
        preferences = std::make_unique<MeterixPreferences>(settings);
        registry = std::make_unique<AccountRegistry>(AccountRegistry::ResolverList{}, *preferences, clock);
        store = std::make_unique<AccountUsageStore>(home.file(QStringLiteral("usage.json")), clock);
        for (AIProviderType p : allProviderTypes())
            adapters.insert(p, std::make_shared<FakeAdapter>(p, false));
    }
    void TearDown() override {
        for (auto& a : adapters)
            a->release();
        manager.reset();
    }

    void build(bool monitor = false) {
        ProviderManager::Dependencies d;
        for (AIProviderType p : allProviderTypes())
            d.adapters.append(replacements.contains(p) ? replacements[p] : adapters[p]);
        d.probeGate = probeGate;
        d.accountRegistry = registry.get();
        d.usageStore = store.get();
        d.preferences = preferences.get();
        d.clock = &clock;
        d.timers = &timers;
        d.isLidClosed = [this] { return lidClosed.load(); };
        d.home = home.path();
        d.watcher = watcher;
        d.ruleRegistry = ruleRegistry;
        manager = std::make_unique<ProviderManager>(std::move(d), monitor);
    }

    // Runs one refresh to its end.
    void refresh(AIProviderType p, bool force) {
        bool done = false;
        manager->refreshProvider(p, force, [&] { done = true; });
        ASSERT_TRUE(test::waitUntil([&] { return done; }));
    }

    test::TempHome home;
    test::FakeClock clock;
    test::FakeTimerSource timers{clock};
    std::shared_ptr<QSettings> settings;
    std::unique_ptr<MeterixPreferences> preferences;
    std::unique_ptr<AccountRegistry> registry;
    std::unique_ptr<AccountUsageStore> store;
    QHash<AIProviderType, std::shared_ptr<FakeAdapter>> adapters;
    QHash<AIProviderType, std::shared_ptr<AIProviderAdapter>> replacements; // instead of the fakes
    ProbeGate* probeGate = nullptr;
    std::atomic<bool> lidClosed{false};
    InotifyFolderWatcher* watcher = nullptr;
    AIActivityRuleRegistry* ruleRegistry = nullptr;
    std::unique_ptr<ProviderManager> manager;
};

} // namespace

TEST_F(Manager, StartsWithPlaceholdersAndTheDefaultProviders) {
    preferences->setEnabledProviders(QList<AIProviderType>{}); // a stored empty list counts as none
    build();
    // A placeholder for every provider there is, and for nothing else.
    EXPECT_EQ(manager->snapshots().size(), allProviderTypes().size());
    for (AIProviderType p : allProviderTypes())
        EXPECT_TRUE(manager->snapshots().contains(p)) << rawValue(p).toStdString();
    for (const UsageSnapshot& s : manager->snapshots()) {
        EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::notConfigured);
        EXPECT_TRUE(s.isSimulated());
    }
    EXPECT_EQ(manager->activeProviders(),
              (QList<AIProviderType>{AIProviderType::claudeCode, AIProviderType::openAICodex,
                                     AIProviderType::antigravity}));
    EXPECT_FALSE(manager->isProviderDetected(AIProviderType::groq));
}

TEST_F(Manager, FirstLaunchActivatesWhatWasDetectedInCatalogueOrder) {
    adapters[AIProviderType::zed] = std::make_shared<FakeAdapter>(AIProviderType::zed, true);
    adapters[AIProviderType::cursor] = std::make_shared<FakeAdapter>(AIProviderType::cursor, true);
    build(true);
    bool started = false;
    QObject::connect(manager.get(), &ProviderManager::startUpFinished, [&] { started = true; });
    ASSERT_TRUE(test::waitUntil([&] { return started; }));
    EXPECT_EQ(manager->activeProviders(),
              (QList<AIProviderType>{AIProviderType::cursor, AIProviderType::zed}));
    EXPECT_EQ(preferences->enabledProviders(), manager->activeProviders());
    EXPECT_TRUE(preferences->hasCustomizedProviders());
    EXPECT_EQ(manager->detectedProviders(),
              (QSet<AIProviderType>{AIProviderType::cursor, AIProviderType::zed}));
    EXPECT_EQ(adapters[AIProviderType::zed]->calls(), 1); // the start-up refresh, forced
    EXPECT_TRUE(adapters[AIProviderType::zed]->lastForce());
    EXPECT_TRUE(registry->lastScanDate().isValid());
    EXPECT_EQ(timers.pendingCount(), 1u); // the poll
}

// Setting up the watches of a large home takes a while: the start-up sequence
// (and with it the GUI thread, which paints the bar) goes on meanwhile.
TEST_F(Manager, StartUpNeverWaitsForTheWatchesToBeSetUp) {
    home.mkdir(QStringLiteral(".claude/projects/p"));
    AIActivityRuleRegistry rules(test::hostUnderHome(home.path()));
    DispatchQueue queue(QStringLiteral("test.inotify"));
    InotifyFolderWatcher fsWatcher(queue, rules, clock, home.path());
    watcher = &fsWatcher;
    ruleRegistry = &rules;
    test::LogCapture log("com.meterix.watcher");
    // The watcher's queue is busy until the test lets it go (or 20 s pass).
    QSemaphore busy;
    std::atomic<bool> timedOut{false};
    queue.post([&] { timedOut = !busy.tryAcquire(1, 20000); });
    build(true);
    bool started = false;
    QObject::connect(manager.get(), &ProviderManager::startUpFinished, [&] { started = true; });
    EXPECT_TRUE(test::waitUntil([&] { return started; }));
    busy.release();
    queue.sync([] {}); // waits for the set-up
    EXPECT_FALSE(timedOut); // let go by the test, not by the time-out
    EXPECT_TRUE(log.contains(QStringLiteral("Watching %1 for %2")
                                 .arg(home.file(QStringLiteral(".claude")), rawValue(AIProviderType::claudeCode))));
    manager.reset();
}

TEST_F(Manager, FirstLaunchWithNothingDetectedLeavesTheSettingsAlone) {
    build(true);
    bool started = false;
    QObject::connect(manager.get(), &ProviderManager::startUpFinished, [&] { started = true; });
    ASSERT_TRUE(test::waitUntil([&] { return started; }));
    EXPECT_EQ(manager->activeProviders().size(), 3);
    EXPECT_FALSE(preferences->hasCustomizedProviders());
    EXPECT_FALSE(settings->contains(QStringLiteral("enabledProvidersJSON")));
}

TEST_F(Manager, TwoRefreshesOfOneProviderShareOneFetch) {
    build();
    auto& claude = *adapters[AIProviderType::claudeCode];
    claude.hold();
    int done = 0;
    manager->refreshProvider(AIProviderType::claudeCode, false, [&] { ++done; });
    ASSERT_TRUE(test::waitUntil([&] { return claude.calls() == 1; }));
    manager->refreshProvider(AIProviderType::claudeCode, true, [&] { ++done; }); // forced, still joins
    EXPECT_EQ(done, 0);
    claude.release();
    ASSERT_TRUE(test::waitUntil([&] { return done == 2; }));
    EXPECT_EQ(claude.calls(), 1);
    EXPECT_EQ(manager->snapshots()[AIProviderType::claudeCode].headlineRemainingPercentage, 50);
}

// At start Claude Code's probe takes the one slot; Antigravity's, declined for
// it, runs as soon as the slot frees (not a poll later), once, and never beside
// another probe: whether its declined fetch was filed before the slot freed or
// was still under way.
TEST_F(Manager, AProbeDeclinedForTheSlotRunsOnceAsSoonAsTheSlotFrees) {
    for (const bool filedFirst : {true, false}) {
        SCOPED_TRACE(filedFirst ? "declined fetch filed first" : "declined fetch still under way");
        ProbeGate gate(clock);
        HeldRunner runner;
        auto claude = std::make_shared<ProbingAdapter>(AIProviderType::claudeCode, QStringLiteral("claude:default"),
                                                       QStringLiteral("claude"), gate, runner);
        auto agy = std::make_shared<ProbingAdapter>(AIProviderType::antigravity, QStringLiteral("agy:default"),
                                                    QStringLiteral("agy"), gate, runner);
        replacements = {{AIProviderType::claudeCode, claude}, {AIProviderType::antigravity, agy}};
        probeGate = &gate;
        preferences->setEnabledProviders(QList<AIProviderType>{AIProviderType::claudeCode, AIProviderType::antigravity});
        build();
        runner.client.hold();
        if (!filedFirst) agy->afterDecline.hold();
        const auto releaseAll = qScopeGuard([&] {
            runner.client.release();
            agy->afterDecline.release();
            manager.reset();
        });

        // Claude Code's probe takes the slot first; Antigravity's is refused.
        bool done = false;
        manager->refreshProvider(AIProviderType::claudeCode, false, [&] { done = true; });
        ASSERT_TRUE(test::waitUntil([&] { return runner.runs() == QStringList{"claude"}; }));
        manager->refreshProvider(AIProviderType::antigravity, false);
        ASSERT_TRUE(test::waitUntil([&] { return agy->declines == 1; }));
        if (filedFirst) {
            ASSERT_TRUE(test::fetchEnded(*manager, AIProviderType::antigravity));
        }

        runner.client.release(); // Claude Code's probe ends: the slot is free
        if (!filedFirst) {
            ASSERT_TRUE(test::waitUntil([&] { return !gate.isBusy(); }));
            agy->afterDecline.release();
        }
        ASSERT_TRUE(test::waitUntil([&] { return done && runner.runs().size() == 2; }));
        ASSERT_TRUE(test::fetchEnded(*manager, AIProviderType::antigravity));
        EXPECT_EQ(runner.runs(), (QStringList{"claude", "agy"}));
        EXPECT_EQ(runner.mostAtOnce(), 1);
        EXPECT_EQ(agy->declines, 1);
    }
}

TEST_F(Manager, CooldownRefusesAt44Point5AndAllows45Seconds) {
    build();
    test::LogCapture log("com.meterix.provider");
    refresh(AIProviderType::claudeCode, false);
    timers.advance(44.5);
    refresh(AIProviderType::claudeCode, false);
    EXPECT_EQ(adapters[AIProviderType::claudeCode]->calls(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("Cooldown for claude: 0s left")));
    timers.advance(0.5);
    refresh(AIProviderType::claudeCode, false);
    EXPECT_EQ(adapters[AIProviderType::claudeCode]->calls(), 2);
    refresh(AIProviderType::claudeCode, true); // forced: no cooldown
    EXPECT_EQ(adapters[AIProviderType::claudeCode]->calls(), 3);
}

TEST_F(Manager, SettingTheWallClockBackDoesNotStallRefreshing) {
    build();
    refresh(AIProviderType::claudeCode, false);
    clock.set(clock.now().addDays(-2)); // wall time only; intervals are monotonic
    timers.advance(45);
    refresh(AIProviderType::claudeCode, false);
    EXPECT_EQ(adapters[AIProviderType::claudeCode]->calls(), 2);
}

TEST_F(Manager, OnDemandFloorDefersOnceAndRunsForced) {
    build();
    bool done = false;
    manager->refreshOnDemand({AIProviderType::groq}, ProviderManager::RefreshTrigger::userAction,
                             [&] { done = true; });
    ASSERT_TRUE(test::waitUntil([&] { return done; }));
    auto& groq = *adapters[AIProviderType::groq];
    EXPECT_EQ(groq.calls(), 1);
    timers.advance(3);
    for (int i = 0; i < 3; ++i)
        manager->refreshOnDemand({AIProviderType::groq}, ProviderManager::RefreshTrigger::userAction);
    EXPECT_EQ(timers.pendingCount(), 1u); // one deferral, 7 s out
    timers.advance(6.9);
    EXPECT_EQ(groq.calls(), 1);
    timers.advance(0.1);
    ASSERT_TRUE(test::waitUntil([&] { return groq.calls() == 2; }));
    EXPECT_TRUE(groq.lastForce());
}

TEST_F(Manager, SleepCancelsDeferralsAndWakeHoldsOffThirtySeconds) {
    build();
    bool done = false;
    manager->refreshOnDemand({AIProviderType::groq}, ProviderManager::RefreshTrigger::userAction,
                             [&] { done = true; });
    ASSERT_TRUE(test::waitUntil([&] { return done; }));
    timers.advance(1);
    manager->refreshOnDemand({AIProviderType::groq}, ProviderManager::RefreshTrigger::userAction);
    EXPECT_EQ(timers.pendingCount(), 1u);
    manager->handleWillSleep();
    EXPECT_EQ(timers.pendingCount(), 0u);
    timers.advance(600);
    manager->handleDidWake();
    timers.advance(1);
    manager->refreshOnDemand({AIProviderType::groq}, ProviderManager::RefreshTrigger::userAction);
    refresh(AIProviderType::groq, true); // refused by the gate, returns at once
    EXPECT_EQ(adapters[AIProviderType::groq]->calls(), 1);
    timers.advance(29);
    refresh(AIProviderType::groq, true);
    EXPECT_EQ(adapters[AIProviderType::groq]->calls(), 2);
}

TEST_F(Manager, ClosedLidRefusesWithoutTouchingIsRefreshing) {
    build();
    lidClosed = true;
    int changes = 0;
    QObject::connect(manager.get(), &ProviderManager::changed, [&] { ++changes; });
    bool done = false;
    manager->refreshAll(true, [&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_EQ(changes, 0);
    for (const auto& a : adapters)
        EXPECT_EQ(a->calls(), 0);
}

TEST_F(Manager, IsRefreshingStaysTrueWhileAnyRefreshAllRuns) {
    build();
    auto& claude = *adapters[AIProviderType::claudeCode];
    claude.hold();
    int finished = 0;
    manager->refreshAll(true, [&] { ++finished; });
    EXPECT_TRUE(manager->isRefreshing());
    // The second one finds every provider in flight or cooling down, but must
    // not clear the flag while the first still runs.
    manager->refreshAll(false, [&] { ++finished; });
    ASSERT_TRUE(test::waitUntil([&] { return adapters[AIProviderType::antigravity]->calls() == 1; }));
    EXPECT_TRUE(manager->isRefreshing());
    claude.release();
    ASSERT_TRUE(test::waitUntil([&] { return finished == 2; }));
    EXPECT_FALSE(manager->isRefreshing());
}

TEST_F(Manager, AFailedFetchMarksShownFiguresAndKeepsThem) {
    test::speak(ResolvedLanguage::english);
    build();
    refresh(AIProviderType::claudeCode, true);
    adapters[AIProviderType::claudeCode]->throwIt = true;
    refresh(AIProviderType::claudeCode, true);
    const UsageSnapshot shown = manager->snapshots()[AIProviderType::claudeCode];
    EXPECT_EQ(shown.fetchError, QStringLiteral("Usage could not be refreshed."));
    EXPECT_EQ(shown.headlineRemainingPercentage, 50);
    // a placeholder (no figures, a reason) is left as it is
    adapters[AIProviderType::groq]->throwIt = true;
    refresh(AIProviderType::groq, true);
    EXPECT_FALSE(manager->snapshots()[AIProviderType::groq].fetchError);
}

TEST_F(Manager, ToggleKeepsTheLastProviderAndAppendsNewOnes) {
    preferences->setEnabledProviders(QList<AIProviderType>{AIProviderType::groq});
    build();
    manager->toggleProvider(AIProviderType::groq);
    EXPECT_EQ(manager->activeProviders(), QList<AIProviderType>{AIProviderType::groq});
    manager->toggleProvider(AIProviderType::kimi);
    EXPECT_EQ(manager->activeProviders(),
              (QList<AIProviderType>{AIProviderType::groq, AIProviderType::kimi}));
    EXPECT_EQ(preferences->enabledProviders(), manager->activeProviders());
    ASSERT_TRUE(test::fetchEnded(*manager, AIProviderType::kimi));
    EXPECT_EQ(adapters[AIProviderType::kimi]->calls(), 1);
}

// Every view takes the published state one way: through one change signal,
// once per turn of the event loop or at once, and never for a change that moves
// nothing it shows.
TEST_F(Manager, ObserversFollowThePublishedStateThroughOneSignal) {
    using Providers = QList<AIProviderType>;
    constexpr auto groq = AIProviderType::groq, kimi = AIProviderType::kimi, deepseek = AIProviderType::deepseek,
                   mistral = AIProviderType::mistral;
    const struct {
        PresentedState::Delivery delivery;
        QList<Providers> inTheSameTurn;
    } rows[] = {
        {PresentedState::Delivery::atOnce, {Providers{kimi, deepseek, mistral}, Providers{deepseek, mistral}}},
        {PresentedState::Delivery::coalesced, {}},
    };
    for (const auto& row : rows) {
        preferences->setEnabledProviders(Providers{groq, kimi, deepseek, mistral});
        build();
        QObject receiver;
        QList<Providers> shown;
        PresentedState::observe(
            *manager, preferences.get(), &receiver, [&](PresentedState s) { shown.append(s.activeProviders); },
            row.delivery);
        manager->toggleProvider(groq);
        manager->toggleProvider(kimi);
        EXPECT_EQ(shown, row.inTheSameTurn);
        ASSERT_TRUE(test::waitUntil([&] { return !shown.isEmpty(); }));
        EXPECT_EQ(shown.last(), (Providers{deepseek, mistral}));
        const qsizetype before = shown.size();
        preferences->setMaskAccountEmails(!preferences->maskAccountEmails()); // no address is shown
        manager->toggleProvider(deepseek);
        ASSERT_TRUE(test::waitUntil([&] { return shown.size() > before; }));
        EXPECT_EQ(shown.size(), before + 1);
        EXPECT_EQ(shown.last(), Providers{mistral});
    }
}

// A view showing another part of the state starts from what it shows now and
// hears only of changes to that part.
TEST_F(Manager, AnObserverOfAnotherPartHearsOnlyOfItsChanges) {
    preferences->setEnabledProviders(QList<AIProviderType>{AIProviderType::groq, AIProviderType::kimi});
    build();
    QObject receiver;
    QList<qsizetype> shown;
    PresentedState::observeShown<qsizetype>(
        *manager, preferences.get(), &receiver, [&] { return manager->activeProviders().size(); },
        [&](const qsizetype& count) { shown.append(count); }, PresentedState::Delivery::atOnce);
    preferences->setMaskAccountEmails(!preferences->maskAccountEmails()); // the same two providers
    manager->toggleProvider(AIProviderType::deepseek);
    manager->toggleProvider(AIProviderType::deepseek);
    EXPECT_EQ(shown, (QList<qsizetype>{3, 2}));
}

TEST_F(Manager, SelectingFetchesEvenTheSameProviderAgain) {
    build();
    manager->providerSelected(AIProviderType::deepseek);
    ASSERT_TRUE(test::fetchEnded(*manager, AIProviderType::deepseek));
    EXPECT_EQ(adapters[AIProviderType::deepseek]->calls(), 1);
    manager->providerSelected(AIProviderType::deepseek);
    ASSERT_TRUE(test::waitUntil([&] { return adapters[AIProviderType::deepseek]->calls() == 2; }));
    EXPECT_TRUE(adapters[AIProviderType::deepseek]->lastForce());
}

TEST_F(Manager, ActivityMarksInUseAndSettlesThreeSecondsAfterTheLastSignal) {
    preferences->setEnabledProviders(QList<AIProviderType>{AIProviderType::claudeCode});
    build();
    manager->handleActivity({ActivitySignal{AIProviderType::claudeCode, QStringLiteral("acct")},
                             ActivitySignal{AIProviderType::groq, std::nullopt}}); // groq is not active
    EXPECT_TRUE(manager->activeInUseProviders().contains(AIProviderType::claudeCode));
    EXPECT_FALSE(manager->activeInUseProviders().contains(AIProviderType::groq));
    EXPECT_TRUE(manager->isAccountRunning(AIProviderType::claudeCode, QStringLiteral("acct")));
    ASSERT_TRUE(test::fetchEnded(*manager, AIProviderType::claudeCode));
    EXPECT_EQ(adapters[AIProviderType::claudeCode]->calls(), 1);
    for (int i = 0; i < 5; ++i) {
        timers.advance(1);
        manager->handleActivity({ActivitySignal{AIProviderType::claudeCode, std::nullopt}});
    }
    EXPECT_TRUE(manager->activeInUseProviders().contains(AIProviderType::claudeCode));
    EXPECT_EQ(adapters[AIProviderType::claudeCode]->calls(), 1); // one on-demand refresh per burst start
    timers.advance(3);
    EXPECT_FALSE(manager->activeInUseProviders().contains(AIProviderType::claudeCode));
    EXPECT_FALSE(manager->isAccountRunning(AIProviderType::claudeCode, QStringLiteral("acct")));
    // 8 s after the first on-demand refresh: deferred to the 10 s floor
    timers.advance(2);
    ASSERT_TRUE(test::waitUntil([&] { return adapters[AIProviderType::claudeCode]->calls() == 2; }));
}

namespace {

// Finds one account whose desktop app is Cursor.
class CursorAppResolver final : public AccountResolver {
  public:
    AIProviderType provider() const override { return AIProviderType::cursor; }
    QString primarySourceID() const override { return QStringLiteral("cursor.app"); }
    QList<AccountIdentity> resolveAccounts() override {
        AccountIdentity id;
        id.id = QStringLiteral("me@example.com");
        id.provider = AIProviderType::cursor;
        id.source.id = QStringLiteral("cursor.app");
        id.source.kind = AccountSourceKind::desktopApp;
        id.source.bundleIdentifiers = {QStringLiteral("com.todesktop.230313mzl4w4u92")};
        return {id};
    }
};

} // namespace

TEST_F(Manager, AlternateProfileFoldersAreAddedToTheRulesOnce) {
    home.mkdir(QStringLiteral(".claude"));
    home.mkdir(QStringLiteral(".claude-work"));
    home.mkdir(QStringLiteral(".claude_old"));
    home.mkdir(QStringLiteral(".codex"));
    AIActivityRuleRegistry rules(test::hostUnderHome(home.path(), {}));
    ProviderManager::Dependencies d;
    d.accountRegistry = registry.get();
    d.usageStore = store.get();
    d.preferences = preferences.get();
    d.clock = &clock;
    d.timers = &timers;
    d.ruleRegistry = &rules;
    d.home = home.path();
    ProviderManager m(std::move(d), false);
    test::LogCapture log("com.meterix.provider");
    m.registerAlternateProfilePaths();
    m.registerAlternateProfilePaths(); // a second run adds nothing twice
    const QStringList roots = rules.rule(AIProviderType::claudeCode)->relativeRootPaths;
    EXPECT_EQ(roots.count(home.file(QStringLiteral(".claude-work"))), 1);
    EXPECT_EQ(roots.count(home.file(QStringLiteral(".claude_old"))), 1);
    EXPECT_FALSE(roots.contains(home.file(QStringLiteral(".claude"))));
    EXPECT_TRUE(log.contains(QStringLiteral("[claude] watching 2 alternate profile path(s)")));
    for (const QString& line : log.messages())
        EXPECT_FALSE(line.startsWith(QStringLiteral("[codex] watching"))) << line.toStdString();
}

TEST_F(Manager, RunningDesktopAppsMarkTheirAccounts) {
    registry = std::make_unique<AccountRegistry>(
        AccountRegistry::ResolverList{std::make_shared<CursorAppResolver>()}, *preferences, clock);
    bool scanned = false;
    registry->refreshAccounts(std::nullopt, [&] { scanned = true; });
    ASSERT_TRUE(test::waitUntil([&] { return scanned; }));

    test::TempHome proc;
    proc.mkdir(QStringLiteral("4242"));
    proc.write(QStringLiteral("4242/cmdline"), QByteArray("/opt/cursor/cursor\0", 19));
    RunningApplications apps(desktopAppsOf(providerDescriptors()), proc.path(), ::getuid(), 1000);

    ProviderManager::Dependencies d;
    d.accountRegistry = registry.get();
    d.usageStore = store.get();
    d.preferences = preferences.get();
    d.clock = &clock;
    d.timers = &timers;
    d.runningApplications = &apps;
    ProviderManager m(std::move(d), false);
    apps.rescan();
    m.refreshRunningApps();
    EXPECT_TRUE(m.isAppRunning(AIProviderType::cursor));
    EXPECT_TRUE(m.isAccountRunning(AIProviderType::cursor, QStringLiteral("me@example.com")));
    const auto account = registry->account(AIProviderType::cursor, QStringLiteral("me@example.com"));
    ASSERT_TRUE(account);
    EXPECT_EQ(m.runningApps(*account).size(), 1);

    int published = 0;
    QObject::connect(&m, &ProviderManager::changed, [&] { ++published; });
    m.refreshRunningApps(); // nothing changed: nothing published
    EXPECT_EQ(published, 0);
    QFile::remove(proc.file(QStringLiteral("4242/cmdline")));
    proc.write(QStringLiteral("4242/cmdline"), "bash");
    apps.rescan();
    m.refreshRunningApps();
    EXPECT_EQ(published, 1);
    EXPECT_FALSE(m.isAppRunning(AIProviderType::cursor));
}
