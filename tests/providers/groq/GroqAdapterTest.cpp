#include "providers/groq/GroqAdapter.h"

#include "core/Numbers.h"

#include "support/Readings.h"
#include "support/FakeClock.h"
#include "support/FakeEnvironment.h"
#include "support/FakeTransport.h"
#include "support/TempHome.h"
#include "support/Worded.h"

#include <gtest/gtest.h>

namespace meterix::test {
namespace {

TEST(GroqDuration, ReadsUnitsAndPlainSeconds) {
    const auto d = [](const char* text) { return GroqAdapter::duration(QString::fromUtf8(text)); };
    EXPECT_NEAR(*d("2m59.56s"), 179.56, 1e-9);
    EXPECT_NEAR(*d("7.66s"), 7.66, 1e-12);
    EXPECT_NEAR(*d("120ms"), 0.12, 1e-12);
    EXPECT_EQ(d("1h2m"), 3720);
    EXPECT_EQ(d("30"), 30);
    EXPECT_EQ(d(" \t1H\t "), 3600);
    for (const char* bad : {"5x", "1m30", "", "  ", "s", "1..2s", "\n5s", "1e308h", "nan", "inf", "½s"})
        EXPECT_EQ(d(bad), std::nullopt) << bad;
    EXPECT_EQ(GroqAdapter::duration(std::nullopt), std::nullopt);
}

class GroqTest : public ::testing::Test {
protected:
    UsageSnapshot fetch(QList<HttpHeader> headers) {
        env.set(QStringLiteral("GROQ_API_KEY"), QStringLiteral("gsk_test"));
        transport.respond(200, "ignored", std::move(headers));
        return GroqAdapter(transport, QStringLiteral("https://groq.test"), home.path(), env.lookup(), clock)
            .fetchUsage(false);
    }

    FakeClock clock; // the reading's time and its resets' are one moment
    TempHome home;
    FakeEnvironment env;
    FakeTransport transport;
};

TEST_F(GroqTest, ReadsTokenAndRequestLimits) {
    const UsageSnapshot s = fetch({{"x-ratelimit-remaining-tokens", "4500"}, {"x-ratelimit-limit-tokens", "6000"},
                                   {"x-ratelimit-reset-tokens", "12s"}, {"X-RateLimit-Remaining-Requests", "14000"},
                                   {"x-ratelimit-limit-requests", "14400"}, {"x-ratelimit-reset-requests", "2m59.56s"}});
    ASSERT_EQ(s.modelQuotas.size(), 2);
    EXPECT_EQ(s.modelQuotas[0],
              ModelQuotaItem(QuotaKind::tokenLimit, 75, QuotaLabel(QuotaKind::tokensPerMinute).withCount(6000), test::resetIn(s, 12)));
    EXPECT_EQ(s.modelQuotas[1].name, QuotaLabel(QuotaKind::requestLimit));
    EXPECT_EQ(s.modelQuotas[1].quotaType, QuotaLabel(QuotaKind::requestsPerDay).withCount(14400));
    EXPECT_NEAR(s.modelQuotas[1].remainingPercentage, 97.22, 0.01);
    test::expectOnlyKindsOrOwnNames(s);
    EXPECT_EQ(s.headlineRemainingPercentage, 75);
    EXPECT_EQ(s.headlineResetAt, test::resetIn(s, 12));
    EXPECT_EQ(s.headlineQuotaName, QuotaLabel(QuotaKind::tokenLimit));
    EXPECT_NEAR(*s.weeklyRemainingPercentage, 97.22, 0.01);
    EXPECT_NEAR(secondsBetween(s.capturedAt, *s.weeklyResetAt), 179.56, 1e-3);
}

TEST_F(GroqTest, RequestsAloneFillTheHourlyFigure) {
    const UsageSnapshot s = fetch({{"x-ratelimit-remaining-tokens", "5"}, {"x-ratelimit-limit-tokens", "0"},
                                   {"x-ratelimit-remaining-requests", "20"}, {"x-ratelimit-limit-requests", "10"},
                                   {"x-ratelimit-reset-requests", "soon"}});
    ASSERT_EQ(s.modelQuotas.size(), 1);
    EXPECT_EQ(s.headlineRemainingPercentage, 100);
    EXPECT_EQ(s.headlineQuotaName, QuotaLabel(QuotaKind::requestLimit));
    EXPECT_EQ(s.headlineResetAt, std::nullopt);
    EXPECT_EQ(s.weeklyRemainingPercentage, std::nullopt);
}

TEST_F(GroqTest, UnreadableOrNonFiniteHeadersCountAsAbsent) {
    for (const QByteArray& limit : {QByteArray("inf"), QByteArray("nan"), QByteArray("1e999"), QByteArray(" 10"), QByteArray("ten"),
                                QByteArray("1\xFF" "0")}) {
        EXPECT_EQ(fetch({{"x-ratelimit-remaining-tokens", "5"}, {"x-ratelimit-limit-tokens", limit}}).unavailableReason,
                  UsageUnavailableReason::malformedResponse)
            << limit.toStdString();
    }
    EXPECT_EQ(fetch({}).unavailableReason, UsageUnavailableReason::notMeasured);
    // A limit beyond 64 bits still gives a figure; its text saturates.
    const UsageSnapshot huge = fetch({{"x-ratelimit-remaining-tokens", "1e30"}, {"x-ratelimit-limit-tokens", "1e30"}});
    EXPECT_EQ(huge.headlineRemainingPercentage, 100);
    EXPECT_EQ(labelText(huge.modelQuotas[0].quotaType), QString::number(saturatingInt64(1e30)) + QStringLiteral(" tokens/min"));
}

// "-5" used to give a countdown of -5 s, and "99999999999h" one beyond the
// largest any text shows; both are no countdown now.
TEST_F(GroqTest, ResetHeadersOutsideZeroToTheCapGiveNoCountdown) {
    const struct {
        const char* reset;
        std::optional<double> countdown;
    } rows[] = {
        {"-5", std::nullopt},
        {"-0.5", std::nullopt},
        {"99999999999h", std::nullopt},
        {"1000000000001", std::nullopt},
        {"1000000000000", kMaxCountdownSeconds},
        {"0", 0},
        {"0s", 0},
        {"6m0s", 360},
    };
    for (const auto& row : rows) {
        const UsageSnapshot s = fetch({{"x-ratelimit-remaining-tokens", "10"},
                                       {"x-ratelimit-limit-tokens", "20"},
                                       {"x-ratelimit-reset-tokens", row.reset}});
        EXPECT_EQ(s.headlineRemainingPercentage, 50) << row.reset;
        EXPECT_EQ(s.headlineResetAt, test::resetIn(s, row.countdown)) << row.reset;
        ASSERT_EQ(s.modelQuotas.size(), 1) << row.reset;
        EXPECT_EQ(s.modelQuotas[0].resetAt, test::resetIn(s, row.countdown)) << row.reset;
    }
}

} // namespace
} // namespace meterix::test
