#include "core/Clock.h"
#include "providers/claude/ClaudeCodeAdapter.h"

#include "core/Localization.h"
#include "core/ReadingWords.h"
#include "support/ClaudeConfiguration.h"
#include "support/QtPrinters.h"
#include "support/Speaking.h"
#include "support/Worded.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace meterix;

namespace {

const QDateTime kNow(QDate(2026, 2, 10), QTime(12, 0), Qt::UTC);

QJsonObject parseJson(const char* text) {
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

QJsonObject config(const QJsonObject& utilization, const QJsonObject& extraBlock = {}) {
    QJsonObject block{{QStringLiteral("utilization"), utilization}};
    for (auto it = extraBlock.begin(); it != extraBlock.end(); ++it)
        block.insert(it.key(), it.value());
    return QJsonObject{{QStringLiteral("cachedUsageUtilization"), block}};
}

} // namespace

TEST(ClaudeCachedUsage, MissingBlockOrUtilizationGivesNothing) {
    EXPECT_FALSE(ClaudeCodeAdapter::snapshot(QJsonObject{}, kNow));
    EXPECT_FALSE(ClaudeCodeAdapter::snapshot(parseJson(R"({"cachedUsageUtilization":{}})"), kNow));
    EXPECT_FALSE(
        ClaudeCodeAdapter::snapshot(parseJson(R"({"cachedUsageUtilization":{"utilization":[]}})"), kNow));
    EXPECT_FALSE(ClaudeCodeAdapter::snapshot(parseJson(R"({"cachedUsageUtilization":"x"})"), kNow));
}

TEST(ClaudeCachedUsage, ReadingOfAnotherAccountGivesNothing) {
    const QJsonObject mismatched = parseJson(R"({"oauthAccount":{"accountUuid":"A"},
        "cachedUsageUtilization":{"accountUuid":"B","utilization":{}}})");
    EXPECT_FALSE(ClaudeCodeAdapter::snapshot(mismatched, kNow));
    EXPECT_TRUE(ClaudeCodeAdapter::snapshot(
        parseJson(R"({"cachedUsageUtilization":{"accountUuid":"B","utilization":{}}})"), kNow));
    EXPECT_TRUE(ClaudeCodeAdapter::snapshot(
        parseJson(R"({"oauthAccount":{"accountUuid":"A"},"cachedUsageUtilization":{"utilization":{}}})"),
        kNow));
    EXPECT_TRUE(ClaudeCodeAdapter::snapshot(parseJson(R"({"oauthAccount":{"accountUuid":"A"},
        "cachedUsageUtilization":{"accountUuid":"A","utilization":{}}})"),
                                            kNow));
}

TEST(ClaudeCachedUsage, EmptyUtilizationIsAFullUntimedReading) {
    const auto s = ClaudeCodeAdapter::snapshot(config(QJsonObject{}), kNow);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->headlineRemainingPercentage, 100);
    EXPECT_FALSE(s->headlineResetAt);
    EXPECT_FALSE(s->weeklyRemainingPercentage);
    EXPECT_TRUE(s->modelQuotas.isEmpty());
    EXPECT_EQ(s->strategyUsed, FetchStrategy::localFileCache);
    EXPECT_EQ(s->sourceID, QStringLiteral("claude.cli"));
    EXPECT_EQ(s->capturedAt, kNow) << "without fetchedAtMs the reading is dated now";
    EXPECT_EQ(s->totalTokens, 100000);
}

TEST(ClaudeCachedUsage, FullReading) {
    const QJsonObject c = parseJson(R"({
      "oauthAccount": {"accountUuid": "u-1", "emailAddress": "kim@example.com", "organizationType": "claude_max"},
      "cachedUsageUtilization": {
        "accountUuid": "u-1",
        "fetchedAtMs": 1770721200000,
        "utilization": {
          "five_hour": {"utilization": 130, "resets_at": "2026-02-10T14:30:00.123456+00:00"},
          "seven_day": {"utilization": -10, "resets_at": "2026-02-12T12:00:00Z"},
          "limits": [
            {"percent": 25, "kind": "session", "group": "session", "severity": "critical", "is_active": true,
             "resets_at": "2026-02-10T13:00:00Z"},
            {"percent": 60.5, "kind": "weekly_opus", "group": "weekly", "severity": "info"},
            {"kind": "weekly_sonnet", "group": "weekly"},
            {"percent": 10, "kind": "daily_tokens", "group": "per_day_cap", "severity": "warning", "is_active": false}
          ],
          "extra_usage": {"is_enabled": true, "utilization": 40, "monthly_limit": 50, "used_credits": 12.9}
        }}})");
    const auto s = ClaudeCodeAdapter::snapshot(c, kNow);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->accountID, QStringLiteral("u-1"));
    EXPECT_EQ(s->accountEmail, QStringLiteral("kim@example.com"));
    EXPECT_EQ(s->planName, QStringLiteral("Claude Max"));
    EXPECT_EQ(s->capturedAt, QDateTime::fromMSecsSinceEpoch(1770721200000, Qt::UTC));
    EXPECT_EQ(s->lastUpdated, s->capturedAt);
    EXPECT_EQ(s->headlineRemainingPercentage, 0);
    EXPECT_EQ(s->headlineResetAt, momentAfter(kNow, 2.5 * 3600)) << "fraction removed, measured from now";
    EXPECT_EQ(s->weeklyRemainingPercentage, 100);
    EXPECT_EQ(s->weeklyResetAt, momentAfter(kNow, 2 * 86400.0));
    ASSERT_EQ(s->modelQuotas.size(), 4);
    EXPECT_EQ(s->modelQuotas[0].name, QuotaLabel(QuotaKind::sessionFiveHours));
    EXPECT_EQ(s->modelQuotas[0].quotaType, QuotaLabel(QuotaKind::fiveHourSession));
    EXPECT_EQ(s->modelQuotas[0].remainingPercentage, 75);
    EXPECT_EQ(s->modelQuotas[0].resetAt, momentAfter(kNow, 3600.0));
    EXPECT_EQ(s->modelQuotas[0].paceText, QuotaLabel(QuotaKind::notes).withNote(QuotaNote::critical).withNote(QuotaNote::bindingLimit));
    EXPECT_EQ(s->modelQuotas[1].name, QuotaLabel(QuotaKind::weeklyOfModel).withSubject(QStringLiteral("Opus")));
    EXPECT_EQ(s->modelQuotas[1].quotaType, QuotaLabel(QuotaKind::weeklyLimit));
    EXPECT_DOUBLE_EQ(s->modelQuotas[1].remainingPercentage, 39.5);
    EXPECT_FALSE(s->modelQuotas[1].paceText);
    EXPECT_EQ(s->modelQuotas[2].name, QStringLiteral("Daily Tokens"));
    EXPECT_EQ(s->modelQuotas[2].quotaType, QStringLiteral("Per Day Cap"));
    EXPECT_EQ(s->modelQuotas[2].paceText, QuotaLabel(QuotaKind::notes).withNote(QuotaNote::warning));
    EXPECT_EQ(s->modelQuotas[3].name, QuotaLabel(QuotaKind::extraUsageCredits));
    EXPECT_EQ(s->modelQuotas[3].quotaType, QuotaLabel(QuotaKind::monthlyCredit));
    EXPECT_EQ(s->modelQuotas[3].remainingPercentage, 60);
    EXPECT_EQ(s->modelQuotas[3].paceText, QuotaLabel(QuotaKind::amountOfTotal).withAmount(QStringLiteral("12")).withTotal(QStringLiteral("50")).withCurrency(QStringLiteral("USD")));
    EXPECT_FALSE(s->modelQuotas[3].resetAt);
}

TEST(ClaudeCachedUsage, LimitsWithANonObjectAreIgnoredWholeAndFallbacksAppear) {
    const QJsonObject c = config(parseJson(R"({
        "five_hour": {"utilization": 20},
        "seven_day": {"utilization": 30, "resets_at": "not a date"},
        "limits": [{"percent": 5, "kind": "session"}, 7]})"));
    const auto s = ClaudeCodeAdapter::snapshot(c, kNow);
    ASSERT_TRUE(s);
    ASSERT_EQ(s->modelQuotas.size(), 2);
    EXPECT_EQ(s->modelQuotas[0].name, QuotaLabel(QuotaKind::sessionFiveHours));
    EXPECT_EQ(s->modelQuotas[0].remainingPercentage, 80);
    EXPECT_EQ(s->modelQuotas[1].name, QuotaLabel(QuotaKind::weeklyAllModels));
    EXPECT_EQ(s->modelQuotas[1].remainingPercentage, 70);
    EXPECT_FALSE(s->weeklyResetAt);

    const auto onlyWeekly = ClaudeCodeAdapter::snapshot(config(parseJson(R"({"seven_day":{"utilization":30},
        "limits":[{"kind":"session"}]})")),
                                                        kNow);
    ASSERT_EQ(onlyWeekly->modelQuotas.size(), 1)
        << "a limit without percent is skipped; only existing windows fall back";
    EXPECT_EQ(onlyWeekly->modelQuotas[0].quotaType, QuotaLabel(QuotaKind::weeklyLimit));
}

TEST(ClaudeCachedUsage, NumbersMustBeJsonNumbers) {
    const auto s = ClaudeCodeAdapter::snapshot(config(parseJson(R"({"five_hour":{"utilization":"20"},
        "seven_day":{"utilization":true}, "extra_usage":{"is_enabled":1,"utilization":4}})")),
                                               kNow);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->headlineRemainingPercentage, 100);
    EXPECT_FALSE(s->weeklyRemainingPercentage);
    EXPECT_TRUE(s->modelQuotas.isEmpty());
}

TEST(ClaudeCachedUsage, ExtraUsageRules) {
    auto extraItem = [](const char* extra) {
        const auto s = ClaudeCodeAdapter::snapshot(
            config(QJsonObject{{QStringLiteral("extra_usage"), parseJson(extra)}}), kNow);
        return s->modelQuotas;
    };
    EXPECT_TRUE(extraItem(R"({"is_enabled":false,"utilization":4})").isEmpty());
    EXPECT_EQ(extraItem(R"({"is_enabled":true,"utilization":4})").value(0).paceText, std::nullopt);
    EXPECT_EQ(
        extraItem(
            R"({"is_enabled":true,"utilization":4,"monthly_limit":100,"used_credits":-3.7,"currency":"EUR"})")
            .value(0)
            .paceText,
        QuotaLabel(QuotaKind::amountOfTotal)
            .withAmount(QStringLiteral("-3"))
            .withTotal(QStringLiteral("100"))
            .withCurrency(QStringLiteral("EUR")));
    // Amounts beyond 64 bits cannot be shown: the item stays, without its pace text.
    const auto huge =
        extraItem(R"({"is_enabled":true,"utilization":4,"monthly_limit":1e300,"used_credits":1})");
    ASSERT_EQ(huge.size(), 1);
    EXPECT_FALSE(huge[0].paceText);
}

TEST(ClaudeCachedUsage, FutureOrAbsurdFetchTimesAreDatedNow) {
    const auto future = ClaudeCodeAdapter::snapshot(
        config(QJsonObject{}, QJsonObject{{QStringLiteral("fetchedAtMs"), 1e300}}), kNow);
    ASSERT_TRUE(future);
    EXPECT_EQ(future->capturedAt, kNow);
    const auto tomorrow = ClaudeCodeAdapter::snapshot(
        config(QJsonObject{},
               QJsonObject{{QStringLiteral("fetchedAtMs"), double(kNow.toMSecsSinceEpoch() + 86400000)}}),
        kNow);
    EXPECT_EQ(tomorrow->capturedAt, kNow);
    const auto text = ClaudeCodeAdapter::snapshot(
        config(QJsonObject{}, QJsonObject{{QStringLiteral("fetchedAtMs"), QStringLiteral("1770724800000")}}),
        kNow);
    EXPECT_EQ(text->capturedAt, kNow);
    const auto old = ClaudeCodeAdapter::snapshot(
        config(QJsonObject{}, QJsonObject{{QStringLiteral("fetchedAtMs"), -1e300}}), kNow);
    ASSERT_TRUE(old);
    EXPECT_TRUE(old->capturedAt.isValid());
    EXPECT_LT(old->capturedAt, kNow);
}

TEST(ClaudeCachedUsage, CountdownRules) {
    EXPECT_EQ(ClaudeCodeAdapter::countdown(QJsonValue(QStringLiteral("2026-02-10T12:00:10Z")), kNow), 10.0);
    EXPECT_FALSE(ClaudeCodeAdapter::countdown(QJsonValue(QStringLiteral("2026-02-10T12:00:00Z")), kNow));
    EXPECT_FALSE(ClaudeCodeAdapter::countdown(QJsonValue(QStringLiteral("2026-02-09T12:00:00Z")), kNow));
    EXPECT_FALSE(ClaudeCodeAdapter::countdown(QJsonValue(QStringLiteral("2026-02-11")), kNow));
    EXPECT_FALSE(ClaudeCodeAdapter::countdown(QJsonValue(QStringLiteral("2026-02-11T00:00:00")), kNow))
        << "zone required";
    // Seconds since 1970, as the client's status line writes "resets_at".
    EXPECT_EQ(ClaudeCodeAdapter::countdown(QJsonValue(1770724900), kNow), 100.0);
    EXPECT_FALSE(ClaudeCodeAdapter::countdown(QJsonValue(1770724800), kNow));
    EXPECT_EQ(ClaudeCodeAdapter::countdown(QJsonValue(QStringLiteral("2026-02-10T14:00:00.5+02:00")), kNow),
              std::nullopt);
    EXPECT_EQ(
        ClaudeCodeAdapter::countdown(QJsonValue(QStringLiteral("2026-02-10T15:00:00.999999+02:00")), kNow),
        3600.0);
}

TEST(ClaudeCachedUsage, IdentityAndPlanNames) {
    EXPECT_EQ(ClaudeCodeAdapter::identity(QJsonObject{}), ClaudeCodeAdapter::ConfigIdentity{});
    const auto who = ClaudeCodeAdapter::identity(parseJson(
        R"({"oauthAccount":{"accountUuid":"id","emailAddress":"e@x","organizationType":"claude_free"}})"));
    EXPECT_EQ(who.accountID, QStringLiteral("id"));
    EXPECT_EQ(who.email, QStringLiteral("e@x"));
    EXPECT_EQ(who.planName, QStringLiteral("Claude Free"));
    EXPECT_EQ(ClaudeCodeAdapter::identity(parseJson(R"({"oauthAccount":{"organizationType":"CLAUDE_MAX"}})"))
                  .planName,
              QStringLiteral("Claude Max"));
    EXPECT_EQ(ClaudeCodeAdapter::identity(parseJson(R"({"oauthAccount":{"accountUuid":5}})")).accountID,
              std::nullopt);
    // An empty type names no plan (rather than an empty plan name).
    EXPECT_EQ(ClaudeCodeAdapter::identity(parseJson(R"({"oauthAccount":{"organizationType":""}})")).planName,
              std::nullopt);
}

// Made while Korean is on, the reading holds kinds, worded in Korean when drawn.
TEST(ClaudeCachedUsage, KoreanTexts) {
    test::speak(ResolvedLanguage::korean);
    const auto s = ClaudeCodeAdapter::snapshot(config(parseJson(R"({"limits":[
        {"percent":1,"kind":"weekly_all","severity":"warning","is_active":true},
        {"percent":1,"kind":"weekly_sonnet"}],
        "extra_usage":{"is_enabled":true,"utilization":1}})")),
                                               kNow);
    ASSERT_TRUE(s);
    ASSERT_EQ(s->modelQuotas.size(), 3);
    EXPECT_EQ(s->modelQuotas[0].name, QuotaLabel(QuotaKind::weeklyAllModels));
    EXPECT_EQ(labelText(s->modelQuotas[0].name), QStringLiteral("주간 (전체 모델)"));
    EXPECT_EQ(labelText(s->modelQuotas[0].paceText), QStringLiteral("주의 \u00B7 현재 적용 중인 한도"));
    EXPECT_EQ(s->modelQuotas[0].quotaType, QuotaLabel(QStringLiteral("Weekly All"))) << "group defaults to the kind";
    EXPECT_EQ(labelText(s->modelQuotas[1].name), QStringLiteral("주간 (Sonnet)"));
    EXPECT_EQ(s->modelQuotas[2].name, QuotaLabel(QuotaKind::extraUsageCredits));
    test::expectOnlyKindsOrOwnNames(*s);
    test::speak();
}

// Fractions were stripped wherever ".digits" stood, so "2026.9-03-01..." was read
// as a date; now a fraction counts only after the seconds.
TEST(ClaudeCachedUsage, FractionsOnlyAfterTheSeconds) {
    const struct {
        const char* resetsAt;
        std::optional<double> countdown;
    } rows[] = {
        {"2026.9-03-01T12:00:00.5Z", std::nullopt}, {"2026-02.5-10T13:00:00Z", std::nullopt},
        {"2026-02-10T13.7:00:00Z", std::nullopt},   {"2026-02-10T13:00:00.5.5Z", std::nullopt},
        {"2026-02-10T13:00:00.Z", std::nullopt},    {"2026-02-10T13:00:00.123456Z", 3600},
        {"2026-02-10T15:00:00.999999+02:00", 3600}, {"2026-02-10T13:00:00Z", 3600},
    };
    for (const auto& row : rows) {
        const auto s = ClaudeCodeAdapter::snapshot(
            config(
                QJsonObject{{QStringLiteral("five_hour"),
                             QJsonObject{{QStringLiteral("utilization"), 10},
                                         {QStringLiteral("resets_at"), QString::fromLatin1(row.resetsAt)}}}}),
            kNow);
        ASSERT_TRUE(s) << row.resetsAt;
        EXPECT_EQ(s->headlineRemainingPercentage, 90) << row.resetsAt;
        EXPECT_EQ(s->headlineResetAt, momentAfter(kNow, row.countdown)) << row.resetsAt;
    }
}

// Current clients cache limits scoped to one model or surface, which name it.
TEST(ClaudeCachedUsage, ScopedWeeklyLimitsAreNamedByTheirScope) {
    const struct {
        const char* scope;
        const char* name;
    } rows[] = {
        {R"({"model":{"id":"claude-fable-1","display_name":"Fable"},"surface":null})", "Weekly (Fable)"},
        {R"({"model":{"display_name":"  "},"surface":{"display_name":"Claude  Code"}})",
         "Weekly (Claude Code)"},
        // Nothing usable: the kind spelled out, as before.
        {R"({"model":{"display_name":7}})", "Weekly Scoped"},
        {R"("Fable")", "Weekly Scoped"},
        {R"({"model":{"display_name":"Fa\u202Eble"}})", "Weekly Scoped"},
    };
    for (const auto& row : rows) {
        const QByteArray limit = QByteArray(R"({"kind":"weekly_scoped","group":"weekly","percent":34,)"
                                            R"("resets_at":"2026-02-14T05:59:00.000000+00:00","scope":)") +
                                 row.scope + '}';
        const auto s = ClaudeCodeAdapter::snapshot(
            config(QJsonObject{{QStringLiteral("limits"), QJsonArray{parseJson(limit.constData())}}}), kNow);
        ASSERT_TRUE(s) << row.scope;
        ASSERT_EQ(s->modelQuotas.size(), 1) << row.scope;
        EXPECT_EQ(labelText(s->modelQuotas[0].name), QString::fromUtf8(row.name)) << row.scope;
        EXPECT_EQ(s->modelQuotas[0].remainingPercentage, 66);
        EXPECT_EQ(s->modelQuotas[0].quotaType, QuotaLabel(QuotaKind::weeklyLimit));
        EXPECT_EQ(s->modelQuotas[0].resetAt, momentAfter(kNow, 3 * 86400.0 + 17 * 3600.0 + 59 * 60.0));
    }
    // Only the scoped kind reads its scope; the name follows the display language.
    const QJsonObject both = parseJson(R"({"cachedUsageUtilization":{"utilization":{"limits":[
        {"kind":"weekly_opus","percent":1,"scope":{"model":{"display_name":"Fable"}}},
        {"kind":"weekly_scoped","percent":1,"scope":{"model":{"display_name":"Fable"}}}]}}})");
    test::speak(ResolvedLanguage::korean);
    const auto korean = ClaudeCodeAdapter::snapshot(both, kNow);
    ASSERT_TRUE(korean);
    ASSERT_EQ(korean->modelQuotas.size(), 2);
    EXPECT_EQ(labelText(korean->modelQuotas[0].name), QStringLiteral("주간 (Opus)"));
    EXPECT_EQ(labelText(korean->modelQuotas[1].name), QStringLiteral("주간 (Fable)"));
    test::speak();
}

// The reading keeps each window's reset moment, also once it has passed (the
// views then show the window as ended); the weeks of one model family fill in
// when the reading has no named limits; a window the service leaves null is none.
TEST(ClaudeCachedUsage, WindowsKeepTheirResetMoments) {
    const QDateTime before(QDate(2026, 2, 10), QTime(11, 0), Qt::UTC); // kNow is 12:00
    const struct {
        const char* utilization;
        QStringList lines; // "name remaining countdown reset"
        const char* hourlyReset;
        const char* weeklyReset;
    } rows[] = {
        // The service's answer as the client caches it: six fractional digits, null families.
        {R"({"five_hour":{"utilization":92.0,"resets_at":"2026-02-10T11:59:59.943648+00:00"},
             "seven_day":{"utilization":61.0,"resets_at":"2026-02-14T09:00:00.412981+00:00"},
             "seven_day_oauth_apps":null,"seven_day_opus":null,
             "seven_day_sonnet":{"utilization":35.0,"resets_at":"2026-02-14T09:00:00.413001+00:00"},
             "iguana_necktie":null,
             "extra_usage":{"is_enabled":false,"monthly_limit":null,"used_credits":null,"utilization":null}})",
         {"Session (5h) 8 - 2026-02-10T11:59:59Z", "Weekly (all models) 39 334800 2026-02-14T09:00:00Z",
          "Weekly (Sonnet) 65 334800 2026-02-14T09:00:00Z"},
         "2026-02-10T11:59:59Z",
         "2026-02-14T09:00:00Z"},
        // Resets given as seconds since 1970, as the client's status line writes them.
        {R"({"five_hour":{"utilization":10,"resets_at":1770728400},
             "seven_day":{"utilization":20,"resets_at":1770000000},
             "seven_day_opus":{"utilization":30}})",
         {"Session (5h) 90 3600 2026-02-10T13:00:00Z", "Weekly (all models) 80 - 2026-02-02T02:40:00Z",
          "Weekly (Opus) 70 - -"},
         "2026-02-10T13:00:00Z",
         "2026-02-02T02:40:00Z"},
        // Named limits carry their own moments; the family windows are not repeated.
        {R"({"five_hour":{"utilization":40,"resets_at":"2026-02-10T14:00:00Z"},
             "seven_day_sonnet":{"utilization":35,"resets_at":"2026-02-14T09:00:00Z"},
             "limits":[{"kind":"session","group":"session","percent":40,"resets_at":"2026-02-10T14:00:00Z"},
                       {"kind":"weekly_sonnet","group":"weekly","percent":35,"resets_at":"2026-02-10T10:00:00Z"}]})",
         {"Session (5h) 60 7200 2026-02-10T14:00:00Z", "Weekly (Sonnet) 65 - 2026-02-10T10:00:00Z"},
         "2026-02-10T14:00:00Z",
         nullptr},
        // No reset, or one that is no date: neither a countdown nor a moment.
        {R"({"five_hour":{"utilization":5,"resets_at":"soon"},"seven_day":{"utilization":6,"resets_at":null}})",
         {"Session (5h) 95 - -", "Weekly (all models) 94 - -"},
         nullptr,
         nullptr},
    };
    for (const auto& row : rows) {
        const auto s = ClaudeCodeAdapter::snapshot(
            config(parseJson(row.utilization),
                   QJsonObject{{QStringLiteral("fetchedAtMs"), double(before.toMSecsSinceEpoch())}}),
            kNow);
        ASSERT_TRUE(s) << row.utilization;
        const QStringList got = test::claudeQuotaLines(*s, kNow, true);
        EXPECT_EQ(got, row.lines) << row.utilization;
        auto moment = [](const char* iso) {
            return iso ? std::optional<QDateTime>(QDateTime::fromString(QLatin1String(iso), Qt::ISODate))
                       : std::nullopt;
        };
        EXPECT_EQ(s->headlineResetAt, moment(row.hourlyReset)) << row.utilization;
        EXPECT_EQ(s->weeklyResetAt, moment(row.weeklyReset)) << row.utilization;
        EXPECT_EQ(s->capturedAt, before);
        EXPECT_EQ(s->isHeadlineWindowElapsed(kNow), s->headlineResetAt && *s->headlineResetAt <= kNow);
    }
}
