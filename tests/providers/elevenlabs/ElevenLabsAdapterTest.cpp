#include "providers/elevenlabs/ElevenLabsAdapter.h"

#include "core/Numbers.h"

#include "core/Localization.h"
#include "core/ReadingWords.h"
#include "support/Readings.h"
#include "support/FakeClock.h"
#include "support/FakeEnvironment.h"
#include "support/FakeTransport.h"
#include "support/TempHome.h"
#include "support/Speaking.h"
#include "support/Worded.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace meterix::test {
namespace {

class ElevenLabsTest : public ::testing::Test {
  protected:
    UsageSnapshot fetch(const QByteArray& body) {
        env.set(QStringLiteral("XI_API_KEY"), QStringLiteral("xi-key"));
        transport.respond(200, body);
        return ElevenLabsAdapter(transport, QStringLiteral("https://api.test"), home.path(), env.lookup(),
                                 clock)
            .fetchUsage(false);
    }
    double resetIn(double seconds) const { return clock.now().toMSecsSinceEpoch() / 1000.0 + seconds; }
    void TearDown() override { test::speak(); }

    TempHome home;
    FakeEnvironment env;
    FakeTransport transport;
    FakeClock clock;
};

TEST_F(ElevenLabsTest, ReadsTheCharacterAllowance) {
    const QByteArray body =
        QStringLiteral(R"({"character_count":2500,"character_limit":10000,"tier":"creator",
        "next_character_count_reset_unix":%1})")
            .arg(resetIn(3600), 0, 'f', 3)
            .toUtf8();
    const UsageSnapshot s = fetch(body);
    EXPECT_EQ(s.headlineRemainingPercentage, 75);
    EXPECT_EQ(s.weeklyRemainingPercentage, 75);
    test::expectOnlyKindsOrOwnNames(s);
    EXPECT_EQ(s.headlineResetAt, test::resetIn(s, 3600));
    EXPECT_EQ(s.weeklyResetAt, test::resetIn(s, 3600));
    EXPECT_EQ(s.headlineQuotaName, QuotaLabel(QuotaKind::characterUsage));
    ASSERT_EQ(s.modelQuotas.size(), 2);
    EXPECT_EQ(test::worded(s.modelQuotas[0]), ModelQuotaItem(QStringLiteral("Tier: Creator"), 75,
                                               QStringLiteral("Characters: 2500/10000"), test::resetIn(s, 3600)));
    EXPECT_EQ(test::worded(s.modelQuotas[1]),
              ModelQuotaItem(QStringLiteral("Remaining Characters"), 75, QStringLiteral("7500 Left"), test::resetIn(s, 3600)));

    test::speak(ResolvedLanguage::korean);
    EXPECT_EQ(labelText(fetch(body).headlineQuotaName), QStringLiteral("문자 사용량"));
}

TEST_F(ElevenLabsTest, OverusedFractionalAndDefaultTier) {
    const UsageSnapshot over = fetch(R"({"character_count":12000,"character_limit":10000})");
    EXPECT_EQ(over.headlineRemainingPercentage, 0);
    EXPECT_EQ(over.modelQuotas[0].name, QuotaLabel(QuotaKind::tier).withSubject(QStringLiteral("Free")));
    EXPECT_EQ(over.modelQuotas[1].quotaType, QuotaLabel(QuotaKind::charactersLeft).withCount(-2000));
    EXPECT_EQ(over.headlineResetAt, std::nullopt);

    const UsageSnapshot fraction = fetch(R"({"character_count":2500.9,"character_limit":10000})");
    EXPECT_DOUBLE_EQ(fraction.headlineRemainingPercentage, 100 - 25.009);
    EXPECT_EQ(labelText(fraction.modelQuotas[0].quotaType), QStringLiteral("Characters: 2500/10000"));
}

// Below 2^53 every count reads and subtracts exactly; a count at or beyond it
// (9007199254740993 reads as 2^53) could only be shown rounded, so it is no
// reading rather than a wrong figure (1e30 of 1e31 once showed
// "9223372036854774784/9223372036854774784" and "0 Left" with 90% left).
TEST_F(ElevenLabsTest, CountsAreShownExactlyOrNotAtAll) {
    const struct {
        const char* body;
        std::optional<QString> counts; // nothing: no reading
        QString left;
        double percentage;
    } rows[] = {
        {R"({"character_count":9007199254740991,"character_limit":9007199254740991})",
         QStringLiteral("Characters: 9007199254740991/9007199254740991"), QStringLiteral("0 Left"), 0},
        {R"({"character_count":0,"character_limit":9007199254740991})",
         QStringLiteral("Characters: 0/9007199254740991"), QStringLiteral("9007199254740991 Left"), 100},
        {R"({"character_count":9007199254740991,"character_limit":1})",
         QStringLiteral("Characters: 9007199254740991/1"), QStringLiteral("-9007199254740990 Left"), 0},
        {R"({"character_count":9007199254740992,"character_limit":1e16})", std::nullopt, {}, 0},
        {R"({"character_count":0,"character_limit":9007199254740992})", std::nullopt, {}, 0},
        {R"({"character_count":0,"character_limit":9007199254740993})", std::nullopt, {}, 0},
        {R"({"character_count":1e30,"character_limit":1e31})", std::nullopt, {}, 0},
        {R"({"character_count":0,"character_limit":1.7976931348623157e308})", std::nullopt, {}, 0},
        {R"({"character_count":9.3e18,"character_limit":1e19})", std::nullopt, {}, 0},
    };
    for (const auto& row : rows) {
        const UsageSnapshot s = fetch(row.body);
        if (!row.counts) {
            EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::malformedResponse) << row.body;
            EXPECT_TRUE(s.modelQuotas.isEmpty()) << row.body;
            continue;
        }
        EXPECT_EQ(s.unavailableReason, std::nullopt) << row.body;
        ASSERT_EQ(s.modelQuotas.size(), 2) << row.body;
        EXPECT_EQ(labelText(s.modelQuotas[0].quotaType), *row.counts) << row.body;
        EXPECT_EQ(labelText(s.modelQuotas[1].quotaType), row.left) << row.body;
        EXPECT_EQ(s.headlineRemainingPercentage, row.percentage) << row.body;
    }
}

// A limit of 1e-308 passed "greater than 0" and printed -9223372036854774784
// Left; a negative count was taken as it stood. Neither is a reading.
TEST_F(ElevenLabsTest, AllowancesBelowOneCharacterAndNegativeCountsAreNoReading) {
    const struct {
        const char* body;
        std::optional<QString> left; // nothing: malformed
    } rows[] = {
        {R"({"character_count":5,"character_limit":1e-308})", std::nullopt},
        {R"({"character_count":0,"character_limit":0.5})", std::nullopt},
        {R"({"character_count":-1,"character_limit":100})", std::nullopt},
        {R"({"character_count":-1e30,"character_limit":1e30})", std::nullopt},
        {R"({"character_count":0,"character_limit":1})", QStringLiteral("1 Left")},
        {R"({"character_count":0,"character_limit":100})", QStringLiteral("100 Left")},
    };
    for (const auto& row : rows) {
        const UsageSnapshot s = fetch(row.body);
        if (!row.left) {
            EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::malformedResponse) << row.body;
            EXPECT_TRUE(s.modelQuotas.isEmpty()) << row.body;
            continue;
        }
        ASSERT_EQ(s.modelQuotas.size(), 2) << row.body;
        EXPECT_EQ(labelText(s.modelQuotas[1].quotaType), *row.left) << row.body;
        EXPECT_EQ(s.headlineRemainingPercentage, 100) << row.body;
    }
}

TEST_F(ElevenLabsTest, TheResetCountdownNeedsAFutureFiniteMoment) {
    const auto countdown = [&](const QByteArray& json) {
        return ElevenLabsAdapter::characterResetCountdown(QJsonDocument::fromJson(json).object(),
                                                          clock.now());
    };
    EXPECT_EQ(countdown(QByteArray(R"({"next_character_count_reset_unix":)") +
                        QByteArray::number(resetIn(-5), 'f', 3) + "}"),
              std::nullopt);
    EXPECT_EQ(countdown(QByteArray(R"({"next_character_count_reset_unix":)") +
                        QByteArray::number(resetIn(0), 'f', 3) + "}"),
              std::nullopt);
    EXPECT_EQ(countdown(R"({"next_character_count_reset_unix":"99999999999"})"), std::nullopt);
    const auto far = countdown(R"({"next_character_count_reset_unix":1e300})");
    ASSERT_TRUE(far);
    EXPECT_TRUE(std::isfinite(*far));
    EXPECT_LE(*far, kMaxCountdownSeconds);
}

TEST_F(ElevenLabsTest, RejectsMissingOrMistypedCounts) {
    for (const char* body :
         {R"({"character_count":"1","character_limit":10})",
          R"({"character_limit":10})", R"({"character_count":1,"character_limit":"10"})"}) {
        EXPECT_EQ(fetch(body).unavailableReason, UsageUnavailableReason::malformedResponse) << body;
    }
}

// A key created without the user-read permission is valid: the refusal says
// which permission is missing, and the user is told that rather than that the
// key failed.
TEST_F(ElevenLabsTest, ARefusalForAMissingPermissionIsToldApart) {
    const QByteArray missing = R"({"detail":{"status":"missing_permissions",
        "message":"The API key you used is missing the permission user_read to execute this operation."}})";
    const struct {
        int status;
        QByteArray body;
        UsageUnavailableReason reason;
    } rows[] = {
        {401, missing, UsageUnavailableReason::missingPermission},
        {403, missing, UsageUnavailableReason::missingPermission},
        {401, R"({"detail":{"status":"invalid_api_key","message":"Invalid API key"}})",
         UsageUnavailableReason::authenticationFailed},
        {401, R"({"detail":"missing_permissions"})", UsageUnavailableReason::authenticationFailed},
        {401, "", UsageUnavailableReason::authenticationFailed},
        {429, missing, UsageUnavailableReason::rateLimited},
        {500, missing, UsageUnavailableReason::providerError},
    };
    env.set(QStringLiteral("XI_API_KEY"), QStringLiteral("xi-key"));
    for (const auto& row : rows) {
        transport.respond(row.status, row.body);
        const UsageSnapshot s =
            ElevenLabsAdapter(transport, QStringLiteral("https://api.test"), home.path(), env.lookup(), clock)
                .fetchUsage(false);
        EXPECT_EQ(s.unavailableReason, row.reason) << row.status << " " << row.body.toStdString();
        EXPECT_TRUE(s.modelQuotas.isEmpty());
        EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
    }
}

// Usage-based plans may pass the allowance; what is owed beyond it shows as a
// line of its own.
TEST_F(ElevenLabsTest, UsagePastTheAllowanceShowsTheOverage) {
    const struct {
        const char* body;
        std::optional<QString> overage;
    } rows[] = {
        {R"({"tier":"pro","character_count":520000,"character_limit":500000,"currency":"usd",
            "current_overage":{"amount":"12.5","currency":"usd"},"status":"active"})",
         QStringLiteral("Overage (USD 12.50)")},
        {R"({"tier":"pro","character_count":520000,"character_limit":500000,"currency":"eur","current_overage":3.1})",
         QStringLiteral("Overage (EUR 3.10)")},
        {R"({"tier":"pro","character_count":520000,"character_limit":500000,"current_overage":{"amount":7}})",
         QStringLiteral("Overage (7.00)")},
        {R"({"tier":"pro","character_count":520000,"character_limit":500000,
            "current_overage":{"amount":2,"currency":"dollars"}})",
         QStringLiteral("Overage (2.00)")},
        {R"({"tier":"pro","character_count":400000,"character_limit":500000,"current_overage":{"amount":0}})",
         std::nullopt},
        {R"({"tier":"pro","character_count":520000,"character_limit":500000,"current_overage":{"amount":"1e999"}})",
         std::nullopt},
        {R"({"tier":"pro","character_count":520000,"character_limit":500000,"current_overage":"12"})", std::nullopt},
        {R"({"tier":"pro","character_count":520000,"character_limit":500000,"current_overage":-4})", std::nullopt},
    };
    for (const auto& row : rows) {
        const UsageSnapshot s = fetch(row.body);
        ASSERT_EQ(s.modelQuotas.size(), row.overage ? 3 : 2) << row.body;
        EXPECT_EQ(s.modelQuotas[0].name, QuotaLabel(QuotaKind::tier).withSubject(QStringLiteral("Pro"))) << row.body;
        if (!row.overage) continue;
        // The Part's figures stay: nothing of the allowance is left.
        EXPECT_EQ(s.headlineRemainingPercentage, 0) << row.body;
        EXPECT_EQ(s.modelQuotas[1].quotaType, QuotaLabel(QuotaKind::charactersLeft).withCount(-20000)) << row.body;
        EXPECT_EQ(test::worded(s.modelQuotas[2]), ModelQuotaItem(*row.overage, 0, QStringLiteral("Overage"))) << row.body;
    }
}

} // namespace
} // namespace meterix::test
