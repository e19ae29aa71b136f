#include "refresh/AccountFiling.h"

#include <gtest/gtest.h>

using namespace meterix;
using namespace meterix::AccountFiling;

namespace {

const QDateTime t0(QDate(2026, 6, 1), QTime(8, 0), Qt::UTC);

UsageSnapshot data(const QString& id, double hourly, const QDateTime& at,
                   std::optional<QString> fp = std::nullopt) {
    UsageSnapshot s(UsageSnapshot::Fields{.provider = AIProviderType::claudeCode,
                                          .headlineRemainingPercentage = hourly,
                                          .lastUpdated = at,
                                          .strategyUsed = FetchStrategy::localFileCache,
                                          .accountID = id,
                                          .capturedAt = at});
    s.credentialFingerprint = fp;
    return s;
}

UsageSnapshot failure(const QString& id, UsageUnavailableReason r, std::optional<QString> fp = std::nullopt) {
    UsageSnapshot s = UsageSnapshot::unavailable(AIProviderType::claudeCode, r, std::nullopt, std::nullopt,
                                                 id, std::nullopt, t0.addSecs(100));
    s.credentialFingerprint = fp;
    return s;
}

const auto noStore = [](const QString&) { return std::optional<UsageSnapshot>(); };

} // namespace

TEST(Filing, ATransientFailureKeepsTheLastGoodFiguresOfTheSameCredential) {
    const QMap<QString, UsageSnapshot> held{{"A", data("A", 60, t0, "fp1")}};
    auto r = merged({failure("A", UsageUnavailableReason::rateLimited, "fp1")}, held, {"A"}, true, noStore);
    EXPECT_EQ(r.byAccount["A"].headlineRemainingPercentage, 60);
    EXPECT_FALSE(r.byAccount["A"].unavailableReason);
    EXPECT_EQ(r.recorded.size(), 1); // the fetched reading is what goes to the store
    EXPECT_TRUE(r.recorded[0].unavailableReason);

    // only one side knows its fingerprint: still the same credential as far as we know
    r = merged({failure("A", UsageUnavailableReason::networkFailure)}, held, {"A"}, true, noStore);
    EXPECT_EQ(r.byAccount["A"].headlineRemainingPercentage, 60);

    // the key changed: the failure is shown
    r = merged({failure("A", UsageUnavailableReason::rateLimited, "fp2")}, held, {"A"}, true, noStore);
    EXPECT_EQ(r.byAccount["A"].unavailableReason, UsageUnavailableReason::rateLimited);
}

TEST(Filing, AfterARestartTheStoredReadingStandsIn) {
    const auto store = [](const QString& id) -> std::optional<UsageSnapshot> {
        if (id == QLatin1String("A")) return data("A", 33, t0, "fp1");
        return std::nullopt;
    };
    auto r = merged({failure("A", UsageUnavailableReason::rateLimited, "fp1")}, {}, {"A"}, true, store);
    EXPECT_EQ(r.byAccount["A"].headlineRemainingPercentage, 33);
    r = merged({failure("A", UsageUnavailableReason::rateLimited, "other")}, {}, {"A"}, true, store);
    EXPECT_TRUE(r.byAccount["A"].unavailableReason);
}

TEST(Filing, DataInABatchIsNotOverwrittenByALaterFailure) {
    auto r = merged({data("A", 50, t0), failure("A", UsageUnavailableReason::networkFailure)}, {}, {"A"},
                    true, noStore);
    EXPECT_EQ(r.byAccount["A"].headlineRemainingPercentage, 50);
    // a reading that is not transient replaces held data
    r = merged({failure("A", UsageUnavailableReason::notMeasured)}, {{"A", data("A", 50, t0)}}, {"A"}, true,
               noStore);
    EXPECT_EQ(r.byAccount["A"].unavailableReason, UsageUnavailableReason::notMeasured);
}

TEST(Filing, LaterCaptureWinsAndTiesGoToTheLaterReading) {
    auto r = merged({data("A", 10, t0.addSecs(60)), data("A", 20, t0)}, {}, {"A"}, true, noStore);
    EXPECT_EQ(r.byAccount["A"].headlineRemainingPercentage, 10);
    r = merged({data("A", 10, t0), data("A", 20, t0)}, {}, {"A"}, true, noStore);
    EXPECT_EQ(r.byAccount["A"].headlineRemainingPercentage, 20);
}

TEST(Filing, AReadingWithoutFiguresOrReasonIsNeverData) {
    UsageSnapshot empty =
        UsageSnapshot::unavailable(AIProviderType::claudeCode, UsageUnavailableReason::notConfigured,
                                   std::nullopt, std::nullopt, QStringLiteral("A"));
    empty.unavailableReason.reset(); // what the Claude and Codex adapters give when nothing is readable
    EXPECT_FALSE(hasData(empty));
    // it cannot push aside newer data, and is not kept over data filed in the same batch
    auto r = merged({data("A", 70, t0), empty}, {}, {"A"}, true, noStore);
    EXPECT_EQ(r.byAccount["A"].headlineRemainingPercentage, 70);
}

TEST(Filing, UnattributedAndPruning) {
    UsageSnapshot loose = data("x", 5, t0);
    loose.accountID.reset();
    const QMap<QString, UsageSnapshot> held{{"gone", data("gone", 1, t0)}, {"B", data("B", 2, t0)}};
    auto r = merged({loose, data("A", 40, t0)}, held, {"A", "B"}, true, noStore);
    ASSERT_TRUE(r.unattributed);
    EXPECT_EQ(r.unattributed->headlineRemainingPercentage, 5);
    EXPECT_FALSE(r.byAccount.contains("gone"));
    EXPECT_TRUE(r.byAccount.contains("B")); // known, not reported: kept
    EXPECT_EQ(r.reported, QSet<QString>{"A"});
    // before the first scan nothing is pruned
    r = merged({}, held, {}, false, noStore);
    EXPECT_TRUE(r.byAccount.contains("gone"));
}

TEST(Filing, RepresentativePrefersRunningAccountsThenRecency) {
    const QMap<QString, UsageSnapshot> map{{"A", data("A", 10, t0.addSecs(100))}, {"B", data("B", 20, t0)}};
    EXPECT_EQ(representativeSnapshot(AIProviderType::claudeCode, map, {}, {})->accountID,
              QStringLiteral("A"));
    EXPECT_EQ(representativeSnapshot(AIProviderType::claudeCode, map, {}, {{AIProviderType::claudeCode, "B"}})
                  ->accountID,
              QStringLiteral("B"));
    // a running key of another provider does not count
    EXPECT_EQ(
        representativeSnapshot(AIProviderType::claudeCode, map, {{AIProviderType::openAICodex, "B"}}, {})
            ->accountID,
        QStringLiteral("A"));
    const QMap<QString, UsageSnapshot> tie{{"A", data("A", 10, t0)}, {"B", data("B", 20, t0)}};
    EXPECT_EQ(representativeSnapshot(AIProviderType::claudeCode, tie, {}, {})->accountID,
              QStringLiteral("A"));
    EXPECT_FALSE(representativeSnapshot(AIProviderType::claudeCode, {}, {}, {}));
}

TEST(Filing, UnattributedFailureKeepsHeldDataUnlessTheKeyChanged) {
    UsageSnapshot held = data("A", 60, t0, "fp1");
    UsageSnapshot fail = failure("A", UsageUnavailableReason::providerError, "fp1");
    fail.accountID.reset();
    EXPECT_FALSE(unattributedReplaces(fail, held));
    fail.credentialFingerprint = QStringLiteral("fp2");
    EXPECT_TRUE(unattributedReplaces(fail, held));
    EXPECT_TRUE(unattributedReplaces(failure("A", UsageUnavailableReason::notConfigured), held));
}
