#include "core/AIProviderType.h"
#include "core/Localization.h"
#include "core/UsageSnapshot.h"
#include "core/UsageTier.h"
#include "core/UsageUnavailableReason.h"
#include "support/QtPrinters.h"
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
        .weeklyRemainingPercentage = 80,
        .modelQuotas = {ModelQuotaItem(QStringLiteral("Opus"), 12, QStringLiteral("Weekly Limit"), kNow.addSecs(7200),
                                       QStringLiteral("pace"), 130)},
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
                                          .weeklyRemainingPercentage = -5,
                                          .usedTokens = -1,
                                          .lastUpdated = kNow});
    EXPECT_EQ(s.headlineRemainingPercentage, 100);
    EXPECT_EQ(s.weeklyRemainingPercentage, 0);
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

TEST(UsageSnapshot, AResetStoredAsACountdownLoadsAsItsMoment) {
    const QDateTime captured = fullSnapshot().capturedAt;
    const QDateTime later(QDate(2026, 5, 2), QTime(10, 0), Qt::UTC);
    // Where a reading of the previous version kept a reset: its countdown's
    // key, its moment's key, and whether it is a quota line's.
    struct Place {
        const char* countdownKey;
        const char* momentKey;
        bool inItem;
    };
    const Place headline{"hourlyResetCountdown", "hourlyResetAt", false};
    const Place weekly{"weeklyResetCountdown", "weeklyResetAt", false};
    const Place item{"resetCountdown", "resetAt", true};
    const struct {
        Place place;
        std::optional<double> countdown;
        const char* moment;
        std::optional<QDateTime> loaded;
    } rows[] = {
        {headline, 3600, nullptr, captured.addSecs(3600)},
        {weekly, 90.5, nullptr, captured.addMSecs(90500)},
        {item, 60, nullptr, captured.addSecs(60)},
        {weekly, -30, nullptr, captured.addSecs(-30)}, // run out: the moment has passed
        {headline, 3600, "2026-05-02T10:00:00Z", later}, // the moment wins
        {item, std::nullopt, nullptr, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.place.countdownKey);
        QJsonObject json = fullSnapshot().toJson();
        QJsonArray items = json.value(QLatin1String("modelQuotas")).toArray();
        QJsonObject target = row.place.inItem ? items[0].toObject() : json;
        target.remove(QLatin1String(row.place.momentKey));
        if (row.countdown) target.insert(QLatin1String(row.place.countdownKey), *row.countdown);
        if (row.moment) target.insert(QLatin1String(row.place.momentKey), QLatin1String(row.moment));
        if (row.place.inItem) {
            items[0] = target;
            json.insert(QLatin1String("modelQuotas"), items);
        } else {
            json = target;
        }
        const auto s = UsageSnapshot::fromJson(json);
        ASSERT_TRUE(s);
        const std::optional<QDateTime> reset = row.place.inItem                 ? s->modelQuotas[0].resetAt
                                               : row.place.momentKey == weekly.momentKey ? s->weeklyResetAt
                                                                                       : s->headlineResetAt;
        EXPECT_EQ(reset, row.loaded);
        const QJsonObject again = s->toJson();
        const QJsonObject written =
            row.place.inItem ? again.value(QLatin1String("modelQuotas")).toArray()[0].toObject() : again;
        EXPECT_FALSE(written.contains(QLatin1String(row.place.countdownKey))) << "only the moment is written";
    }
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
    EXPECT_FALSE(with("hourlyResetCountdown", QStringLiteral("soon")));
    EXPECT_FALSE(with("modelQuotas", QJsonArray{QJsonObject{{QLatin1String("name"), QStringLiteral("x")}}}));
    EXPECT_FALSE(with("modelQuotas", QJsonArray{1}));
    EXPECT_TRUE(with("accountEmail", QJsonValue::Null));
}

TEST(ModelQuotaItem, DecodingNeedsNameRemainingAndType) {
    const QJsonObject good = fullSnapshot().modelQuotas[0].toJson();
    ASSERT_EQ(ModelQuotaItem::fromJson(good, kNow), fullSnapshot().modelQuotas[0]);
    for (const char* key : {"name", "remainingPercentage", "quotaType"}) {
        QJsonObject o = good;
        o.remove(QLatin1String(key));
        EXPECT_FALSE(ModelQuotaItem::fromJson(o, kNow)) << key;
    }
    QJsonObject minimal{{QLatin1String("name"), QStringLiteral("n")},
                        {QLatin1String("remainingPercentage"), 250},
                        {QLatin1String("quotaType"), QStringLiteral("t")}};
    const auto item = ModelQuotaItem::fromJson(minimal, kNow);
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
