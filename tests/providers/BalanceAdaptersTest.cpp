// DeepSeek and Kimi: prepaid balances shown as fill levels.
#include "providers/DeepSeekAdapter.h"
#include "providers/KimiAdapter.h"

#include "support/FakeEnvironment.h"
#include "support/FakeTransport.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace meterix::test {
namespace {

class BalanceTest : public ::testing::Test {
protected:
    template <class Adapter> UsageSnapshot fetch(const char* variable, const QByteArray& body) {
        env.set(QLatin1String(variable), QStringLiteral("sk-balance"));
        transport.respond(200, body);
        return Adapter(transport, QStringLiteral("https://api.test"), home.path(), env.lookup()).fetchUsage(false);
    }
    UsageSnapshot deepSeek(const QByteArray& body) { return fetch<DeepSeekAdapter>("DEEPSEEK_API_KEY", body); }
    UsageSnapshot kimi(const QByteArray& body) { return fetch<KimiAdapter>("KIMI_API_KEY", body); }

    TempHome home;
    FakeEnvironment env;
    FakeTransport transport;
};

TEST_F(BalanceTest, DeepSeekShowsTheAmountsAsWritten) {
    const UsageSnapshot s = deepSeek(R"({"is_available":true,"balance_infos":[{"currency":"CNY","total_balance":"10.00",
        "granted_balance":"2.50","topped_up_balance":"7.5"}]})");
    EXPECT_EQ(s.hourlyRemainingPercentage, 50);
    EXPECT_EQ(s.weeklyRemainingPercentage, 50);
    ASSERT_EQ(s.modelQuotas.size(), 3);
    EXPECT_EQ(s.modelQuotas[0], ModelQuotaItem(QStringLiteral("Total Balance (CNY 10.00)"), 50, QStringLiteral("Account Balance")));
    EXPECT_EQ(s.modelQuotas[1], ModelQuotaItem(QStringLiteral("Granted Balance (CNY 2.50)"), 50, QStringLiteral("Credits")));
    EXPECT_EQ(s.modelQuotas[2], ModelQuotaItem(QStringLiteral("Topped Up (CNY 7.5)"), 50, QStringLiteral("Credits")));
}

TEST_F(BalanceTest, DeepSeekBoundsAndDefaults) {
    EXPECT_EQ(deepSeek(R"({"balance_infos":[{"total_balance":"25"}]})").hourlyRemainingPercentage, 100);
    EXPECT_EQ(deepSeek(R"({"balance_infos":[{"total_balance":"-3"}]})").hourlyRemainingPercentage, 0);
    const UsageSnapshot off = deepSeek(R"({"is_available":false,"balance_infos":[{"total_balance":"100.00"}]})");
    EXPECT_EQ(off.hourlyRemainingPercentage, 0);
    for (const ModelQuotaItem& item : off.modelQuotas) EXPECT_EQ(item.remainingPercentage, 0);
    EXPECT_EQ(off.modelQuotas[0].name, QStringLiteral("Total Balance (USD 100.00)"));
    EXPECT_EQ(off.modelQuotas[1].name, QStringLiteral("Granted Balance (USD 0.00)"));
    // Only the first element is read; the rest only need to be objects.
    EXPECT_EQ(deepSeek(R"({"balance_infos":[{"total_balance":"5"},{}]})").hourlyRemainingPercentage, 25);
}

TEST_F(BalanceTest, DeepSeekRejectsMalformedBalances) {
    for (const char* body : {R"({"balance_infos":[]})", R"({"balance_infos":[{"total_balance":"ten"}]})",
                             R"({"balance_infos":[{"total_balance":10}]})", R"({"balance_infos":[{"total_balance":"5"},3]})",
                             R"({"balance_infos":[{"total_balance":"nan"}]})", R"({"balance_infos":[{"total_balance":"1e999"}]})",
                             R"({"balance_infos":[{"total_balance":" 5"}]})", R"({"balance_infos":{}})"}) {
        SCOPED_TRACE(body);
        EXPECT_EQ(deepSeek(body).unavailableReason, UsageUnavailableReason::malformedResponse);
    }
}

TEST_F(BalanceTest, KimiShowsEachBalanceInYuan) {
    const UsageSnapshot s = kimi(R"({"data":{"available_balance":25,"cash_balance":20,"voucher_balance":5}})");
    EXPECT_EQ(s.hourlyRemainingPercentage, 50);
    EXPECT_EQ(s.weeklyRemainingPercentage, 50);
    ASSERT_EQ(s.modelQuotas.size(), 3);
    EXPECT_EQ(s.modelQuotas[0], ModelQuotaItem(QStringLiteral("Total Balance (¥25.00)"), 50, QStringLiteral("CNY Balance")));
    EXPECT_EQ(s.modelQuotas[1], ModelQuotaItem(QStringLiteral("Cash Balance (¥20.00)"), 40, QStringLiteral("Cash")));
    EXPECT_EQ(s.modelQuotas[2], ModelQuotaItem(QStringLiteral("Vouchers (¥5.00)"), 10, QStringLiteral("Voucher")));
}

TEST_F(BalanceTest, KimiBoundsAndMissingParts) {
    const UsageSnapshot rich = kimi(R"({"data":{"available_balance":80}})");
    EXPECT_EQ(rich.hourlyRemainingPercentage, 100);
    ASSERT_EQ(rich.modelQuotas.size(), 1);
    EXPECT_EQ(rich.modelQuotas[0].name, QStringLiteral("Total Balance (¥80.00)"));
    const UsageSnapshot owing = kimi(R"({"data":{"available_balance":-1.5,"cash_balance":"3"}})");
    EXPECT_EQ(owing.hourlyRemainingPercentage, 0);
    ASSERT_EQ(owing.modelQuotas.size(), 1);
    EXPECT_EQ(owing.modelQuotas[0].name, QStringLiteral("Total Balance (¥-1.50)"));
    for (const char* body : {R"({"data":{"available_balance":"25"}})", R"({"data":[]})", R"({"available_balance":5})",
                             R"({"data":{"available_balance":1e999}})"})
        EXPECT_EQ(kimi(body).unavailableReason, UsageUnavailableReason::malformedResponse) << body;
}

} // namespace
} // namespace meterix::test
