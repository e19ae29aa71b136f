#include "providers/antigravity/AntigravityAdapter.h"

#include "core/IsoDate.h"
#include "support/HostUnderHome.h"
#include "support/Readings.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/Worded.h"

#include <QFile>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

using namespace meterix;
using meterix::test::FakeClock;
using meterix::test::TempHome;

namespace {

const QDateTime kNow = *parseRfc3339(QStringLiteral("2026-03-01T10:00:00Z"));

std::optional<UsageSnapshot> parse(const QString& text) { return AntigravityAdapter::parseAgyUsageOutput(text, kNow); }

QString row(const char* name, const char* slot, const QString& percent, const char* reset = "") {
    return QStringLiteral("%1\t%2\t%3\t%4\n").arg(QLatin1String(name), QLatin1String(slot), percent, QLatin1String(reset));
}

// Prints what the test sets; records each call and whether the gate was held.
class FakeRunner : public CLIProcessRunner {
  public:
    // Looks clients up in the given home, with the system's folders below it too.
    FakeRunner(const ProbeGate& gate, const QString& home)
        : CLIProcessRunner(test::hostUnderHome(home),
                           Options{.systemRoot = home + QStringLiteral("/root")}),
          gate_(gate) {}
    std::optional<QString> run(const QString& command, const QStringList& arguments, double timeout,
                               const EnvironmentOverrides& environment, const std::optional<QString>& cwd) override {
        std::lock_guard lock(mutex);
        calls.append(QStringList{command} + arguments +
                     QStringList{QString::number(timeout), QString::number(environment.size()),
                                 cwd.value_or(QStringLiteral("-")), gate_.isBusy() ? QStringLiteral("held") : QString()});
        return output;
    }
    std::mutex mutex;
    QList<QStringList> calls;
    std::optional<QString> output;

  private:
    const ProbeGate& gate_;
};

const QString kTable = row("Model", "Quota", QStringLiteral("Remaining"), "Resets") +
                       row("Gemini Models", "Five Hour Limit Remaining", QStringLiteral("80%"), "2026-03-01T12:30:00.250Z") +
                       row("Claude and GPT models", "Weekly Limit Remaining", QStringLiteral("40%"), "2026-03-05T10:00:00Z");

class Adapter : public ::testing::Test {
  protected:
    TempHome home;
    FakeClock clock{kNow};
    ProbeGate gate{clock};
    FakeRunner runner{gate, home.path()};
    AntigravityAdapter adapter{test::hostUnderHome(home.path()), gate, runner, clock};
};

// The real runner starting a fake client from the home folder.
class AgyClient : public Adapter {
  protected:
    CLIProcessRunner realRunner{test::hostUnderHome(home.path()),
                                CLIProcessRunner::Options{.candidateFolders = {home.file(QStringLiteral(".local/bin"))}}};
    AntigravityAdapter realAdapter{test::hostUnderHome(home.path()), gate, realRunner, clock};
};

} // namespace

TEST(AgyTable, TabAndBlankAlignedTablesGiveTheSameSnapshot) {
    QString aligned = kTable;
    aligned.replace(QLatin1Char('\t'), QStringLiteral("    "));
    for (const QString& table : {kTable, aligned}) {
        const auto s = parse(table);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->headlineQuotaName, QuotaLabel(QuotaKind::fiveHourOf).withSubject(QStringLiteral("Gemini")));
        EXPECT_EQ(s->headlineRemainingPercentage, 80);
        EXPECT_EQ(s->headlineResetAt, test::resetIn(*s, 9000.25));
        EXPECT_EQ(s->weeklyRemainingPercentage, 40);
        EXPECT_EQ(s->weeklyResetAt, test::resetIn(*s, 4 * 86400.0));
        ASSERT_EQ(s->modelQuotas.size(), 2);
        EXPECT_EQ(labelText(s->modelQuotas[0].quotaType), QStringLiteral("5-Hour Session"));
        EXPECT_EQ(labelText(s->modelQuotas[1].name), QStringLiteral("Claude/GPT weekly"));
        EXPECT_EQ(labelText(s->modelQuotas[1].quotaType), QStringLiteral("Weekly Limit"));
        EXPECT_EQ(s->strategyUsed, FetchStrategy::cliStatusProbe);
        EXPECT_EQ(s->capturedAt, kNow);
        EXPECT_EQ(s->totalTokens, 100000);
    }
}

TEST(AgyTable, WeeklyRowsAndSingleModelRows) {
    const auto weekly = parse(row("Gemini Models", "Weekly Limit Remaining", QStringLiteral("55%")) +
                              row("Claude and GPT models", "Weekly Limit Remaining", QStringLiteral("70%")));
    ASSERT_TRUE(weekly);
    EXPECT_EQ(weekly->headlineQuotaName, QuotaLabel(QuotaKind::weeklyOf).withSubject(QStringLiteral("Gemini")));
    EXPECT_FALSE(weekly->weeklyRemainingPercentage) << "the first weekly entry is the primary itself";
    EXPECT_EQ(weekly->modelQuotas.size(), 2);

    const auto model = parse(QStringLiteral("GEMINI 2.5 Pro   gemini 2.5 pro weekly limit   30%\n") +
                             row("Gemini Models", "Five Hour Limit Remaining", QStringLiteral("90%")));
    ASSERT_TRUE(model);
    EXPECT_EQ(model->weeklyRemainingPercentage, 30);
    ASSERT_EQ(model->modelQuotas.size(), 2);
    EXPECT_EQ(labelText(model->modelQuotas[1].name), QStringLiteral("GEMINI 2.5 Pro weekly")) << "as written, after the fixed ones";
}

TEST(AgyTable, OnlyFiniteNumbersAreFigures) {
    for (const char* bad : {"nan%", "inf%", "-infinity%", "1e400%", "0x50%", "80 %x", "many%"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parse(row("Gemini Models", "Five Hour Limit Remaining", QLatin1String(bad))));
        // A later row replaces the slot even without a figure.
        EXPECT_FALSE(parse(row("Gemini Models", "Five Hour Limit Remaining", QStringLiteral("80%")) +
                           row("Gemini Models", "Five Hour Limit Remaining", QLatin1String(bad))));
    }
    EXPECT_EQ(parse(row("Gemini Models", "Five Hour Limit Remaining", QStringLiteral("101%")))->headlineRemainingPercentage, 100);
    EXPECT_FALSE(parse(QStringLiteral("Error: not signed in\nGemini Models  Five Hour Limit Remaining\n")));
    EXPECT_FALSE(parse(row("Someone", "Five Hour Limit Remaining", QStringLiteral("50%"))));
}

TEST(AgyTable, ResetTimes) {
    auto countdown = [](const char* reset) {
        const auto s = parse(row("Gemini Models", "Five Hour Limit Remaining", QStringLiteral("50%"), reset));
        return s->headlineResetAt ? std::optional(secondsBetween(s->capturedAt, *s->headlineResetAt)) : std::nullopt;
    };
    EXPECT_EQ(countdown("2026-03-01T10:00:30.500Z"), 30.5);
    EXPECT_EQ(countdown("2026-03-01T12:00:00+01:00"), 3600);
    EXPECT_EQ(countdown("2026-02-28T10:00:00Z"), 0) << "already past";
    EXPECT_EQ(countdown("in 3 hours"), std::nullopt);
    EXPECT_EQ(countdown("2026-03-01T11:00:00"), std::nullopt) << "no zone";
}

// The tables of tests/data/antigravity, read at a moment two hours before the
// Gemini 5-hour window resets.
TEST(AgyTable, TablesAsTheClientPrintsThem) {
    const QDateTime now = *parseRfc3339(QStringLiteral("2026-12-10T05:12:00Z"));
    const struct {
        const char* table;
        std::optional<QString> primary;
        double primaryRemaining;
        std::optional<double> primaryReset;
        std::optional<double> weekly;
        QStringList items;
    } rows[] = {
        {"tab", QStringLiteral("Gemini 5-hour"), 62.5, 7200, 95,
         {QStringLiteral("Gemini 5-hour 62.5"), QStringLiteral("Claude/GPT 5-hour 100"), QStringLiteral("Gemini weekly 95"),
          QStringLiteral("Claude/GPT weekly 100")}},
        {"aligned", QStringLiteral("Gemini weekly"), 55, 6 * 86400.0 + 14 * 3600 + 21 * 60, std::nullopt,
         {QStringLiteral("Gemini weekly 55"), QStringLiteral("Claude/GPT weekly 70"), QStringLiteral("Gemini 3 Pro weekly 30")}},
        {"not-signed-in", std::nullopt, 0, std::nullopt, std::nullopt, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.table);
        const auto s = AntigravityAdapter::parseAgyUsageOutput(
            QString::fromUtf8(test::testData(QStringLiteral("antigravity/agy-usage-%1.txt").arg(QLatin1String(row.table)))), now);
        ASSERT_EQ(s.has_value(), row.primary.has_value());
        if (!s) continue;
        EXPECT_EQ(labelText(s->headlineQuotaName), row.primary);
        test::expectOnlyKindsOrOwnNames(*s);
        EXPECT_EQ(s->headlineRemainingPercentage, row.primaryRemaining);
        EXPECT_EQ(s->headlineResetAt, test::resetIn(*s, row.primaryReset));
        EXPECT_EQ(s->weeklyRemainingPercentage, row.weekly);
        QStringList items;
        for (const ModelQuotaItem& item : s->modelQuotas)
            items.append(labelText(item.name) + QLatin1Char(' ') + QString::number(item.remainingPercentage));
        EXPECT_EQ(items, row.items);
    }
}

// Without a reading to fall back on, an installed client that gave no figure
// (not signed in, or the probe slot taken) is not measured; a missing one is
// not configured.
TEST_F(Adapter, ThePlaceholderSaysWhetherTheClientIsInstalled) {
    const QString notSignedIn = QString::fromUtf8(test::testData(QStringLiteral("antigravity/agy-usage-not-signed-in.txt")));
    const struct {
        const char* name;
        bool installed;
        bool slotTaken;
        UsageUnavailableReason reason;
    } rows[] = {
        {"not installed", false, false, UsageUnavailableReason::notConfigured},
        {"not installed, slot taken", false, true, UsageUnavailableReason::notConfigured},
        {"installed, not signed in", true, false, UsageUnavailableReason::notMeasured},
        {"installed, slot taken", true, true, UsageUnavailableReason::notMeasured},
    };
    runner.output = notSignedIn;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.installed) home.mkdir(QStringLiteral(".gemini/antigravity-cli"));
        clock.advance(181);
        std::optional<ProbeGate::Ticket> other;
        if (row.slotTaken) {
            ASSERT_TRUE(static_cast<bool>(other.emplace(gate.admit(QStringLiteral("claude:default"), 300))));
        }
        const UsageSnapshot s = adapter.fetchUsage(false);
        EXPECT_EQ(s.unavailableReason, row.reason);
        EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
        EXPECT_TRUE(s.modelQuotas.isEmpty());
        EXPECT_EQ(s.capturedAt, clock.now());
    }
}

TEST_F(Adapter, AProbeIsReusedFor900SecondsAndRepeatedAtMostEvery180) {
    test::LogCapture log("com.meterix.provider");
    runner.output = kTable;
    const UsageSnapshot first = adapter.fetchUsage(false);
    ASSERT_EQ(runner.calls.size(), 1);
    EXPECT_EQ(runner.calls[0], (QStringList{QStringLiteral("agy"), QStringLiteral("-p"), QStringLiteral("/usage"),
                                            QStringLiteral("20"), QStringLiteral("0"),
                                            home.file(QStringLiteral(".local/share/Meterix-AntigravityProbe")),
                                            QStringLiteral("held")}));
    EXPECT_FALSE(gate.isBusy());
    EXPECT_TRUE(log.contains(QStringLiteral("Running live CLI probe: agy -p /usage")));
    EXPECT_TRUE(log.contains(QStringLiteral("Parsed agy snapshot: 5h=80.000000%")));

    runner.output = row("Gemini Models", "Five Hour Limit Remaining", QStringLiteral("10%"));
    clock.advance(179);
    EXPECT_EQ(adapter.fetchUsage(true), first) << "forced, but inside the floor";
    clock.advance(721);
    EXPECT_EQ(adapter.fetchUsage(false), first) << "900 s old is still fresh";
    EXPECT_EQ(runner.calls.size(), 1);
    clock.advance(1);
    EXPECT_EQ(adapter.fetchUsage(false).headlineRemainingPercentage, 10);
}

TEST_F(Adapter, FailuresFallBackToTheLastReadingElseThePlaceholder) {
    {
        const auto other = gate.admit(QStringLiteral("claude:default"), 300);
        const UsageSnapshot s = adapter.fetchUsage(false);
        EXPECT_TRUE(runner.calls.isEmpty()) << "another provider's probe holds the slot";
        EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
        EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::notConfigured);
    }
    runner.output = kTable;
    const UsageSnapshot good = adapter.fetchUsage(true);
    for (const std::optional<QString>& output : {std::optional<QString>(), std::optional<QString>(QString()),
                                                 std::optional<QString>(QStringLiteral("Error: quota service down"))}) {
        clock.advance(86400);
        runner.output = output;
        EXPECT_EQ(adapter.fetchUsage(false), good) << "however old";
    }
    EXPECT_EQ(runner.calls.size(), 4);
}

TEST_F(Adapter, ConcurrentFetchesRunOneProbe) {
    runner.output = kTable;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) threads.emplace_back([&] { adapter.fetchUsage(true); });
    for (auto& t : threads) t.join();
    EXPECT_EQ(runner.calls.size(), 1) << "one slot, then the floor";
    EXPECT_EQ(adapter.fetchUsage(false).headlineRemainingPercentage, 80);
}

TEST_F(Adapter, AvailabilityFollowsWhereTheProbeFindsAClient) {
    EXPECT_FALSE(adapter.checkAvailability());
    home.write(QStringLiteral(".local/bin/agy"), "not executable");
    EXPECT_FALSE(adapter.checkAvailability());
    home.writeScript(QStringLiteral(".local/bin/agy"), "exit 0\n");
    EXPECT_TRUE(adapter.checkAvailability());
    EXPECT_TRUE(adapter.isDetected());

    TempHome other;
    FakeRunner otherRunner(gate, other.path());
    AntigravityAdapter elsewhere(test::hostUnderHome(other.path()), gate, otherRunner, clock);
    EXPECT_FALSE(elsewhere.checkAvailability());
    other.writeScript(QStringLiteral("root/usr/bin/agy"), "exit 0\n");
    EXPECT_TRUE(elsewhere.checkAvailability()) << "installed by npm or the distribution";
    QFile::remove(other.file(QStringLiteral("root/usr/bin/agy")));
    other.mkdir(QStringLiteral(".gemini/antigravity-cli"));
    EXPECT_TRUE(elsewhere.checkAvailability()) << "the client's own folder";
}

TEST_F(AgyClient, AFakeClientsTableBecomesASnapshot) {
    home.writeScript(QStringLiteral(".local/bin/agy"),
                      "[ \"$*\" = '-p /usage' ] || exit 1\n"
                      "printf 'Gemini Models           Five Hour Limit Remaining   64%%   2026-03-01T11:00:00Z\\n'\n"
                      "printf 'Gemini 3 Flash\\tGemini 3 Flash Weekly Limit\\t33.5%%\\n'\n");
    const UsageSnapshot s = realAdapter.fetchUsage(false);
    EXPECT_EQ(s.strategyUsed, FetchStrategy::cliStatusProbe);
    EXPECT_EQ(s.headlineRemainingPercentage, 64);
    EXPECT_EQ(s.headlineResetAt, test::resetIn(s, 3600));
    EXPECT_EQ(s.weeklyRemainingPercentage, 33.5);
}

TEST_F(AgyClient, AMalformedTableYieldsNoWrongFigure) {
    home.writeScript(QStringLiteral(".local/bin/agy"),
                      "printf 'Gemini Models\\tFive Hour Limit Remaining\\tnan%%\\n'\n"
                      "printf 'Claude and GPT models\\tWeekly Limit Remaining\\t1e400%%\\n'\n");
    const UsageSnapshot s = realAdapter.fetchUsage(false);
    EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
    EXPECT_TRUE(s.modelQuotas.isEmpty());
}

