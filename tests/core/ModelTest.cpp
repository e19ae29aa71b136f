#include "core/AIProviderType.h"
#include "core/Localization.h"
#include "core/UsageSnapshot.h"
#include "core/UsageTier.h"
#include "core/UsageUnavailableReason.h"
#include "support/Speaking.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>

using namespace meterix;

namespace {

const QDateTime kNow(QDate(2026, 5, 1), QTime(10, 0), Qt::UTC);

UsageSnapshot fullSnapshot() {
    UsageSnapshot s(UsageSnapshot::Fields{
        .provider = AIProviderType::openAICodex,
        .headlineRemainingPercentage = 42.5,
        .headlineResetCountdown = 3600,
        .weeklyRemainingPercentage = 80,
        .weeklyResetCountdown = 500,
        .modelQuotas = {ModelQuotaItem(QStringLiteral("Opus"), 12, QStringLiteral("Weekly Limit"), 7200,
                                       kNow.addSecs(7200), QStringLiteral("pace"), 130)},
        .accountEmail = QStringLiteral("me@example.com"),
        .planName = QStringLiteral("Pro"),
        .usedTokens = Q_INT64_C(9007199254740993),
        .totalTokens = 100000,
        .lastUpdated = kNow,
        .strategyUsed = FetchStrategy::localFileCache,
        .accountID = QStringLiteral("acct-1"),
        .sourceID = QStringLiteral("codex.cli"),
        .capturedAt = kNow.addSecs(-10),
        .unavailableReason = UsageUnavailableReason::rateLimited,
        .headlineQuotaName = QStringLiteral("5h"),
        .headlineResetAt = kNow.addSecs(3600),
        .weeklyResetAt = kNow.addDays(3),
        .credentialFingerprint = UsageSnapshot::fingerprint(QStringLiteral("k")),
    });
    s.fetchError = QStringLiteral("boom");
    return s;
}

class EnglishThenKorean : public ::testing::Test {
  protected:
    void TearDown() override { test::speak(); }
    void korean() { test::speak(ResolvedLanguage::korean); }
    void english() { test::speak(ResolvedLanguage::english); }
};

} // namespace

TEST(ProviderCatalogue, OrderRawValuesAndLinks) {
    const auto& all = allProviderTypes();
    ASSERT_GE(all.size(), 3);
    EXPECT_EQ(all[0], AIProviderType::claudeCode);
    EXPECT_EQ(all[1], AIProviderType::openAICodex);
    EXPECT_EQ(all[2], AIProviderType::antigravity);
    EXPECT_EQ(all.last(), AIProviderType::zed);
    for (AIProviderType p : all) {
        EXPECT_EQ(all.count(p), 1) << rawValue(p).toStdString(); // listed once
        EXPECT_EQ(providerFromRawValue(rawValue(p)), p);
        EXPECT_FALSE(displayName(p).isEmpty());
        EXPECT_TRUE(statusPageURL(p).isValid());
    }
    EXPECT_EQ(providerFromRawValue(u"agy"), AIProviderType::antigravity);
    EXPECT_FALSE(providerFromRawValue(u"antigravity"));
    EXPECT_FALSE(providerFromRawValue(u"Codex"));
    EXPECT_FALSE(providerFromRawValue(u"claudeCode"));
    EXPECT_EQ(statusPageURL(AIProviderType::openrouter).path(), QStringLiteral("/activity"));
    EXPECT_EQ(accountDashboardURL(AIProviderType::openrouter)->path(), QStringLiteral("/credits"));
    EXPECT_EQ(statusPageURL(AIProviderType::openrouter).host(),
              accountDashboardURL(AIProviderType::openrouter)->host());
    EXPECT_EQ(statusPageURL(AIProviderType::ollama), statusPageURL(AIProviderType::zed));
    for (AIProviderType p : all) {
        const auto dashboard = accountDashboardURL(p);
        if (dashboard) {
            EXPECT_EQ(dashboard->scheme(), QStringLiteral("https"));
        }
    }
    EXPECT_FALSE(accountDashboardURL(AIProviderType::mistral));
}

TEST(UsageSnapshot, ConstructionClampsPercentagesOnly) {
    UsageSnapshot s(UsageSnapshot::Fields{.provider = AIProviderType::groq,
                                          .headlineRemainingPercentage = 130,
                                          .headlineResetCountdown = -50,
                                          .weeklyRemainingPercentage = -5,
                                          .usedTokens = -1,
                                          .lastUpdated = kNow});
    EXPECT_EQ(s.headlineRemainingPercentage, 100);
    EXPECT_EQ(s.weeklyRemainingPercentage, 0);
    EXPECT_EQ(s.headlineResetCountdown, -50); // countdowns are kept as given
    EXPECT_EQ(s.capturedAt, kNow);          // defaults to lastUpdated
    EXPECT_FALSE(s.fetchError);

    UsageSnapshot nan(UsageSnapshot::Fields{.headlineRemainingPercentage = std::nan(""), .lastUpdated = kNow});
    EXPECT_EQ(nan.headlineRemainingPercentage, 100);
    EXPECT_FALSE(nan.weeklyRemainingPercentage); // absent stays absent, not 0
    EXPECT_EQ(ModelQuotaItem(QStringLiteral("x"), 250, QStringLiteral("t")).remainingPercentage, 100);
}

TEST(UsageSnapshot, StaleAfterNineHundredSecondsOrAFetchError) {
    UsageSnapshot s(UsageSnapshot::Fields{.lastUpdated = kNow});
    EXPECT_FALSE(s.isStale(kNow.addSecs(900)));
    EXPECT_TRUE(s.isStale(kNow.addMSecs(900001)));
    EXPECT_TRUE(s.isStale(kNow.addSecs(1000)));
    s.fetchError = QStringLiteral("x");
    EXPECT_TRUE(s.isStale(kNow));
}

TEST(UsageSnapshot, AgeingShortensCountdownsAndDropsExpiredOnes) {
    UsageSnapshot s = fullSnapshot();
    s.headlineResetCountdown = 3600;
    s.weeklyResetCountdown = 500;
    s.modelQuotas.append(ModelQuotaItem(QStringLiteral("no countdown"), 50, QStringLiteral("t")));
    const UsageSnapshot aged = s.agedToNow(s.capturedAt.addSecs(600));
    EXPECT_EQ(aged.headlineResetCountdown, 3000);
    EXPECT_FALSE(aged.weeklyResetCountdown);
    EXPECT_EQ(aged.modelQuotas[0].resetCountdown, 6600);
    EXPECT_FALSE(aged.modelQuotas[1].resetCountdown);
    EXPECT_EQ(aged.capturedAt, s.capturedAt);
    EXPECT_EQ(aged.headlineResetAt, s.headlineResetAt);
    EXPECT_EQ(aged.headlineRemainingPercentage, s.headlineRemainingPercentage);
    // exactly run out: absent, never 0
    EXPECT_FALSE(s.agedToNow(s.capturedAt.addSecs(3600)).headlineResetCountdown);
    EXPECT_EQ(s.agedToNow(s.capturedAt), s);
    EXPECT_EQ(s.agedToNow(s.capturedAt.addSecs(-100)), s);
}

TEST(UsageSnapshot, WindowsElapseAtTheirResetTime) {
    UsageSnapshot s = fullSnapshot();
    EXPECT_TRUE(s.isHeadlineWindowElapsed(*s.headlineResetAt));
    EXPECT_FALSE(s.isHeadlineWindowElapsed(s.headlineResetAt->addSecs(-1)));
    s.headlineResetAt.reset();
    EXPECT_FALSE(s.isHeadlineWindowElapsed(kNow.addYears(10)));
    EXPECT_TRUE(s.modelQuotas[0].isWindowElapsed(kNow.addSecs(7200)));
}

TEST(UsageSnapshot, PlaceholdersHaveNoFigures) {
    const UsageSnapshot s = UsageSnapshot::simulatedFallback(AIProviderType::groq, kNow);
    EXPECT_EQ(s.totalTokens, 100000);
    EXPECT_EQ(s.usedTokens, 0);
    EXPECT_TRUE(s.isSimulated());
    EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::notConfigured);
    EXPECT_EQ(s.unavailableText(), displayText(UsageUnavailableReason::notConfigured));
    EXPECT_EQ(s.capturedAt, s.lastUpdated);
    const UsageSnapshot u =
        UsageSnapshot::unavailable(AIProviderType::kimi, UsageUnavailableReason::authenticationFailed,
                                   QStringLiteral("e"), std::nullopt, QStringLiteral("id"));
    EXPECT_EQ(u.unavailableReason, UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(u.accountEmail, QStringLiteral("e"));
    EXPECT_EQ(u.accountID, QStringLiteral("id"));
    EXPECT_FALSE(u.weeklyRemainingPercentage);
    EXPECT_EQ(u.headlineRemainingPercentage, 0);
}

TEST(UsageSnapshot, FingerprintIsSixtyFourLowerCaseHexDigits) {
    const QString f = UsageSnapshot::fingerprint(QStringLiteral("sk-test"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{64}$")).match(f).hasMatch());
    EXPECT_EQ(f, UsageSnapshot::fingerprint(QStringLiteral("sk-test")));
    EXPECT_NE(f, UsageSnapshot::fingerprint(QStringLiteral("SK-test")));
    EXPECT_EQ(UsageSnapshot::fingerprint(QString()),
              QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
}

TEST(UsageSnapshot, JsonRoundTripKeepsEveryField) {
    const UsageSnapshot s = fullSnapshot();
    const QJsonObject json = s.toJson();
    EXPECT_EQ(json.value(QLatin1String("provider")).toString(), QStringLiteral("codex"));
    EXPECT_EQ(json.value(QLatin1String("strategyUsed")).toString(), QStringLiteral("Local Cache/DB"));
    EXPECT_EQ(json.value(QLatin1String("unavailableReason")).toString(), QStringLiteral("rateLimited"));
    EXPECT_EQ(json.value(QLatin1String("capturedAt")).toString(), QStringLiteral("2026-05-01T09:59:50Z"));
    // through text, as the store writes it
    const auto back = UsageSnapshot::fromJson(QJsonDocument::fromJson(QJsonDocument(json).toJson()).object());
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, s);
    EXPECT_EQ(back->usedTokens, Q_INT64_C(9007199254740993));
}

TEST(UsageSnapshot, JsonLeavesOutAbsentFieldsAndDoesNotClamp) {
    UsageSnapshot s(UsageSnapshot::Fields{.provider = AIProviderType::zed, .lastUpdated = kNow});
    QJsonObject json = s.toJson();
    EXPECT_FALSE(json.contains(QLatin1String("weeklyRemainingPercentage")));
    EXPECT_FALSE(json.contains(QLatin1String("accountEmail")));
    EXPECT_FALSE(json.contains(QLatin1String("fetchError")));
    json.insert(QLatin1String("hourlyRemainingPercentage"), 150);
    json.insert(QLatin1String("accountEmail"), QJsonValue::Null);
    const auto back = UsageSnapshot::fromJson(json);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->headlineRemainingPercentage, 150);
    EXPECT_FALSE(back->accountEmail);
}

TEST(UsageSnapshot, DecodingFailsOnMissingKeysWrongTypesAndUnknownValues) {
    const QJsonObject good = fullSnapshot().toJson();
    ASSERT_TRUE(UsageSnapshot::fromJson(good));
    for (const char* key : {"provider", "capturedAt", "hourlyRemainingPercentage", "modelQuotas",
                            "usedTokens", "totalTokens", "lastUpdated", "strategyUsed"}) {
        QJsonObject o = good;
        o.remove(QLatin1String(key));
        EXPECT_FALSE(UsageSnapshot::fromJson(o)) << key;
    }
    auto with = [&](const char* key, const QJsonValue& v) {
        QJsonObject o = good;
        o.insert(QLatin1String(key), v);
        return UsageSnapshot::fromJson(o);
    };
    EXPECT_FALSE(with("provider", QStringLiteral("gemini")));
    EXPECT_FALSE(with("strategyUsed", QStringLiteral("cli probe")));
    EXPECT_FALSE(with("unavailableReason", QStringLiteral("RateLimited")));
    EXPECT_FALSE(with("accountEmail", 5));
    EXPECT_FALSE(with("hourlyRemainingPercentage", QStringLiteral("50")));
    EXPECT_FALSE(with("usedTokens", 1.5));
    EXPECT_FALSE(with("capturedAt", QStringLiteral("2026-05-01T09:59:50.250Z")));
    EXPECT_FALSE(with("weeklyResetAt", QStringLiteral("yesterday")));
    EXPECT_FALSE(with("modelQuotas", QJsonArray{QJsonObject{{QLatin1String("name"), QStringLiteral("x")}}}));
    EXPECT_FALSE(with("modelQuotas", QJsonArray{1}));
    EXPECT_TRUE(with("accountEmail", QJsonValue::Null));
}

TEST(ModelQuotaItem, DecodingNeedsNameRemainingAndType) {
    const QJsonObject good = fullSnapshot().modelQuotas[0].toJson();
    ASSERT_EQ(ModelQuotaItem::fromJson(good), fullSnapshot().modelQuotas[0]);
    for (const char* key : {"name", "remainingPercentage", "quotaType"}) {
        QJsonObject o = good;
        o.remove(QLatin1String(key));
        EXPECT_FALSE(ModelQuotaItem::fromJson(o)) << key;
    }
    QJsonObject minimal{{QLatin1String("name"), QStringLiteral("n")},
                        {QLatin1String("remainingPercentage"), 250},
                        {QLatin1String("quotaType"), QStringLiteral("t")}};
    const auto item = ModelQuotaItem::fromJson(minimal);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->remainingPercentage, 250);
    EXPECT_FALSE(item->paceMarkerPercentage);
}

TEST(UsageTier, BoundariesBelongToTheHigherTier) {
    EXPECT_EQ(usageTierFrom(100), UsageTier::abundant);
    EXPECT_EQ(usageTierFrom(150), UsageTier::abundant);
    EXPECT_EQ(usageTierFrom(std::nan("")), UsageTier::abundant);
    EXPECT_EQ(usageTierFrom(75), UsageTier::abundant);
    EXPECT_EQ(usageTierFrom(74.99), UsageTier::steady);
    EXPECT_EQ(usageTierFrom(45), UsageTier::steady);
    EXPECT_EQ(usageTierFrom(44.99), UsageTier::caution);
    EXPECT_EQ(usageTierFrom(20), UsageTier::caution);
    EXPECT_EQ(usageTierFrom(19.99), UsageTier::critical);
    EXPECT_EQ(usageTierFrom(0), UsageTier::critical);
    EXPECT_EQ(usageTierFrom(-1), UsageTier::critical);
}

TEST(UsageTier, ColoursComeFromTheLowTwentyFourBits) {
    const Rgb c = Rgb::fromHex(0x28CD41);
    EXPECT_DOUBLE_EQ(c.red, 40 / 255.0);
    EXPECT_DOUBLE_EQ(c.green, 205 / 255.0);
    EXPECT_DOUBLE_EQ(c.blue, 65 / 255.0);
    EXPECT_EQ(Rgb::fromHex(0xFF28CD41), c);
    EXPECT_EQ(accent(UsageTier::abundant), c);
    EXPECT_EQ(gradient(UsageTier::critical).size(), 2);
}
