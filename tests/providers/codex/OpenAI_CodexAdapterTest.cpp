#include "providers/codex/OpenAI_CodexAdapter.h"

#include "accounts/AccountIdentityLedger.h"
#include "core/Clock.h"
#include "core/Localization.h"
#include "core/ReadingWords.h"
#include "support/CodexFixtures.h"
#include "support/FakeClock.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/Speaking.h"
#include "support/Worded.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace meterix {
namespace {

namespace fx = test::codex;
using Adapter = OpenAI_CodexAdapter;

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}
QString iso(const QDateTime& t) { return t.toString(Qt::ISODate); }

const QDateTime kNow = utc(2026, 1, 15, 12);

QJsonObject idClaims(const QString& email, const QString& accountID, const QString& plan) {
    QJsonObject claims{{QStringLiteral("https://api.openai.com/auth"), fx::openAIClaims(accountID, plan)}};
    if (!email.isEmpty()) claims.insert(QStringLiteral("email"), email);
    return claims;
}

Adapter::RateLimits limitsAt(const QDateTime& capturedAt) {
    Adapter::RateLimits limits;
    limits.capturedAt = capturedAt;
    limits.sessionStartedAt = capturedAt.addSecs(-600);
    return limits;
}

class OpenAI_CodexAdapterTest : public ::testing::Test {
protected:
    void SetUp() override { test::speak(); }
    void TearDown() override { test::speak(); }

    CodexAccountResolver::Environment environment(std::optional<QString> codexHome = std::nullopt) const {
        return {home.path(), std::move(codexHome), home.file(QStringLiteral(".config/com.openai.chat"))};
    }

    QString signIn(const QString& folder, const QJsonObject& claims, const QDateTime& writtenAt) {
        return fx::writeFile(home.file(folder + QStringLiteral("/auth.json")), fx::authJson(claims), writtenAt);
    }

    // A rollout that began at `start` and reported the given limits at `reported`.
    void session(const QString& folder, const QString& name, const QDateTime& start, const QDateTime& reported,
                 const QJsonObject& limits) {
        fx::writeFile(home.file(folder + QStringLiteral("/sessions/2026/01/15/") + name),
                      fx::joinLines({fx::sessionMetaLine(iso(start)), fx::rateLimitLine(iso(reported), limits)}),
                      reported);
    }

    static QJsonObject primaryAt(double used) {
        return QJsonObject{{QStringLiteral("primary"), fx::window(used, 300, utc(2026, 1, 15, 14).toSecsSinceEpoch())},
                           {QStringLiteral("plan_type"), QStringLiteral("pro")}};
    }

    test::TempHome home;
    test::FakeClock clock{kNow};
    AccountIdentityLedger ledger{home.file(QStringLiteral("data/account-identity.json")), clock};
};

// MARK: Availability and fetching

TEST_F(OpenAI_CodexAdapterTest, WithoutProfileOrCodexFolderNothingIsDetected) {
    Adapter adapter(ledger, environment(), clock);
    EXPECT_FALSE(adapter.isDetected());
    EXPECT_FALSE(adapter.checkAvailability());
    EXPECT_FALSE(adapter.isDetected());
    const UsageSnapshot s = adapter.fetchUsage(false);
    EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
    EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::notConfigured);
    EXPECT_EQ(s.accountID, std::nullopt);
    EXPECT_EQ(s.accountEmail, std::nullopt);
    EXPECT_EQ(s.sourceID, QStringLiteral("codex.cli"));
    EXPECT_EQ(s.headlineRemainingPercentage, 0);
    EXPECT_EQ(s.totalTokens, 100000);
    EXPECT_EQ(s.capturedAt, kNow);
    EXPECT_TRUE(s.modelQuotas.isEmpty());
    EXPECT_EQ(adapter.fetchUsagePerAccount(false), QList<UsageSnapshot>{s});
}

TEST_F(OpenAI_CodexAdapterTest, ACodexFolderWithoutCredentialsIsDetectedButHasNoFigures) {
    home.mkdir(QStringLiteral(".codex/sessions"));
    session(QStringLiteral(".codex"), QStringLiteral("rollout-a.jsonl"), utc(2026, 1, 15, 11), utc(2026, 1, 15, 11, 30),
            primaryAt(10));
    Adapter adapter(ledger, environment(), clock);
    EXPECT_TRUE(adapter.checkAvailability());
    EXPECT_TRUE(adapter.isDetected());
    EXPECT_TRUE(adapter.fetchUsage().isSimulated());
    const auto all = adapter.fetchUsagePerAccount(false);
    ASSERT_EQ(all.size(), 1);
    EXPECT_TRUE(all.first().isSimulated());
}

TEST_F(OpenAI_CodexAdapterTest, ASignedInProfileWithARolloutGivesItsFigures) {
    signIn(QStringLiteral(".codex"), idClaims(QStringLiteral("kim@example.com"), QStringLiteral("acct-1"), QStringLiteral("plus")),
           utc(2026, 1, 1));
    session(QStringLiteral(".codex"), QStringLiteral("rollout-a.jsonl"), utc(2026, 1, 15, 11), utc(2026, 1, 15, 11, 30),
            primaryAt(25));
    Adapter adapter(ledger, environment(), clock);
    EXPECT_TRUE(adapter.checkAvailability());
    const UsageSnapshot s = adapter.fetchUsage(true);
    EXPECT_EQ(s.strategyUsed, FetchStrategy::localFileCache);
    EXPECT_EQ(s.accountID, QStringLiteral("acct-1"));
    EXPECT_EQ(s.accountEmail, QStringLiteral("kim@example.com"));
    EXPECT_EQ(s.planName, QStringLiteral("ChatGPT Pro")); // the rollout's plan wins over the token's
    EXPECT_EQ(s.headlineRemainingPercentage, 75);
    EXPECT_EQ(s.headlineResetAt, momentAfter(kNow, 7200));
    EXPECT_EQ(s.capturedAt, utc(2026, 1, 15, 11, 30));
    EXPECT_EQ(s.lastUpdated, utc(2026, 1, 15, 11, 30));
    // Nothing of the credential file travels in the snapshot.
    const QByteArray text = QJsonDocument(s.toJson()).toJson();
    EXPECT_FALSE(text.contains("secret"));
    EXPECT_FALSE(text.contains("eyJ"));
}

TEST_F(OpenAI_CodexAdapterTest, TwoProfilesGiveTwoSnapshotsInProfileOrder) {
    signIn(QStringLiteral("env-home"), idClaims(QStringLiteral("a@x.io"), QStringLiteral("A"), QString()), utc(2026, 1, 1));
    signIn(QStringLiteral(".codex"), idClaims(QStringLiteral("b@x.io"), QStringLiteral("B"), QString()), utc(2026, 1, 1));
    session(QStringLiteral("env-home"), QStringLiteral("rollout-a.jsonl"), utc(2026, 1, 15, 11), utc(2026, 1, 15, 11, 1),
            primaryAt(10));
    session(QStringLiteral(".codex"), QStringLiteral("rollout-b.jsonl"), utc(2026, 1, 15, 11), utc(2026, 1, 15, 11, 2),
            primaryAt(90));
    Adapter adapter(ledger, environment(home.file(QStringLiteral("env-home"))), clock);
    const auto all = adapter.fetchUsagePerAccount(false);
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].accountID, QStringLiteral("A"));
    EXPECT_EQ(all[0].headlineRemainingPercentage, 90);
    EXPECT_EQ(all[1].accountID, QStringLiteral("B"));
    EXPECT_EQ(all[1].headlineRemainingPercentage, 10);
    EXPECT_EQ(adapter.fetchUsage(false).accountID, QStringLiteral("A"));
    EXPECT_EQ(ledger.record(AIProviderType::openAICodex, home.file(QStringLiteral("env-home")))->accountID, QStringLiteral("A"));
    EXPECT_EQ(ledger.record(AIProviderType::openAICodex, home.file(QStringLiteral(".codex")))->accountID, QStringLiteral("B"));
}

// MARK: Allowances

using fx::kAccountLimits;
using fx::kSparkLimits;

// "name remaining" per item, in order, joined by " | ".
QString itemTexts(const UsageSnapshot& s) {
    QStringList texts;
    for (const ModelQuotaItem& item : s.modelQuotas)
        texts.append(labelText(item.name) + QLatin1Char(' ') + QString::number(item.remainingPercentage));
    return texts.join(QLatin1String(" | "));
}

// The figures of a home follow who is signed in there: a home whose
// credentials are in the keyring still has its figures (of an unknown
// account); an API key signed in after the last ChatGPT session shows none of
// that login's; the newest session is read even once archived.
TEST_F(OpenAI_CodexAdapterTest, FiguresFollowWhoIsSignedIn) {
    const QDateTime now = utc(2026, 12, 10, 12);
    clock.set(now);
    const QByteArray rollout = test::testData(QStringLiteral("codex/rollout-2026-12-10T11-00-00-019b0a1c.jsonl"));
    ASSERT_FALSE(rollout.isEmpty());
    const QDateTime written = utc(2026, 12, 10, 11, 0, 42);
    const struct {
        const char* name;
        const char* config;
        const char* auth;
        QDateTime signedInAt;
        bool archived; // the session lies in archived_sessions, not in sessions/2026/12/10
        bool figures;
        std::optional<QString> accountID; // {}: none, an unknown account
        std::optional<UsageUnavailableReason> why = std::nullopt; // of a snapshot without figures
    } rows[] = {
        {"ChatGPT login", nullptr, "auth-chatgpt.json", utc(2026, 12, 10, 8), false, true, fx::kDataAccountID},
        {"credentials in the keyring", "config-keyring.toml", nullptr, {}, false, true, {}},
        {"an API key since the session", nullptr, "auth-apikey.json", utc(2026, 12, 10, 11, 30), false, false, {},
         UsageUnavailableReason::signedInWithAPIKey},
        {"an API key, older file, since the session", nullptr, "auth-apikey-legacy.json", utc(2026, 12, 10, 11, 30),
         false, false, {}, UsageUnavailableReason::signedInWithAPIKey},
        {"an API key before the session", nullptr, "auth-apikey.json", utc(2026, 12, 10, 10), false, true, {}},
        {"signed out", nullptr, nullptr, {}, false, false, {}, UsageUnavailableReason::notConfigured},
        {"the session archived", nullptr, "auth-chatgpt.json", utc(2026, 12, 10, 8), true, true, fx::kDataAccountID},
    };
    for (const auto& row : rows) {
        const QString user = QLatin1String(row.name);
        const QString codex = home.file(user + QStringLiteral("/.codex"));
        if (row.config) fx::writeFile(codex + QStringLiteral("/config.toml"), test::testData(QStringLiteral("codex/") + QLatin1String(row.config)), now);
        if (row.auth) fx::writeFile(codex + QStringLiteral("/auth.json"), test::testData(QStringLiteral("codex/") + QLatin1String(row.auth)), row.signedInAt);
        fx::writeFile(codex + (row.archived ? QStringLiteral("/archived_sessions") : QStringLiteral("/sessions/2026/12/10")) +
                          QStringLiteral("/rollout-2026-12-10T11-00-00-019b0a1c.jsonl"),
                      rollout, written);
        // An older session left in place: the archived one is newer.
        fx::writeFile(codex + QStringLiteral("/sessions/2026/12/09/rollout-old.jsonl"),
                      fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-12-09T09:00:00Z")),
                                     fx::rateLimitLine(QStringLiteral("2026-12-09T09:10:00Z"), primaryAt(90))}),
                      utc(2026, 12, 9, 9, 10));
        Adapter adapter(ledger, {home.file(user), std::nullopt, home.file(user + QStringLiteral("/chat"))}, clock);
        const auto all = adapter.fetchUsagePerAccount(false);
        ASSERT_EQ(all.size(), 1) << row.name;
        const UsageSnapshot& s = all[0];
        EXPECT_EQ(s.accountID, row.accountID) << row.name;
        EXPECT_EQ(!s.isSimulated(), row.figures) << row.name;
        EXPECT_EQ(s.unavailableReason, row.why) << row.name;
        if (!row.figures) continue;
        EXPECT_EQ(s.headlineRemainingPercentage, 76.5) << row.name;
        EXPECT_EQ(s.weeklyRemainingPercentage, 56) << row.name;
        EXPECT_EQ(s.planName, QStringLiteral("ChatGPT Pro Lite")) << row.name;
        EXPECT_EQ(s.capturedAt, utc(2026, 12, 10, 11, 0, 41).addMSecs(902)) << row.name;
        EXPECT_EQ(itemTexts(s), QStringLiteral("5-hour limit 76.5 | 1-week limit 56 | GPT-5.3-Codex-Spark \u00b7 5-hour limit 97 | "
                                               "GPT-5.3-Codex-Spark \u00b7 1-week limit 99 | Credits 100"))
            << row.name;
        EXPECT_EQ(labelText(s.modelQuotas.last().paceText), QStringLiteral("Balance 17.25")) << row.name;
    }
}

TEST_F(OpenAI_CodexAdapterTest, AllowancesOfTheAccountAndOfSingleModels) {
    QByteArray spark2 = kSparkLimits;
    spark2.replace(R"("used_percent":3.0)", R"("used_percent":10)");
    QByteArray account2 = kAccountLimits;
    account2.replace(R"("used_percent":21.0)", R"("used_percent":22)");
    QByteArray sparkEnded = kSparkLimits;
    sparkEnded.replace("1768485600", "1768474800").replace("1768867200", "1768474800");
    const char* withSpark = "5-hour limit 79 | 1-week limit 56 | GPT-5.3-Codex-Spark · 5-hour limit 97 | "
                            "GPT-5.3-Codex-Spark · 1-week limit 99 | Credits 100";
    const struct {
        const char* name;
        QList<QByteArray> rateLimits; // one token-count line each, a second apart
        std::optional<double> hourly; // nothing: no figures
        std::optional<double> weekly;
        const char* hourlyName;
        const char* items;
    } rows[] = {
        {"a model's line after the account's", {kAccountLimits, kSparkLimits}, 79, 56, "5-hour limit", withSpark},
        {"a model's line before the account's", {kSparkLimits, kAccountLimits}, 79, 56, "5-hour limit", withSpark},
        {"the newest line of each", {kAccountLimits, kSparkLimits, account2, spark2}, 78, 56, "5-hour limit",
         "5-hour limit 78 | 1-week limit 56 | GPT-5.3-Codex-Spark · 5-hour limit 90 | "
         "GPT-5.3-Codex-Spark · 1-week limit 99 | Credits 100"},
        {"an older line without limit_id",
         {R"({"primary":{"used_percent":35.0,"window_minutes":300,"resets_at":1768485600},)"
          R"("secondary":{"used_percent":12.0,"window_minutes":10080,"resets_at":1768867200},"plan_type":"pro"})"},
         65, 88, "5-hour limit", "5-hour limit 65 | 1-week limit 88"},
        {"a plan with only a week-long primary",
         {R"({"limit_id":"codex","limit_name":null,"primary":{"used_percent":30.0,"window_minutes":10080,)"
          R"("resets_at":1768867200},"secondary":null,"credits":null,"plan_type":"free"})"},
         70, 70, "1-week limit", "1-week limit 70"},
        {"week and hours in each other's slots",
         {R"({"limit_id":"codex","primary":{"used_percent":60,"window_minutes":10080,"resets_at":1768867200},)"
          R"("secondary":{"used_percent":20,"window_minutes":300,"resets_at":1768485600}})"},
         80, 40, "5-hour limit", "5-hour limit 80 | 1-week limit 40"},
        {"a model whose windows have all reset is left out", {kAccountLimits, sparkEnded}, 79, 56, "5-hour limit",
         "5-hour limit 79 | 1-week limit 56 | Credits 100"},
        {"a model without a name goes by its id",
         {kAccountLimits, R"({"limit_id":"codex_other","limit_name":" ","primary":{"used_percent":50,)"
                          R"("window_minutes":60,"resets_at":1768485600}})"},
         79, 56, "5-hour limit", "5-hour limit 79 | 1-week limit 56 | codex_other · 1-hour limit 50 | Credits 100"},
        {"model lines alone", {kSparkLimits, spark2}, std::nullopt, std::nullopt, "", ""},
    };
    signIn(QStringLiteral(".codex"), idClaims(QStringLiteral("kim@example.com"), QStringLiteral("acct-1"), QString()),
           utc(2026, 1, 1));
    Adapter adapter(ledger, environment(), clock);
    for (const auto& row : rows) {
        QList<QByteArray> lines{fx::sessionMetaLine(QStringLiteral("2026-01-15T10:59:00Z"))};
        QDateTime stamp = utc(2026, 1, 15, 11);
        for (const QByteArray& limits : row.rateLimits) {
            lines.append(fx::tokenCountLine(iso(stamp), limits));
            stamp = stamp.addSecs(1);
        }
        fx::writeFile(home.file(QStringLiteral(".codex/sessions/2026/01/15/rollout-a.jsonl")), fx::joinLines(lines),
                      stamp);
        const UsageSnapshot s = adapter.fetchUsage(false);
        EXPECT_EQ(s.isSimulated(), !row.hourly) << row.name;
        if (!row.hourly) continue;
        EXPECT_EQ(s.headlineRemainingPercentage, *row.hourly) << row.name;
        EXPECT_EQ(s.weeklyRemainingPercentage, row.weekly) << row.name;
        EXPECT_EQ(labelText(s.headlineQuotaName), QString::fromUtf8(row.hourlyName)) << row.name;
        EXPECT_EQ(itemTexts(s), QString::fromUtf8(row.items)) << row.name;
    }
    // The item names follow the language; the credits are the account line's.
    fx::writeFile(home.file(QStringLiteral(".codex/sessions/2026/01/15/rollout-a.jsonl")),
                  fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-15T10:59:00Z")),
                                 fx::tokenCountLine(QStringLiteral("2026-01-15T11:00:00Z"), kAccountLimits),
                                 fx::tokenCountLine(QStringLiteral("2026-01-15T11:00:01Z"), kSparkLimits)}),
                  utc(2026, 1, 15, 11, 1));
    test::speak(ResolvedLanguage::korean);
    const UsageSnapshot korean = adapter.fetchUsage(false);
    EXPECT_EQ(labelText(korean.modelQuotas.last().paceText), QStringLiteral("잔액 17.25"));
    EXPECT_EQ(labelText(korean.modelQuotas[2].name), QStringLiteral("GPT-5.3-Codex-Spark \u00b7 5시간 한도"));
    EXPECT_EQ(labelText(korean.modelQuotas[2].quotaType), QStringLiteral("5시간 한도"));
    EXPECT_EQ(korean.modelQuotas[2].resetAt, momentAfter(kNow, 7200));
    test::expectOnlyKindsOrOwnNames(korean);
}

// A model's line from a session of the account signed in before is not the
// new account's, even when the account's own line is.
TEST_F(OpenAI_CodexAdapterTest, AModelAllowanceFromBeforeAnAccountSwitchIsLeftOut) {
    const QString folder = QStringLiteral(".codex");
    signIn(folder, idClaims(QStringLiteral("old@x.io"), QStringLiteral("OLD"), QString()), utc(2026, 1, 1));
    const QString day = home.file(folder + QStringLiteral("/sessions/2026/01/15/"));
    fx::writeFile(day + QStringLiteral("rollout-first.jsonl"),
                  fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-15T08:00:00Z")),
                                 fx::tokenCountLine(QStringLiteral("2026-01-15T08:30:00Z"), kAccountLimits)}),
                  utc(2026, 1, 15, 8, 30));
    Adapter adapter(ledger, environment(), clock);
    EXPECT_EQ(adapter.fetchUsage(false).accountID, QStringLiteral("OLD")); // recorded in the ledger
    signIn(folder, idClaims(QStringLiteral("new@x.io"), QStringLiteral("NEW"), QString()), utc(2026, 1, 15, 10));
    fx::writeFile(day + QStringLiteral("rollout-old.jsonl"),
                  fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z")),
                                 fx::tokenCountLine(QStringLiteral("2026-01-15T10:30:00Z"), kSparkLimits)}),
                  utc(2026, 1, 15, 10, 30));
    fx::writeFile(day + QStringLiteral("rollout-new.jsonl"),
                  fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-15T10:05:00Z")),
                                 fx::tokenCountLine(QStringLiteral("2026-01-15T10:20:00Z"), kAccountLimits)}),
                  utc(2026, 1, 15, 10, 20));
    const UsageSnapshot s = adapter.fetchUsage(false);
    EXPECT_EQ(s.accountID, QStringLiteral("NEW"));
    EXPECT_EQ(itemTexts(s), QStringLiteral("5-hour limit 79 | 1-week limit 56 | Credits 100"));
}

// MARK: Attribution

TEST_F(OpenAI_CodexAdapterTest, ASessionFromBeforeAnAccountSwitchIsNotCreditedToTheNewAccount) {
    const QString folder = QStringLiteral(".codex");
    signIn(folder, idClaims(QStringLiteral("old@x.io"), QStringLiteral("OLD"), QStringLiteral("plus")), utc(2026, 1, 1));
    session(folder, QStringLiteral("rollout-1.jsonl"), utc(2026, 1, 15, 9), utc(2026, 1, 15, 9, 30), primaryAt(40));
    Adapter adapter(ledger, environment(), clock);
    EXPECT_EQ(adapter.fetchUsage(false).accountID, QStringLiteral("OLD"));

    // The user signs in to another account at 10:00; the old rollout is still the newest.
    const QDateTime switchedAt = utc(2026, 1, 15, 10);
    signIn(folder, idClaims(QStringLiteral("new@x.io"), QStringLiteral("NEW"), QStringLiteral("team")), switchedAt);
    const UsageSnapshot withheld = adapter.fetchUsage(false);
    EXPECT_TRUE(withheld.isSimulated());
    EXPECT_EQ(withheld.accountID, QStringLiteral("NEW"));
    EXPECT_EQ(withheld.accountEmail, QStringLiteral("new@x.io"));
    EXPECT_EQ(withheld.planName, QStringLiteral("ChatGPT Team"));
    EXPECT_EQ(withheld.unavailableReason, UsageUnavailableReason::heldBackAfterSwitch);
    EXPECT_EQ(ledger.record(AIProviderType::openAICodex, home.file(folder)),
              (AccountIdentityLedger::Record{QStringLiteral("NEW"), switchedAt}));

    // Still withheld after a restart: the boundary is on disk.
    {
        AccountIdentityLedger restarted(ledger.filePath(), clock);
        Adapter again(restarted, environment(), clock);
        EXPECT_TRUE(again.fetchUsage(false).isSimulated());
    }

    // A session that begins at the switch is the new account's.
    session(folder, QStringLiteral("rollout-2.jsonl"), switchedAt, utc(2026, 1, 15, 10, 30), primaryAt(5));
    const UsageSnapshot credited = adapter.fetchUsage(false);
    EXPECT_EQ(credited.strategyUsed, FetchStrategy::localFileCache);
    EXPECT_EQ(credited.accountID, QStringLiteral("NEW"));
    EXPECT_EQ(credited.headlineRemainingPercentage, 95);
}

TEST_F(OpenAI_CodexAdapterTest, WithoutAnAccountIdTheEmailKeysTheLedger) {
    signIn(QStringLiteral(".codex"), idClaims(QStringLiteral("only@mail.io"), QString(), QString()), utc(2026, 1, 1));
    session(QStringLiteral(".codex"), QStringLiteral("rollout-a.jsonl"), utc(2026, 1, 15, 11), utc(2026, 1, 15, 11, 5),
            primaryAt(10));
    Adapter adapter(ledger, environment(), clock);
    const UsageSnapshot s = adapter.fetchUsage(false);
    EXPECT_EQ(s.accountID, QStringLiteral("only@mail.io"));
    EXPECT_EQ(ledger.record(AIProviderType::openAICodex, home.file(QStringLiteral(".codex")))->accountID,
              QStringLiteral("only@mail.io"));
}

TEST_F(OpenAI_CodexAdapterTest, ACredentialWithoutClaimsGivesFiguresWithoutAccountOrLedgerEntry) {
    fx::writeFile(home.file(QStringLiteral(".codex/auth.json")), R"({"tokens": {"id_token": "not-a-token"}})", utc(2026, 1, 1));
    session(QStringLiteral(".codex"), QStringLiteral("rollout-a.jsonl"), utc(2026, 1, 15, 11), utc(2026, 1, 15, 11, 5),
            primaryAt(10));
    Adapter adapter(ledger, environment(), clock);
    const UsageSnapshot s = adapter.fetchUsage(false);
    EXPECT_EQ(s.strategyUsed, FetchStrategy::localFileCache);
    EXPECT_EQ(s.accountID, std::nullopt);
    EXPECT_EQ(ledger.record(AIProviderType::openAICodex, home.file(QStringLiteral(".codex"))), std::nullopt);
}

TEST_F(OpenAI_CodexAdapterTest, ARolloutWithoutStartLineIsNeverCredited) {
    signIn(QStringLiteral(".codex"), idClaims(QStringLiteral("a@x.io"), QStringLiteral("A"), QString()), utc(2026, 1, 1));
    fx::writeFile(home.file(QStringLiteral(".codex/sessions/rollout-a.jsonl")),
                  fx::joinLines({fx::rateLimitLine(iso(utc(2026, 1, 15, 11)), primaryAt(10))}), utc(2026, 1, 15, 11));
    Adapter adapter(ledger, environment(), clock);
    const UsageSnapshot s = adapter.fetchUsage(false);
    EXPECT_TRUE(s.isSimulated());
    EXPECT_EQ(s.accountID, QStringLiteral("A"));
    EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::awaitingFirstReading);
}

// MARK: Figures

TEST_F(OpenAI_CodexAdapterTest, APrimaryWindowOnlyBecomesTheHourlyFigures) {
    auto limits = limitsAt(utc(2026, 1, 15, 11, 59));
    limits.primary = Adapter::RateWindow{75, 300, kNow.addSecs(3600)};
    const UsageSnapshot s = Adapter::snapshot({limits, {}}, std::nullopt, kNow);
    EXPECT_EQ(s.headlineRemainingPercentage, 75);
    EXPECT_EQ(s.headlineResetAt, momentAfter(kNow, 3600));
    EXPECT_EQ(s.headlineQuotaName, QuotaLabel(QuotaKind::window).withCount(300));
    EXPECT_EQ(s.headlineResetAt, kNow.addSecs(3600));
    EXPECT_EQ(s.weeklyRemainingPercentage, std::nullopt);
    EXPECT_EQ(s.weeklyResetAt, std::nullopt);
    ASSERT_EQ(s.modelQuotas.size(), 1);
    EXPECT_EQ(s.modelQuotas[0].name, QuotaLabel(QuotaKind::window).withCount(300));
    EXPECT_EQ(s.modelQuotas[0].quotaType, QuotaLabel(QuotaKind::window).withCount(300));
    EXPECT_EQ(s.modelQuotas[0].remainingPercentage, 75);
    EXPECT_EQ(s.modelQuotas[0].resetAt, momentAfter(kNow, 3600));
    EXPECT_EQ(s.modelQuotas[0].paceText, std::nullopt);
    EXPECT_EQ(s.accountID, std::nullopt);
    EXPECT_EQ(s.unavailableReason, std::nullopt);
    EXPECT_EQ(s.credentialFingerprint, std::nullopt);
}

TEST_F(OpenAI_CodexAdapterTest, WindowsWithoutLengthTakeTheFallbackNames) {
    auto limits = limitsAt(kNow);
    limits.primary = Adapter::RateWindow{10, std::nullopt, std::nullopt};
    limits.secondary = Adapter::RateWindow{20, 10080, kNow.addDays(3)};
    UsageSnapshot s = Adapter::snapshot({limits, {}}, std::nullopt, kNow);
    EXPECT_EQ(s.headlineQuotaName, std::nullopt);
    EXPECT_EQ(s.weeklyRemainingPercentage, 20);
    EXPECT_EQ(s.weeklyResetAt, momentAfter(kNow, 3 * 86400));
    ASSERT_EQ(s.modelQuotas.size(), 2);
    EXPECT_EQ(s.modelQuotas[0].name, QuotaLabel(QuotaKind::primaryLimit));
    EXPECT_EQ(s.modelQuotas[1].name, QuotaLabel(QuotaKind::window).withCount(10080));
    limits.secondary->windowMinutes.reset();
    test::speak(ResolvedLanguage::korean);
    s = Adapter::snapshot({limits, {}}, std::nullopt, kNow);
    EXPECT_EQ(labelText(s.modelQuotas[0].name), QStringLiteral("기본 한도"));
    EXPECT_EQ(labelText(s.modelQuotas[1].name), QStringLiteral("보조 한도"));
    EXPECT_EQ(labelText(s.modelQuotas[1].quotaType), QStringLiteral("보조 한도"));
}

TEST_F(OpenAI_CodexAdapterTest, UnlimitedCreditsAloneShowFullWithACreditItem) {
    auto limits = limitsAt(kNow);
    limits.hasUnlimitedCredits = true;
    limits.creditBalance = 0; // unlimited wins over a balance
    UsageSnapshot s = Adapter::snapshot({limits, {}}, std::nullopt, kNow);
    EXPECT_EQ(s.headlineRemainingPercentage, 100);
    EXPECT_EQ(s.weeklyRemainingPercentage, std::nullopt);
    ASSERT_EQ(s.modelQuotas.size(), 1);
    EXPECT_EQ(s.modelQuotas[0].name, QuotaLabel(QuotaKind::credits));
    EXPECT_EQ(s.modelQuotas[0].quotaType, QuotaLabel(QuotaKind::credits));
    EXPECT_EQ(s.modelQuotas[0].remainingPercentage, 100);
    EXPECT_EQ(s.modelQuotas[0].paceText, QuotaLabel(QuotaKind::unlimited));
    EXPECT_EQ(s.modelQuotas[0].resetAt, std::nullopt);
    test::speak(ResolvedLanguage::korean);
    s = Adapter::snapshot({limits, {}}, std::nullopt, kNow);
    EXPECT_EQ(labelText(s.modelQuotas[0].name), QStringLiteral("크레딧"));
    EXPECT_EQ(labelText(s.modelQuotas[0].quotaType), QStringLiteral("크레딧"));
    EXPECT_EQ(labelText(s.modelQuotas[0].paceText), QStringLiteral("무제한"));
}

// The service keeps balances to the cent ("17.25"); they used to be cut to
// whole credits.
TEST_F(OpenAI_CodexAdapterTest, CreditBalancesKeepTheirCentsAndOutOfRangeOnesAreLeftOut) {
    const struct {
        double balance;
        const char* text; // nothing: no credit item
        double remaining;
    } rows[] = {
        {17.25, "Balance 17.25", 100}, {42.9, "Balance 42.90", 100}, {0.5, "Balance 0.50", 100},
        {12, "Balance 12", 100},       {0, "Balance 0", 0},          {-3.7, "Balance -3.70", 0},
        {0.004, "Balance 0", 100},     {1e30, nullptr, 0},          {-1e30, nullptr, 0},
    };
    for (const auto& row : rows) {
        auto limits = limitsAt(kNow);
        limits.creditBalance = row.balance;
        const auto items = Adapter::snapshot({limits, {}}, std::nullopt, kNow).modelQuotas;
        if (!row.text) {
            EXPECT_TRUE(items.isEmpty()) << row.balance;
            continue;
        }
        ASSERT_EQ(items.size(), 1) << row.balance;
        EXPECT_EQ(labelText(items[0].paceText), QLatin1String(row.text)) << row.balance;
        EXPECT_EQ(items[0].remainingPercentage, row.remaining) << row.balance;
    }
    test::speak(ResolvedLanguage::korean);
    auto limits = limitsAt(kNow);
    limits.creditBalance = 7.5;
    EXPECT_EQ(labelText(Adapter::snapshot({limits, {}}, std::nullopt, kNow).modelQuotas.value(0).paceText), QStringLiteral("잔액 7.50"));
}

TEST_F(OpenAI_CodexAdapterTest, APassedResetKeepsItsDate) {
    auto limits = limitsAt(kNow);
    limits.primary = Adapter::RateWindow{50, 60, kNow.addSecs(-5)};
    limits.secondary = Adapter::RateWindow{50, 10080, kNow};
    const UsageSnapshot s = Adapter::snapshot({limits, {}}, std::nullopt, kNow);
    EXPECT_EQ(s.headlineResetAt, kNow.addSecs(-5));
    EXPECT_EQ(s.weeklyResetAt, kNow);
    EXPECT_EQ(s.modelQuotas[0].resetAt, kNow.addSecs(-5));
}

TEST_F(OpenAI_CodexAdapterTest, AnAbsurdResetTimeGivesABoundedCountdownAndAStorableSnapshot) {
    signIn(QStringLiteral(".codex"), idClaims(QStringLiteral("a@x.io"), QStringLiteral("A"), QString()), utc(2026, 1, 1));
    session(QStringLiteral(".codex"), QStringLiteral("rollout-a.jsonl"), utc(2026, 1, 15, 11), utc(2026, 1, 15, 11, 5),
            QJsonObject{{QStringLiteral("primary"), fx::window(10, 300, 1e300)},
                        {QStringLiteral("secondary"), fx::window(10, 10080, -1e300)}});
    Adapter adapter(ledger, environment(), clock);
    const UsageSnapshot s = adapter.fetchUsage(false);
    ASSERT_TRUE(s.headlineResetAt);
    EXPECT_GT(secondsBetween(s.capturedAt, *s.headlineResetAt), 0);
    EXPECT_LT(secondsBetween(s.capturedAt, *s.headlineResetAt), 1e12);
    const auto back = UsageSnapshot::fromJson(s.toJson());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->headlineResetAt->date(), QDate(9999, 12, 31));
}

TEST_F(OpenAI_CodexAdapterTest, ThePlanOfTheRolloutOverridesTheCredentialsPlan) {
    const Adapter::Account account{QStringLiteral("A"), QStringLiteral("a@x.io"), QStringLiteral("ChatGPT Plus")};
    auto limits = limitsAt(kNow);
    limits.hasUnlimitedCredits = true;
    EXPECT_EQ(Adapter::snapshot({limits, {}}, account, kNow).planName, QStringLiteral("ChatGPT Plus"));
    limits.planType = QStringLiteral("enterprise");
    EXPECT_EQ(Adapter::snapshot({limits, {}}, account, kNow).planName, QStringLiteral("ChatGPT Enterprise"));
    limits.planType = QString(); // empty text names no plan
    EXPECT_EQ(Adapter::snapshot({limits, {}}, account, kNow).planName, QStringLiteral("ChatGPT Plus"));
    EXPECT_EQ(Adapter::snapshot({limits, {}}, std::nullopt, kNow).planName, std::nullopt);
}

} // namespace
} // namespace meterix
