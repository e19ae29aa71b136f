#include "providers/AntigravityAdapter.h"

#include "core/IsoDate.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/FileFixtures.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace meterix;
using meterix::test::FakeClock;
using meterix::test::LogCapture;
using meterix::test::TempHome;

namespace {

QDateTime at(const char* text) { return *parseRfc3339(QString::fromLatin1(text)); }

const QDateTime kNow = at("2026-03-01T10:00:00Z");

std::optional<UsageSnapshot> parse(const QString& text) { return AntigravityAdapter::parseAgyUsageOutput(text, kNow); }

// A runner that prints what the test sets, and records how it was called.
class FakeRunner : public CLIProcessRunner {
  public:
    struct Call {
        QString command;
        QStringList arguments;
        double timeout = 0;
        EnvironmentOverrides environment;
        std::optional<QString> workingDirectory;
        bool gateBusyDuringRun = false;
    };

    explicit FakeRunner(const ProbeGate* gate = nullptr) : gate_(gate) {}

    std::optional<QString> run(const QString& command, const QStringList& arguments, double timeout,
                               const EnvironmentOverrides& environment,
                               const std::optional<QString>& workingDirectory) override {
        std::lock_guard lock(mutex_);
        calls_.push_back({command, arguments, timeout, environment, workingDirectory, gate_ && gate_->isBusy()});
        return output_;
    }

    void setOutput(std::optional<QString> output) {
        std::lock_guard lock(mutex_);
        output_ = std::move(output);
    }
    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

  private:
    const ProbeGate* gate_;
    mutable std::mutex mutex_;
    std::optional<QString> output_;
    std::vector<Call> calls_;
};

const QString kTabTable = QStringLiteral("Model\tQuota\tRemaining\tResets\n"
                                         "Gemini Models\tFive Hour Limit Remaining\t80%\t2026-03-01T12:30:00.250Z\n"
                                         "Claude and GPT models\tWeekly Limit Remaining\t40%\t2026-03-05T10:00:00Z\n");

const QString kAlignedTable = QStringLiteral("Model                   Quota                        Remaining  Resets\n"
                                             "Gemini Models           Five Hour Limit Remaining    80%        2026-03-01T12:30:00.250Z\n"
                                             "Claude and GPT models   Weekly Limit Remaining       40%        2026-03-05T10:00:00Z\n");

class Adapter : public ::testing::Test {
  protected:
    TempHome home;
    FakeClock clock{kNow};
    ProbeGate gate{clock};
    FakeRunner runner{&gate};
    AntigravityAdapter adapter{HostEnvironment::underHome(home.path()), gate, runner, clock, {}};
};

// The real runner starting a fake client from the home folder.
class AgyClient : public ::testing::Test {
  protected:
    TempHome home;
    FakeClock clock{kNow};
    ProbeGate gate{clock};
    CLIProcessRunner runner{HostEnvironment::underHome(home.path()),
                            CLIProcessRunner::Options{.candidateFolders = {home.file(QStringLiteral(".local/bin"))}}};
    AntigravityAdapter adapter{HostEnvironment::underHome(home.path()), gate, runner, clock, {}};
};

} // namespace

TEST(AgyTable, TabAndBlankAlignedTablesGiveTheSameSnapshot) {
    for (const QString& table : {kTabTable, kAlignedTable}) {
        SCOPED_TRACE(table.toStdString());
        const auto s = parse(table);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->provider, AIProviderType::antigravity);
        EXPECT_EQ(s->hourlyQuotaName, QStringLiteral("Gemini 5-hour"));
        EXPECT_EQ(s->hourlyRemainingPercentage, 80);
        EXPECT_EQ(s->hourlyResetCountdown, 2.5 * 3600 + 0.25);
        EXPECT_EQ(s->weeklyRemainingPercentage, 40);
        EXPECT_EQ(s->weeklyResetCountdown, 4 * 86400.0);
        ASSERT_EQ(s->modelQuotas.size(), 2);
        EXPECT_EQ(s->modelQuotas[0].name, QStringLiteral("Gemini 5-hour"));
        EXPECT_EQ(s->modelQuotas[0].quotaType, QStringLiteral("5-Hour Session"));
        EXPECT_EQ(s->modelQuotas[0].remainingPercentage, 80);
        EXPECT_EQ(s->modelQuotas[1].name, QStringLiteral("Claude/GPT weekly"));
        EXPECT_EQ(s->modelQuotas[1].quotaType, QStringLiteral("Weekly Limit"));
        EXPECT_EQ(s->strategyUsed, FetchStrategy::cliStatusProbe);
        EXPECT_EQ(s->capturedAt, kNow);
        EXPECT_EQ(s->lastUpdated, kNow);
        EXPECT_EQ(s->usedTokens, 0);
        EXPECT_EQ(s->totalTokens, 100000);
        EXPECT_FALSE(s->accountID);
        EXPECT_FALSE(s->unavailableReason);
        EXPECT_FALSE(s->fetchError);
    }
}

TEST(AgyTable, OnlyWeeklyRowsMakeTheFirstOneThePrimaryWithoutWeeklyFigure) {
    const auto s = parse(QStringLiteral("Gemini Models\tWeekly Limit Remaining\t55%\n"
                                        "Claude and GPT models\tWeekly Limit Remaining\t70%\n"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->hourlyQuotaName, QStringLiteral("Gemini weekly"));
    EXPECT_EQ(s->hourlyRemainingPercentage, 55);
    EXPECT_FALSE(s->weeklyRemainingPercentage) << "the first weekly entry is the primary itself";
    ASSERT_EQ(s->modelQuotas.size(), 2);
    EXPECT_EQ(s->modelQuotas[0].name, QStringLiteral("Gemini weekly"));
    EXPECT_EQ(s->modelQuotas[1].name, QStringLiteral("Claude/GPT weekly"));
    EXPECT_EQ(s->modelQuotas[1].remainingPercentage, 70);
    for (const auto& item : s->modelQuotas) EXPECT_EQ(item.quotaType, QStringLiteral("Weekly Limit"));
}

TEST(AgyTable, SingleGeminiModelRowsComeAfterTheFixedOnes) {
    const auto s = parse(QStringLiteral("Gemini 2.5 Pro   Gemini 2.5 Pro Weekly Limit   30%\n"
                                        "Gemini Models\tFive Hour Limit Remaining\t90%\n"
                                        "Claude and GPT models\tFive Hour Limit Remaining\t65%\n"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->hourlyQuotaName, QStringLiteral("Gemini 5-hour"));
    EXPECT_EQ(s->weeklyRemainingPercentage, 30) << "the first weekly entry with a figure is the model's";
    ASSERT_EQ(s->modelQuotas.size(), 3);
    EXPECT_EQ(s->modelQuotas[1].name, QStringLiteral("Claude/GPT 5-hour"));
    EXPECT_EQ(s->modelQuotas[2].name, QStringLiteral("Gemini 2.5 Pro weekly"));
    EXPECT_EQ(s->modelQuotas[2].quotaType, QStringLiteral("Weekly Limit"));
    EXPECT_EQ(s->modelQuotas[2].remainingPercentage, 30);
}

TEST(AgyTable, PercentagesAreClampedAndUnreadableOnesLeaveTheSlotEmpty) {
    const auto s = parse(QStringLiteral("Gemini Models\tFive Hour Limit Remaining\t101%\n"
                                        "Claude and GPT models\tFive Hour Limit Remaining\tmany%\n"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->hourlyRemainingPercentage, 100);
    ASSERT_EQ(s->modelQuotas.size(), 1);
    EXPECT_EQ(s->modelQuotas[0].remainingPercentage, 100);
}

TEST(AgyTable, NonFiniteNumbersAreNoFigure) {
    for (const char* percent : {"nan%", "NaN", "inf%", "-inf%", "infinity%", "1e400%", "-1e400", "0x50%", "80 %x", ""}) {
        SCOPED_TRACE(percent);
        const QString row = QStringLiteral("Gemini Models\tFive Hour Limit Remaining\t%1\tsoon").arg(QLatin1String(percent));
        EXPECT_FALSE(parse(row)) << "no figure may come from it";
        // Next to a good row, the bad one adds no item and no weekly figure.
        const auto s = parse(row + QStringLiteral("\nClaude and GPT models\tWeekly Limit Remaining\t40%"));
        ASSERT_TRUE(s);
        EXPECT_EQ(s->hourlyQuotaName, QStringLiteral("Claude/GPT weekly"));
        EXPECT_EQ(s->modelQuotas.size(), 1);
        EXPECT_FALSE(s->weeklyRemainingPercentage);
    }
}

TEST(AgyTable, ALaterRowReplacesTheSlotEvenWithoutAFigure) {
    EXPECT_FALSE(parse(QStringLiteral("Gemini Models\tFive Hour Limit Remaining\t80%\n"
                                      "Gemini Models\tFive Hour Limit Remaining\tnan%\n")));
    const auto s = parse(QStringLiteral("Gemini Models\tFive Hour Limit Remaining\t80%\n"
                                        "Gemini Models\tFive Hour Limit Remaining\t20%\n"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->hourlyRemainingPercentage, 20);
}

TEST(AgyTable, ResetTimes) {
    auto countdown = [](const char* reset) {
        const auto s = parse(QStringLiteral("Gemini Models\tFive Hour Limit Remaining\t50%\t") + QLatin1String(reset));
        return s ? s->hourlyResetCountdown : std::optional<double>(-1);
    };
    EXPECT_EQ(countdown("2026-03-01T10:00:30.500Z"), 30.5) << "fractional seconds";
    EXPECT_EQ(countdown("2026-03-01T11:00:00+01:00"), 0) << "an offset is honoured";
    EXPECT_EQ(countdown("2026-03-01T11:00:00Z"), 3600);
    EXPECT_EQ(countdown("2026-02-28T10:00:00Z"), 0) << "already past";
    EXPECT_EQ(countdown("in 3 hours"), std::nullopt);
    EXPECT_EQ(countdown("2026-03-01T11:00:00"), std::nullopt) << "no zone, no date";
}

TEST(AgyTable, BlankAlignedRowsAreMatchedWithoutRegardToCase) {
    const auto s = parse(QStringLiteral("  gemini models  FIVE HOUR LIMIT REMAINING  12.5%  \r\n"
                                        "CLAUDE AND GPT MODELS weekly limit remaining 7%\r\n"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->hourlyRemainingPercentage, 12.5);
    EXPECT_EQ(s->weeklyRemainingPercentage, 7);
}

TEST(AgyTable, OutputWithoutRecognisedRowsGivesNothing) {
    EXPECT_FALSE(parse(QString()));
    EXPECT_FALSE(parse(QStringLiteral("Error: not signed in\nRun agy login\n")));
    EXPECT_FALSE(parse(QStringLiteral("Gemini Models\tDaily Limit\t50%\n"))) << "no slot named";
    EXPECT_FALSE(parse(QStringLiteral("Someone\tFive Hour Limit Remaining\t50%\n"))) << "no model family named";
    EXPECT_FALSE(parse(QStringLiteral("Gemini Models Five Hour Limit Remaining\n"))) << "no percentage";
    EXPECT_FALSE(parse(QStringLiteral("Gemini 2.5 Pro\tGemini 2.5 Pro Weekly Limit\tn/a\n")));
}

TEST_F(Adapter, ProbesOnceThenServesTheFreshReading) {
    LogCapture log("com.meterix.provider");
    runner.setOutput(kTabTable);
    const UsageSnapshot first = adapter.fetchUsage(false);
    ASSERT_EQ(runner.calls().size(), 1u);
    const FakeRunner::Call call = runner.calls().front();
    EXPECT_EQ(call.command, QStringLiteral("agy"));
    EXPECT_EQ(call.arguments, (QStringList{QStringLiteral("-p"), QStringLiteral("/usage")}));
    EXPECT_EQ(call.timeout, 20);
    EXPECT_TRUE(call.environment.isEmpty());
    EXPECT_FALSE(call.workingDirectory);
    EXPECT_TRUE(call.gateBusyDuringRun) << "the probe runs inside its admission";
    EXPECT_FALSE(gate.isBusy()) << "and the slot is free again afterwards";
    EXPECT_EQ(first.hourlyRemainingPercentage, 80);
    EXPECT_TRUE(log.contains(QStringLiteral("Running live CLI probe: agy -p /usage")));
    EXPECT_TRUE(log.contains(QStringLiteral("Parsed agy snapshot: 5h=80.000000%")));

    runner.setOutput(QStringLiteral("Gemini Models\tFive Hour Limit Remaining\t10%"));
    clock.advance(900);
    EXPECT_EQ(adapter.fetchUsage(false), first) << "900 s old is still fresh";
    EXPECT_EQ(runner.calls().size(), 1u);
    clock.advance(1);
    EXPECT_EQ(adapter.fetchUsage(false).hourlyRemainingPercentage, 10);
    EXPECT_EQ(runner.calls().size(), 2u);
}

TEST_F(Adapter, ForcingSkipsTheCacheButNotTheFloor) {
    runner.setOutput(kTabTable);
    const UsageSnapshot first = adapter.fetchUsage(true);
    clock.advance(179);
    EXPECT_EQ(adapter.fetchUsage(true), first) << "declined: the cached reading";
    EXPECT_EQ(runner.calls().size(), 1u);
    clock.advance(1);
    adapter.fetchUsage(true);
    EXPECT_EQ(runner.calls().size(), 2u);
}

TEST_F(Adapter, WithoutAReadingEveryFailureEndsInThePlaceholder) {
    {
        const auto other = gate.admit(QStringLiteral("claude:default"), 300);
        const UsageSnapshot s = adapter.fetchUsage(false);
        EXPECT_TRUE(runner.calls().empty()) << "another provider's probe holds the slot";
        EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
        EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::notConfigured);
        EXPECT_EQ(s.provider, AIProviderType::antigravity);
    }
    runner.setOutput(std::nullopt); // missing client or time-out
    EXPECT_EQ(adapter.fetchUsage(true).strategyUsed, FetchStrategy::simulated);
    clock.advance(180);
    LogCapture log("com.meterix.provider");
    runner.setOutput(QStringLiteral("Gemini Models\tFive Hour Limit Remaining\tinf%\n"));
    EXPECT_EQ(adapter.fetchUsage(true).strategyUsed, FetchStrategy::simulated);
    EXPECT_TRUE(log.contains(QStringLiteral("agy output parsing returned nil")));
    clock.advance(180);
    runner.setOutput(QString());
    EXPECT_EQ(adapter.fetchUsage(true).strategyUsed, FetchStrategy::simulated);
    EXPECT_EQ(runner.calls().size(), 3u);
}

TEST_F(Adapter, AFailedProbeFallsBackToTheLastReadingHoweverOld) {
    runner.setOutput(kTabTable);
    const UsageSnapshot first = adapter.fetchUsage(false);
    clock.advance(86400);
    runner.setOutput(QStringLiteral("Error: quota service unavailable"));
    EXPECT_EQ(adapter.fetchUsage(false), first);
    clock.advance(180);
    runner.setOutput(std::nullopt);
    EXPECT_EQ(adapter.fetchUsage(false), first);
    EXPECT_EQ(runner.calls().size(), 3u);
}

TEST_F(Adapter, ConcurrentFetchesRunOneProbe) {
    runner.setOutput(kTabTable);
    std::vector<std::thread> threads;
    std::atomic<int> withFigures{0};
    std::atomic<int> placeholders{0};
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            const UsageSnapshot s = adapter.fetchUsage(true);
            (s.strategyUsed == FetchStrategy::cliStatusProbe ? withFigures : placeholders)++;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(runner.calls().size(), 1u) << "one slot, then the floor";
    EXPECT_GE(withFigures.load(), 1);
    EXPECT_EQ(withFigures + placeholders, 8);
    EXPECT_FALSE(gate.isBusy());
}

TEST_F(Adapter, AvailabilityFollowsTheClientsPlaces) {
    EXPECT_FALSE(adapter.checkAvailability());
    EXPECT_FALSE(adapter.isDetected());
    home.write(QStringLiteral(".local/bin/agy"), "not executable");
    EXPECT_FALSE(adapter.checkAvailability()) << "a plain file in ~/.local/bin is no client";
    test::writeScript(home, QStringLiteral(".local/bin/agy"), "exit 0\n");
    EXPECT_TRUE(adapter.checkAvailability());
    EXPECT_TRUE(adapter.isDetected());

    TempHome other;
    AntigravityAdapter withFolder(HostEnvironment::underHome(other.path()), gate, runner, clock, {});
    other.write(QStringLiteral(".gemini/antigravity-cli"), "a file counts too");
    EXPECT_TRUE(withFolder.checkAvailability());

    TempHome third;
    const QString systemClient = third.file(QStringLiteral("usr-local-bin/agy"));
    AntigravityAdapter withSystemClient(HostEnvironment::underHome(third.path()), gate, runner, clock, {systemClient});
    EXPECT_FALSE(withSystemClient.checkAvailability());
    third.write(QStringLiteral("usr-local-bin/agy"), "");
    EXPECT_TRUE(withSystemClient.checkAvailability());
}

TEST_F(AgyClient, AFakeClientInTheHomeFolderIsProbedAndRead) {
    // Prints its table only for the usage command, blank-aligned like a terminal.
    test::writeScript(home, QStringLiteral(".local/bin/agy"),
                     "if [ \"$1\" = -p ] && [ \"$2\" = /usage ]; then\n"
                     "  printf 'Gemini Models           Five Hour Limit Remaining   64%%   2026-03-01T11:00:00Z\\n'\n"
                     "  printf 'Gemini 3 Flash\\tGemini 3 Flash Weekly Limit\\t33.5%%\\n'\n"
                     "else echo \"unexpected: $*\"; fi\n");
    ASSERT_TRUE(adapter.checkAvailability());
    const UsageSnapshot s = adapter.fetchUsage(false);
    EXPECT_EQ(s.strategyUsed, FetchStrategy::cliStatusProbe);
    EXPECT_EQ(s.hourlyRemainingPercentage, 64);
    EXPECT_EQ(s.hourlyResetCountdown, 3600);
    EXPECT_EQ(s.weeklyRemainingPercentage, 33.5);
    ASSERT_EQ(s.modelQuotas.size(), 2);
    EXPECT_EQ(s.modelQuotas[1].name, QStringLiteral("Gemini 3 Flash weekly"));
}

TEST_F(AgyClient, AClientPrintingAMalformedTableYieldsNoWrongFigure) {
    test::writeScript(home, QStringLiteral(".local/bin/agy"),
                     "printf 'Gemini Models\\tFive Hour Limit Remaining\\tnan%%\\n'\n"
                     "printf 'Claude and GPT models\\tWeekly Limit Remaining\\t1e400%%\\n'\n"
                     "printf 'Gemini Models  Five Hour Limit Remaining\\n'\n");
    const UsageSnapshot s = adapter.fetchUsage(false);
    EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
    EXPECT_EQ(s.hourlyRemainingPercentage, 0);
    EXPECT_TRUE(s.modelQuotas.isEmpty());
}
