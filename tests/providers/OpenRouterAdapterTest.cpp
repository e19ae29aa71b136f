#include "providers/OpenRouterAdapter.h"

#include "support/FakeEnvironment.h"
#include "support/FakeTransport.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace meterix::test {
namespace {

class OpenRouterTest : public ::testing::Test {
protected:
    OpenRouterTest() { env.set(QStringLiteral("OPENROUTER_API_KEY"), QStringLiteral("sk-or-test")); }

    // Answers by path: the credits and the key request.
    UsageSnapshot fetch(std::pair<QByteArray, UsageResponse> credits, std::pair<QByteArray, UsageResponse> key) {
        transport.respond([=](const UsageRequest& r) { return r.url.path().endsWith("/credits") ? credits : key; });
        return adapter().fetchUsage(false);
    }
    UsageSnapshot fetch(const char* credits, const char* key) {
        return fetch(FakeTransport::answer(200, credits), FakeTransport::answer(200, key));
    }
    OpenRouterAdapter adapter() {
        return OpenRouterAdapter(transport, QStringLiteral("https://or.test"), home.path(), env.lookup());
    }

    TempHome home;
    FakeEnvironment env;
    FakeTransport transport;
};

TEST_F(OpenRouterTest, AnOverspentBalanceWithAFailedKeyRequest) {
    const UsageSnapshot s = fetch(FakeTransport::answer(200, R"({"data":{"total_credits":10,"total_usage":12.5}})"),
                                  FakeTransport::answer(500, "{}"));
    ASSERT_EQ(s.modelQuotas.size(), 1);
    EXPECT_EQ(s.modelQuotas[0], ModelQuotaItem(QStringLiteral("Account balance ($0.00)"), 0, QStringLiteral("Prepaid Balance")));
    EXPECT_EQ(s.hourlyRemainingPercentage, 0);
    EXPECT_EQ(s.weeklyRemainingPercentage, 0);
    EXPECT_EQ(s.hourlyQuotaName, QStringLiteral("Account balance"));
}

TEST_F(OpenRouterTest, AnUnlimitedKeyWithoutCredits) {
    const UsageSnapshot s = fetch(R"({"data":{"total_credits":0,"total_usage":0}})", R"({"data":{"limit":null,"usage":3.2}})");
    EXPECT_EQ(s.hourlyRemainingPercentage, 100);
    EXPECT_EQ(s.hourlyQuotaName, QStringLiteral("API key (unlimited)"));
    EXPECT_EQ(s.weeklyRemainingPercentage, std::nullopt);
    ASSERT_EQ(s.modelQuotas.size(), 1);
    EXPECT_EQ(s.modelQuotas[0], ModelQuotaItem(QStringLiteral("API key ($3.20 used)"), 100, QStringLiteral("Key Limit"),
                                               std::nullopt, std::nullopt, QStringLiteral("Unlimited")));
}

TEST_F(OpenRouterTest, ABudgetedKeyLeadsAndTheBalanceFollows) {
    const UsageSnapshot s = fetch(R"({"data":{"total_credits":50,"total_usage":10}})",
                                  R"({"data":{"limit":20,"limit_remaining":5,"is_free_tier":true}})");
    EXPECT_EQ(s.hourlyRemainingPercentage, 25);
    EXPECT_EQ(s.hourlyQuotaName, QStringLiteral("API key budget"));
    EXPECT_EQ(s.weeklyRemainingPercentage, 80);
    ASSERT_EQ(s.modelQuotas.size(), 2);
    EXPECT_EQ(s.modelQuotas[0], ModelQuotaItem(QStringLiteral("API key budget ($5.00 / $20.00)"), 25, QStringLiteral("Free Tier Key")));
    EXPECT_EQ(s.modelQuotas[1], ModelQuotaItem(QStringLiteral("Account balance ($40.00)"), 80, QStringLiteral("Prepaid Balance")));
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
        UsageResponse sent;
        sent.headers = r.headers;
        EXPECT_EQ(sent.header("X-Title"), "Meterix");
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
        EXPECT_EQ(s.modelQuotas[0].name, *row.balanceItem) << row.credits;
        for (const ModelQuotaItem& item : s.modelQuotas)
            EXPECT_FALSE(item.name.contains(u"inf")) << row.credits;
    }
}

} // namespace
} // namespace meterix::test
