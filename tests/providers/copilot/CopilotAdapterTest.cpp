#include "providers/copilot/CopilotAdapter.h"

#include "support/Readings.h"
#include "support/FakeClock.h"
#include "support/FakeEnvironment.h"
#include "support/FakeTransport.h"
#include "support/TempHome.h"
#include "support/Worded.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace meterix::test {
namespace {

const QDateTime kFebruary(QDate(2026, 2, 1), QTime(0, 0), Qt::UTC);
const double kToFebruary = 16.5 * 86400; // from the fixture clock's 12:00 on 15 January
const QString kUnlimited = QStringLiteral("Unlimited");
QByteArray snapshots(const QByteArray& quotaSnapshots, const QByteArray& rest = {}) {
    return R"({"quota_snapshots":)" + quotaSnapshots + rest + "}";
}
// A line as the rows write it: the allowance by its English words, its counts
// as "left / entitled" or "Monthly".
ModelQuotaItem item(const char* name, double left, const char* type,
                    std::optional<QDateTime> at, std::optional<QString> pace = std::nullopt) {
    const QString n = QLatin1String(name);
    const QuotaKind kind = n == QLatin1String("Premium Interactions") ? QuotaKind::premiumInteractions
                           : n == QLatin1String("Chat Requests")      ? QuotaKind::chatRequests
                                                                      : QuotaKind::completions;
    const QStringList counts = QString::fromLatin1(type).split(QStringLiteral(" / "));
    const QuotaLabel typeLabel = counts.size() == 2
                                     ? QuotaLabel(QuotaKind::amountOfTotal).withAmount(counts[0]).withTotal(counts[1])
                                     : QuotaLabel(QuotaKind::monthly);
    return ModelQuotaItem(kind, left, typeLabel, at,
                          pace ? std::optional<QuotaLabel>(QuotaKind::unlimited) : std::nullopt);
}

class CopilotTest : public ::testing::Test {
protected:
    CopilotAdapter adapter() {
        return CopilotAdapter(transport, QStringLiteral("https://gh.test"), home.path(), env.lookup(), clock);
    }
    UsageSnapshot answerBody(const QByteArray& body) {
        env.set(QStringLiteral("GITHUB_TOKEN"), QStringLiteral("gho_env"));
        transport.respond(200, body);
        return adapter().fetchUsage(false);
    }
    UsageSnapshot answer(const QByteArray& quotaSnapshots) { return answerBody(snapshots(quotaSnapshots)); }
    QByteArray sentHeader(const char* name) {
        return headerValue(transport.requests().last().headers, name).value_or(QByteArray());
    }
    void writeHosts(const char* file, const QByteArray& json) {
        home.write(QStringLiteral(".config/github-copilot/") + QLatin1String(file), json);
    }

    TempHome home;
    FakeEnvironment env;
    FakeTransport transport;
    FakeClock clock; // 2026-01-15 12:00 UTC
};

TEST_F(CopilotTest, ReadsBothAllowances) {
    const UsageSnapshot s =
        answer(R"({"premium_interactions":{"credits_used":75,"credits_total":300},"chat":{"used":10,"limit":40}})");
    ASSERT_EQ(s.modelQuotas.size(), 2);
    EXPECT_EQ(test::worded(s.modelQuotas[0]), ModelQuotaItem(QStringLiteral("Premium Interactions"), 75, QStringLiteral("Monthly")));
    EXPECT_EQ(test::worded(s.modelQuotas[1]), ModelQuotaItem(QStringLiteral("Chat Requests"), 75, QStringLiteral("Monthly")));
    EXPECT_EQ(s.headlineResetAt, test::resetIn(s, 864000));
    EXPECT_EQ(s.weeklyRemainingPercentage, 75);
    EXPECT_EQ(s.weeklyResetAt, test::resetIn(s, 864000));
    test::expectOnlyKindsOrOwnNames(s);
    EXPECT_EQ(sentHeader("Authorization"), "token gho_env");
    EXPECT_EQ(sentHeader("Editor-Version"), "vscode/1.96.2");
    EXPECT_EQ(sentHeader("Editor-Plugin-Version"), "CopilotChat/0.24.1");
}

TEST_F(CopilotTest, OneAllowanceAloneDecides) {
    const UsageSnapshot chatOnly = answer(R"({"premium_interactions":{"used":10,"limit":0},"chat":{"used":1,"limit":4}})");
    ASSERT_EQ(chatOnly.modelQuotas.size(), 1);
    EXPECT_EQ(chatOnly.modelQuotas[0].name, QuotaLabel(QuotaKind::chatRequests));
    EXPECT_EQ(chatOnly.headlineRemainingPercentage, 75);
    EXPECT_EQ(chatOnly.weeklyRemainingPercentage, 75);

    const UsageSnapshot premiumOnly = answer(R"({"premium_interactions":{"used":1,"limit":2}})");
    ASSERT_EQ(premiumOnly.modelQuotas.size(), 1);
    EXPECT_EQ(premiumOnly.headlineResetAt, test::resetIn(premiumOnly, 864000));
    EXPECT_EQ(premiumOnly.weeklyRemainingPercentage, std::nullopt);
    EXPECT_EQ(premiumOnly.weeklyResetAt, std::nullopt);
}

TEST_F(CopilotTest, RemainingIsClampedAndFallsBackFieldByField) {
    const auto remaining = [](const char* json) {
        return CopilotAdapter::remaining(QStringLiteral("chat"),
                                         QJsonDocument::fromJson(QByteArray(R"({"chat":)") + json + "}").object());
    };
    EXPECT_EQ(remaining(R"({"used":50,"limit":10})"), 0);
    EXPECT_EQ(remaining(R"({"used":-5,"limit":10})"), 100);
    EXPECT_EQ(remaining(R"({"credits_used":"3","used":2,"limit":10})"), 80);
    EXPECT_EQ(remaining(R"({"used":2})"), std::nullopt);
    EXPECT_EQ(remaining(R"({"used":2,"limit":-1})"), std::nullopt);
    EXPECT_EQ(remaining(R"([1])"), std::nullopt);
}

TEST_F(CopilotTest, AnEmptyTokenVariableCountsAsDetectedButNotConfigured) {
    env.set(QStringLiteral("COPILOT_TOKEN"), QString());
    EXPECT_TRUE(adapter().isDetected());
    EXPECT_EQ(adapter().fetchUsage(false).unavailableReason, UsageUnavailableReason::notConfigured);
    EXPECT_TRUE(transport.requests().isEmpty());
}

TEST_F(CopilotTest, TheTokenComesFromTheAppsFileWhenTheHostsFileHasNone) {
    writeHosts("hosts.json", R"({"github.com":{"user":"me"}})");
    writeHosts("apps.json", R"({"github.com:Iv1.abc":{"oauth_token":"ghu_apps"}})");
    EXPECT_TRUE(adapter().isDetected());
    EXPECT_EQ(adapter().credentialFingerprint(), UsageSnapshot::fingerprint(QStringLiteral("ghu_apps")));
}

TEST_F(CopilotTest, TokensOfOtherHostsAreNeverSentToGitHub) {
    writeHosts("hosts.json", R"({"ghe.corp.example":{"oauth_token":"ghu_enterprise"},
                                 "github.com.evil.example":{"oauth_token":"ghu_lookalike"}})");
    EXPECT_EQ(adapter().credentialFingerprint(), std::nullopt);
    EXPECT_EQ(adapter().fetchUsage(false).unavailableReason, UsageUnavailableReason::notConfigured);
    EXPECT_TRUE(transport.requests().isEmpty());
}

TEST_F(CopilotTest, ThePublicHostEntryWinsInAFixedOrderAndBadTokensAreSkipped) {
    writeHosts("hosts.json", R"({"a.corp":{"oauth_token":"ghu_corp"},
                                 "github.com:app":{"oauth_token":"ghu_app"},
                                 "github.com":{"oauth_token":"ghu_public"}})");
    EXPECT_EQ(adapter().credentialFingerprint(), UsageSnapshot::fingerprint(QStringLiteral("ghu_public")));
    writeHosts("hosts.json", R"({"github.com":{"oauth_token":7},"github.com:a":{"oauth_token":""},
                                 "github.com:b":{"oauth_token":"bad\r\nX: y"},"github.com:c":{"oauth_token":"ghu_c"}})");
    EXPECT_EQ(adapter().credentialFingerprint(), UsageSnapshot::fingerprint(QStringLiteral("ghu_c")));
    transport.respond(401, "{}");
    EXPECT_EQ(adapter().fetchUsage(false).unavailableReason, UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(sentHeader("Authorization"), "token ghu_c");
}

// The allowances as GitHub sends them today (entitlement, remaining,
// percent_remaining, unlimited and has_quota, with the plan and the renewal
// date) and as its editor clients read them.
TEST_F(CopilotTest, ReadsTheAllowancesAsTheServiceSendsThem) {
    const QDateTime ownReset(QDate(2026, 1, 20), QTime(0, 0), Qt::UTC);
    const char* unlimitedChat = R"("chat":{"entitlement":0,"remaining":0,"percent_remaining":100,"unlimited":true,
        "overage_count":0,"overage_permitted":false,"quota_id":"chat","timestamp_utc":"2026-01-15T11:00:00.000Z"},
        "completions":{"entitlement":0,"remaining":0,"percent_remaining":100,"unlimited":true,"quota_id":"completions"})";
    const struct {
        const char* what;
        QByteArray body;
        QList<ModelQuotaItem> items;
        double hourly;
        std::optional<double> weekly;
        std::optional<double> countdown;
        std::optional<QString> plan;
    } rows[] = {
        {"a Pro seat one request over its 300",
         snapshots(QByteArray(R"({"premium_interactions":{"entitlement":300,"remaining":-1,"quota_remaining":-1,
             "percent_remaining":-0.33,"unlimited":false,"overage_count":1,"overage_permitted":true,
             "quota_id":"premium_interactions"},)") + unlimitedChat + "}",
         R"(,"quota_reset_date_utc":"2026-02-01T00:00:00.000Z","quota_reset_date":"2026-03-01",
             "copilot_plan":"individual","access_type_sku":"plus_monthly_subscriber_quota")"),
         {item("Premium Interactions", 0, "-1 / 300", kFebruary),
          item("Chat Requests", 100, "Monthly", kFebruary, kUnlimited),
          item("Completions", 100, "Monthly", kFebruary, kUnlimited)},
         0, 100, kToFebruary, QStringLiteral("Individual")},
        {"a business seat: unlimited chat and completions",
         snapshots(QByteArray(R"({"premium_interactions":{"entitlement":300,"remaining":255,"percent_remaining":85,
             "unlimited":false},)") + unlimitedChat + "}",
         R"(,"quota_reset_date":"2026-02-01","copilot_plan":"business")"),
         {item("Premium Interactions", 85, "255 / 300", kFebruary),
          item("Chat Requests", 100, "Monthly", kFebruary, kUnlimited),
          item("Completions", 100, "Monthly", kFebruary, kUnlimited)},
         85, 100, kToFebruary, QStringLiteral("Business")},
        {"a free seat without premium requests, renewal as a date only",
         snapshots(R"({"premium_interactions":{"entitlement":0,"remaining":0,"percent_remaining":0,"unlimited":false,
             "has_quota":false},
             "chat":{"entitlement":50,"remaining":40,"percent_remaining":80,"unlimited":false,"has_quota":true},
             "completions":{"entitlement":2000,"remaining":1500,"unlimited":false,"has_quota":true}})",
         R"(,"quota_reset_date":"2026-02-01","copilot_plan":"free")"),
         {item("Chat Requests", 80, "40 / 50", kFebruary),
          item("Completions", 75, "1500 / 2000", kFebruary)},
         80, 80, kToFebruary, QStringLiteral("Free")},
        {"percent_remaining missing: quota_remaining of entitlement; no renewal date: ten days",
         snapshots(R"({"premium_interactions":{"entitlement":300,"quota_remaining":75,"percent_remaining":"25"}})"),
         {item("Premium Interactions", 25, "75 / 300", std::nullopt)}, 25, std::nullopt, 864000,
         std::nullopt},
        {"only a percentage; a renewal already past gives no countdown",
         snapshots(R"({"premium_interactions":{"entitlement":300,"percent_remaining":150}})",
                   R"(,"quota_reset_date_utc":"2026-01-01T00:00:00Z","copilot_plan":"")"),
         {item("Premium Interactions", 100, "Monthly", std::nullopt)}, 100, std::nullopt,
         std::nullopt, std::nullopt},
        {"everything unlimited: full; an unreadable date falls back to the plain one",
         snapshots(QByteArray("{") + unlimitedChat + "}",
                   R"(,"quota_reset_date_utc":"soon","quota_reset_date":"2026-02-01","copilot_plan":"enterprise")"),
         {item("Chat Requests", 100, "Monthly", kFebruary, kUnlimited),
          item("Completions", 100, "Monthly", kFebruary, kUnlimited)},
         100, 100, kToFebruary, QStringLiteral("Enterprise")},
        // The shapes GitHub's editor clients read today (token-based billing, pooled allowances, the older
        // free-plan answer), by the clients' own rules: has_quota is no verdict on a limited allowance; on an
        // unlimited (pooled) one, false means the pool is spent; an entitlement may come as text.
        {"token-based billing: 5 % left although has_quota is false, entitlement as text",
         R"({"token_based_billing":true,"copilot_plan":"individual_pro","quota_reset_date_utc":"2026-02-01T00:00:00Z",
             "quota_snapshots":{"premium_interactions":{"entitlement":"1500","quota_remaining":75,"percent_remaining":5,
               "has_quota":false,"unlimited":false,"overage_permitted":false,"overage_count":0,"credits_used":1425},
             "chat":{"entitlement":"0","percent_remaining":100,"has_quota":false,"unlimited":true}}})",
         {item("Premium Interactions", 5, "75 / 1500", kFebruary),
          item("Chat Requests", 100, "Monthly", kFebruary, kUnlimited)},
         5, 100, kToFebruary, QStringLiteral("Individual Pro")},
        {"only quota_remaining of a text entitlement",
         R"({"quota_reset_date":"2026-02-01","quota_snapshots":{"premium_interactions":
             {"entitlement":"1000","quota_remaining":"250","unlimited":false}}})",
         {item("Premium Interactions", 25, "250 / 1000", kFebruary)}, 25, std::nullopt,
         kToFebruary, std::nullopt},
        {"a pooled enterprise allowance used up is empty, not unlimited",
         R"({"copilot_plan":"enterprise","quota_reset_date":"2026-02-01","quota_snapshots":{
             "premium_interactions":{"entitlement":0,"percent_remaining":100,"unlimited":true,"has_quota":false,
               "overage_permitted":false},
             "chat":{"entitlement":0,"percent_remaining":100,"unlimited":true,"has_quota":true}}})",
         {item("Premium Interactions", 0, "Monthly", kFebruary),
          item("Chat Requests", 100, "Monthly", kFebruary, kUnlimited)},
         0, 100, kToFebruary, QStringLiteral("Enterprise")},
        {"an allowance's own renewal in Unix seconds governs its line",
         QByteArray(R"({"quota_reset_date":"2026-02-01","quota_snapshots":{"premium_interactions":
             {"entitlement":300,"remaining":150,"percent_remaining":50,"unlimited":false,"quota_reset_at":)") +
             QByteArray::number(ownReset.toSecsSinceEpoch()) + "}}}",
         {item("Premium Interactions", 50, "150 / 300", ownReset)}, 50, std::nullopt, kToFebruary,
         std::nullopt},
        {"the older free-plan answer without quota_snapshots",
         R"({"access_type_sku":"free_limited_copilot","copilot_plan":"individual","chat_enabled":true,
             "limited_user_quotas":{"chat":40,"completions":1500},"monthly_quotas":{"chat":50,"completions":2000},
             "limited_user_reset_date":"2026-02-01"})",
         {item("Chat Requests", 80, "40 / 50", kFebruary),
          item("Completions", 75, "1500 / 2000", kFebruary)},
         80, 80, kToFebruary, QStringLiteral("Individual")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const UsageSnapshot s = answerBody(row.body);
        EXPECT_EQ(s.unavailableReason, std::nullopt);
        EXPECT_EQ(s.modelQuotas, row.items);
        EXPECT_DOUBLE_EQ(s.headlineRemainingPercentage, row.hourly);
        EXPECT_EQ(s.weeklyRemainingPercentage, row.weekly);
        EXPECT_EQ(s.headlineResetAt, test::resetIn(s, row.countdown));
        EXPECT_EQ(s.weeklyResetAt, test::resetIn(s, row.weekly ? row.countdown : std::nullopt));
        EXPECT_EQ(s.planName, row.plan);
    }
}

TEST_F(CopilotTest, AnswersWithoutAFigureNameWhy) {
    const struct {
        const char* body;
        UsageUnavailableReason reason;
    } rows[] = {
        // Allowances that grant nothing, or that cannot be read.
        {R"({"quota_snapshots":{"premium_interactions":{"has_quota":false,"entitlement":0,"unlimited":false}}})",
         UsageUnavailableReason::notMeasured},
        {R"({"quota_snapshots":{"chat":{"entitlement":0,"remaining":0,"unlimited":false},
             "completions":{"entitlement":-5}}})", UsageUnavailableReason::notMeasured},
        {R"({"quota_snapshots":{"chat":{"entitlement":50},"completions":{"remaining":3}}})",
         UsageUnavailableReason::malformedResponse},
        {R"({"quota_snapshots":{"chat":{"entitlement":"50","remaining":3,"unlimited":"true"}}})",
         UsageUnavailableReason::malformedResponse},
        {R"({"quota_snapshots":[]})", UsageUnavailableReason::malformedResponse},
        {R"({"quota_snapshots":{"chat":{"used":1}}})", UsageUnavailableReason::malformedResponse},
        // A free plan whose month grants nothing, in the older answer.
        {R"({"limited_user_quotas":{"chat":0,"completions":0},"monthly_quotas":{"chat":0,"completions":0}})",
         UsageUnavailableReason::notMeasured},
        {R"({"quota_snapshots":{"premium_interactions":{"entitlement":"0","has_quota":false,"unlimited":false}}})",
         UsageUnavailableReason::notMeasured},
        // Nothing this answer could be read from.
        {R"({"copilot_plan":"individual","limited_user_quotas":null})", UsageUnavailableReason::malformedResponse},
        {R"({"quota_snapshots":{"chat":{"entitlement":"many","quota_remaining":3}}})",
         UsageUnavailableReason::malformedResponse},
    };
    for (const auto& row : rows) {
        const UsageSnapshot s = answerBody(row.body);
        EXPECT_EQ(s.unavailableReason, row.reason) << row.body;
        EXPECT_TRUE(s.modelQuotas.isEmpty()) << row.body;
    }
}

// The editor clients keep their sign-ins in $XDG_CONFIG_HOME/github-copilot when
// that is set, else in ~/.config/github-copilot.
TEST_F(CopilotTest, TheHostFilesAreWhereTheClientsPutThem) {
    const QString xdg = home.path() + QStringLiteral("/xdg");
    home.write(QStringLiteral("xdg/github-copilot/apps.json"), R"({"github.com:Iv1.b":{"oauth_token":"ghu_xdg"}})");
    writeHosts("hosts.json", R"({"github.com":{"oauth_token":"ghu_home"}})");
    const struct {
        std::optional<QString> variable;
        const char* token;
    } rows[] = {
        {xdg, "ghu_xdg"},
        {std::nullopt, "ghu_home"},
        {QString(), "ghu_home"},
        {QStringLiteral("relative/xdg"), "ghu_home"}, // the XDG rules ignore a relative value
    };
    for (const auto& row : rows) {
        if (row.variable)
            env.set(QStringLiteral("XDG_CONFIG_HOME"), *row.variable);
        else
            env.unset(QStringLiteral("XDG_CONFIG_HOME"));
        EXPECT_TRUE(adapter().isDetected()) << row.token;
        EXPECT_EQ(adapter().credentialFingerprint(), UsageSnapshot::fingerprint(QLatin1String(row.token)));
    }
}

} // namespace
} // namespace meterix::test
