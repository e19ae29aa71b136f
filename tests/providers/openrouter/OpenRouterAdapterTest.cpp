#include "providers/openrouter/OpenRouterAdapter.h"

#include "support/FakeClock.h"
#include "support/FakeEnvironment.h"
#include "support/FakeTransport.h"
#include "support/TempHome.h"
#include "support/Worded.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace meterix::test {
namespace {

class OpenRouterTest : public ::testing::Test {
protected:
    OpenRouterTest() { env.set(QStringLiteral("OPENROUTER_API_KEY"), QStringLiteral("sk-or-test")); }

    // Answers by path: the credits and the key request.
    UsageSnapshot fetch(UsageAnswer credits, UsageAnswer key) {
        transport.respond([=](const UsageRequest& r) { return r.url.path().endsWith("/credits") ? credits : key; });
        return adapter().fetchUsage(false);
    }
    UsageSnapshot fetch(const char* credits, const char* key) {
        return fetch(FakeTransport::answer(200, credits), FakeTransport::answer(200, key));
    }
    OpenRouterAdapter adapter() {
        return OpenRouterAdapter(transport, QStringLiteral("https://or.test"), home.path(), env.lookup(), clock);
    }

    TempHome home;
    FakeEnvironment env;
    FakeTransport transport;
    FakeClock clock; // Thursday 2026-01-15 12:00 UTC
};

TEST_F(OpenRouterTest, AnOverspentBalanceWithAFailedKeyRequest) {
    const UsageSnapshot s = fetch(FakeTransport::answer(200, R"({"data":{"total_credits":10,"total_usage":12.5}})"),
                                  FakeTransport::answer(500, "{}"));
    ASSERT_EQ(s.modelQuotas.size(), 1);
    EXPECT_EQ(s.modelQuotas[0], ModelQuotaItem(QuotaLabel(QuotaKind::accountBalance).withAmount(QStringLiteral("$0.00")), 0,
                                               QuotaKind::prepaidBalance));
    EXPECT_EQ(s.headlineRemainingPercentage, 0);
    EXPECT_EQ(s.weeklyRemainingPercentage, 0);
    EXPECT_EQ(s.headlineQuotaName, QuotaLabel(QuotaKind::accountBalance));
}

TEST_F(OpenRouterTest, AnUnlimitedKeyWithoutCredits) {
    const UsageSnapshot s = fetch(R"({"data":{"total_credits":0,"total_usage":0}})", R"({"data":{"limit":null,"usage":3.2}})");
    EXPECT_EQ(s.headlineRemainingPercentage, 100);
    EXPECT_EQ(s.headlineQuotaName, QuotaLabel(QuotaKind::keyUnlimited));
    EXPECT_EQ(s.weeklyRemainingPercentage, std::nullopt);
    ASSERT_EQ(s.modelQuotas.size(), 1);
    EXPECT_EQ(test::worded(s.modelQuotas[0]), ModelQuotaItem(QStringLiteral("API key ($3.20 used)"), 100, QStringLiteral("Key Limit"),
                                               std::nullopt, QStringLiteral("Unlimited")));
}

TEST_F(OpenRouterTest, ABudgetedKeyLeadsAndTheBalanceFollows) {
    const UsageSnapshot s = fetch(R"({"data":{"total_credits":50,"total_usage":10}})",
                                  R"({"data":{"limit":20,"limit_remaining":5,"is_free_tier":true}})");
    EXPECT_EQ(s.headlineRemainingPercentage, 25);
    EXPECT_EQ(s.headlineQuotaName, QuotaLabel(QuotaKind::keyBudget));
    EXPECT_EQ(s.weeklyRemainingPercentage, 80);
    ASSERT_EQ(s.modelQuotas.size(), 2);
    EXPECT_EQ(s.modelQuotas[0],
              ModelQuotaItem(QuotaLabel(QuotaKind::keyBudget).withAmount(QStringLiteral("$5.00")).withTotal(QStringLiteral("$20.00")),
                             25, QuotaKind::freeTierKey));
    EXPECT_EQ(s.modelQuotas[1], ModelQuotaItem(QuotaLabel(QuotaKind::accountBalance).withAmount(QStringLiteral("$40.00")),
                                               80, QuotaKind::prepaidBalance));
}

TEST_F(OpenRouterTest, WithoutCreditsOrAUsableBudgetNothingIsMeasured) {
    EXPECT_EQ(fetch(R"({"data":{"total_credits":0,"total_usage":0}})", R"({"data":{"limit":0}})").unavailableReason,
              UsageUnavailableReason::notMeasured);
    const UsageSnapshot s = fetch(R"({"data":{"total_credits":0,"total_usage":0}})", R"({"data":{"limit":20,"limit_remaining":null}})");
    EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::notMeasured);
    EXPECT_TRUE(s.modelQuotas.isEmpty());
}

TEST_F(OpenRouterTest, TheCreditsAnswerDecidesFailures) {
    EXPECT_EQ(fetch(FakeTransport::answer(429, "{}"), FakeTransport::answer(200, R"({"data":{"limit":null}})")).unavailableReason,
              UsageUnavailableReason::rateLimited);
    for (const char* credits : {R"({"total_credits":1,"total_usage":0})", R"({"data":{"total_credits":1,"total_usage":"0"}})",
                                R"({"data":{"total_credits":1}})", "nonsense"})
        EXPECT_EQ(fetch(credits, R"({"data":{"limit":null}})").unavailableReason, UsageUnavailableReason::malformedResponse)
            << credits;
}

TEST_F(OpenRouterTest, BothRequestsAreInFlightAtOnceAndTheKeyRequestEndsBeforeTheFetch) {
    std::mutex mutex;
    std::condition_variable changed;
    int arrived = 0;
    bool keyDone = false;
    transport.respond([&](const UsageRequest& r) {
        std::unique_lock lock(mutex);
        ++arrived;
        changed.notify_all();
        // Each request waits for the other: this only passes when they overlap.
        const bool both = changed.wait_for(lock, std::chrono::seconds(30), [&] { return arrived == 2; });
        if (r.url.path().endsWith("/key")) {
            keyDone = true;
            return FakeTransport::answer(200, "{}");
        }
        return FakeTransport::answer(both ? 503 : 200, "{}");
    });
    const UsageSnapshot s = adapter().fetchUsage(false);
    EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::providerError);
    std::lock_guard lock(mutex);
    EXPECT_TRUE(keyDone);
    ASSERT_EQ(transport.requests().size(), 2);
    for (const UsageRequest& r : transport.requests()) {
        EXPECT_EQ(headerValue(r.headers, "X-Title"), "Meterix");
        EXPECT_EQ(r.timeout, std::chrono::seconds(8));
    }
}

// Two huge finite figures whose difference is infinite used to print "$inf".
TEST_F(OpenRouterTest, ABalanceThatIsNoFiniteAmountIsLeftOut) {
    const struct {
        const char* credits;
        std::optional<QString> balanceItem;
    } rows[] = {
        {R"({"data":{"total_credits":1.7e308,"total_usage":-1.7e308}})", std::nullopt},
        {R"({"data":{"total_credits":1.7e308,"total_usage":0}})",
         QStringLiteral("Account balance ($") + QString::number(1.7e308, 'f', 2) + QStringLiteral(")")},
        {R"({"data":{"total_credits":10,"total_usage":2.5}})", QStringLiteral("Account balance ($7.50)")},
    };
    for (const auto& row : rows) {
        const UsageSnapshot s =
            fetch(FakeTransport::answer(200, row.credits), FakeTransport::answer(500, "{}"));
        if (!row.balanceItem) {
            EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::notMeasured) << row.credits;
            EXPECT_TRUE(s.modelQuotas.isEmpty()) << row.credits;
            continue;
        }
        ASSERT_EQ(s.modelQuotas.size(), 1) << row.credits;
        EXPECT_EQ(labelText(s.modelQuotas[0].name), *row.balanceItem) << row.credits;
        for (const ModelQuotaItem& item : s.modelQuotas)
            EXPECT_FALSE(labelText(item.name).contains(u"inf")) << row.credits;
    }
}

// An ordinary key may not read the account's credits (403, "Only management
// keys can perform this operation") but always reads its own budget: the
// snapshot then comes from the key alone. Limits reset at midnight UTC.
TEST_F(OpenRouterTest, AKeyRefusedTheCreditsStandsAlone) {
    const auto key = [](const char* limit, const char* remaining, const char* reset, const char* usage) {
        return QStringLiteral(R"({"data":{"label":"sk-or-v1-a1b...f00","limit":%1,"limit_remaining":%2,
            "limit_reset":%3,"usage":%4,"usage_daily":0.05,"usage_weekly":0.3,"usage_monthly":%4,
            "is_free_tier":false,"is_provisioning_key":false}})")
            .arg(QLatin1String(limit), QLatin1String(remaining), QLatin1String(reset), QLatin1String(usage))
            .toUtf8();
    };
    const QByteArray refused = R"({"error":{"code":403,"message":"Only management keys can perform this operation"}})";
    const QDateTime midnight(QDate(2026, 1, 16), QTime(0, 0), Qt::UTC);
    const struct {
        const char* what;
        int creditsStatus;
        QByteArray creditsBody;
        UsageAnswer keyAnswer;
        std::optional<UsageUnavailableReason> reason;
        double hourly;
        std::optional<QString> quotaName;
        std::optional<double> weekly;
        QList<ModelQuotaItem> items;
        std::optional<QDateTime> resetAt;
    } rows[] = {
        {"no limit", 403, refused, FakeTransport::answer(200, key("null", "null", "null", "0.65")), std::nullopt, 100,
         QStringLiteral("API key (unlimited)"), std::nullopt,
         {ModelQuotaItem(QStringLiteral("API key ($0.65 used)"), 100, QStringLiteral("Key Limit"), std::nullopt,
                         QStringLiteral("Unlimited"))},
         std::nullopt},
        {"a daily limit, refused with 401", 401, "{}",
         FakeTransport::answer(200, key("10", "7.5", "\"daily\"", "2.5")), std::nullopt, 75,
         QStringLiteral("API key budget"), std::nullopt,
         {ModelQuotaItem(QStringLiteral("API key budget ($7.50 / $10.00)"), 75, QStringLiteral("Key Limit"), midnight)},
         midnight},
        {"a weekly limit: next Monday", 403, refused,
         FakeTransport::answer(200, key("20", "5", "\"weekly\"", "15")), std::nullopt, 25,
         QStringLiteral("API key budget"), std::nullopt,
         {ModelQuotaItem(QStringLiteral("API key budget ($5.00 / $20.00)"), 25, QStringLiteral("Key Limit"),
                         QDateTime(QDate(2026, 1, 19), QTime(0, 0), Qt::UTC))},
         QDateTime(QDate(2026, 1, 19), QTime(0, 0), Qt::UTC)},
        {"a monthly limit: the first", 403, refused,
         FakeTransport::answer(200, key("20", "20", "\"monthly\"", "0")), std::nullopt, 100,
         QStringLiteral("API key budget"), std::nullopt,
         {ModelQuotaItem(QStringLiteral("API key budget ($20.00 / $20.00)"), 100, QStringLiteral("Key Limit"),
                         QDateTime(QDate(2026, 2, 1), QTime(0, 0), Qt::UTC))},
         QDateTime(QDate(2026, 2, 1), QTime(0, 0), Qt::UTC)},
        {"a limit of 0", 403, refused, FakeTransport::answer(200, key("0", "0", "null", "1")),
         UsageUnavailableReason::notMeasured, 0, std::nullopt, std::nullopt, {}, std::nullopt},
        {"the key request fails too", 403, refused, FakeTransport::answer(500, "{}"),
         UsageUnavailableReason::authenticationFailed, 0, std::nullopt, std::nullopt, {}, std::nullopt},
        {"an answer that is no key's", 403, refused, FakeTransport::answer(200, R"({"data":{"limit":null}})"),
         UsageUnavailableReason::authenticationFailed, 0, std::nullopt, std::nullopt, {}, std::nullopt},
        {"other credit failures keep their reason", 500, "{}",
         FakeTransport::answer(200, key("null", "null", "null", "0.65")), UsageUnavailableReason::providerError, 0,
         std::nullopt, std::nullopt, {}, std::nullopt},
        {"with credits the budget's reset shows too", 200, R"({"data":{"total_credits":50,"total_usage":10}})",
         FakeTransport::answer(200, key("10", "7.5", "\"daily\"", "2.5")), std::nullopt, 75,
         QStringLiteral("API key budget"), 80,
         {ModelQuotaItem(QStringLiteral("API key budget ($7.50 / $10.00)"), 75, QStringLiteral("Key Limit"), midnight),
          ModelQuotaItem(QStringLiteral("Account balance ($40.00)"), 80, QStringLiteral("Prepaid Balance"))},
         midnight},
        {"an unknown period gives no countdown", 403, refused,
         FakeTransport::answer(200, key("10", "5", "\"hourly\"", "5")), std::nullopt, 50,
         QStringLiteral("API key budget"), std::nullopt,
         {ModelQuotaItem(QStringLiteral("API key budget ($5.00 / $10.00)"), 50, QStringLiteral("Key Limit"))},
         std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const UsageSnapshot s = fetch(FakeTransport::answer(row.creditsStatus, row.creditsBody), row.keyAnswer);
        EXPECT_EQ(s.unavailableReason, row.reason);
        EXPECT_DOUBLE_EQ(s.headlineRemainingPercentage, row.hourly);
        EXPECT_EQ(labelText(s.headlineQuotaName), row.quotaName);
        EXPECT_EQ(s.weeklyRemainingPercentage, row.weekly);
        EXPECT_EQ(test::worded(s.modelQuotas), row.items);
        test::expectOnlyKindsOrOwnNames(s);
        EXPECT_EQ(s.headlineResetAt, row.resetAt);
    }
}

} // namespace
} // namespace meterix::test
