#include "providers/CopilotAdapter.h"

#include "support/FakeEnvironment.h"
#include "support/FakeTransport.h"
#include "support/TempHome.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace meterix::test {
namespace {

class CopilotTest : public ::testing::Test {
protected:
    CopilotAdapter adapter() { return CopilotAdapter(transport, QStringLiteral("https://gh.test"), home.path(), env.lookup()); }
    UsageSnapshot answer(const QByteArray& quotaSnapshots) {
        env.set(QStringLiteral("GITHUB_TOKEN"), QStringLiteral("gho_env"));
        transport.respond(200, R"({"quota_snapshots":)" + quotaSnapshots + "}");
        return adapter().fetchUsage(false);
    }
    QByteArray sentAuthorization() {
        UsageResponse r;
        r.headers = transport.requests().last().headers;
        return r.header("Authorization").value_or(QByteArray());
    }
    void writeHosts(const char* file, const QByteArray& json) {
        home.write(QStringLiteral(".config/github-copilot/") + QLatin1String(file), json);
    }

    TempHome home;
    FakeEnvironment env;
    FakeTransport transport;
};

TEST_F(CopilotTest, ReadsBothAllowances) {
    const UsageSnapshot s =
        answer(R"({"premium_interactions":{"credits_used":75,"credits_total":300},"chat":{"used":10,"limit":40}})");
    ASSERT_EQ(s.modelQuotas.size(), 2);
    EXPECT_EQ(s.modelQuotas[0], ModelQuotaItem(QStringLiteral("Premium Interactions"), 75, QStringLiteral("Monthly")));
    EXPECT_EQ(s.modelQuotas[1], ModelQuotaItem(QStringLiteral("Chat Requests"), 75, QStringLiteral("Monthly")));
    EXPECT_EQ(s.hourlyResetCountdown, 864000);
    EXPECT_EQ(s.weeklyRemainingPercentage, 75);
    EXPECT_EQ(s.weeklyResetCountdown, 864000);
    EXPECT_EQ(sentAuthorization(), "token gho_env");
    UsageResponse sent;
    sent.headers = transport.requests().last().headers;
    EXPECT_EQ(sent.header("Editor-Version"), "vscode/1.96.2");
    EXPECT_EQ(sent.header("Editor-Plugin-Version"), "CopilotChat/0.24.1");
}

TEST_F(CopilotTest, OneAllowanceAloneDecides) {
    const UsageSnapshot chatOnly = answer(R"({"premium_interactions":{"used":10,"limit":0},"chat":{"used":1,"limit":4}})");
    ASSERT_EQ(chatOnly.modelQuotas.size(), 1);
    EXPECT_EQ(chatOnly.modelQuotas[0].name, QStringLiteral("Chat Requests"));
    EXPECT_EQ(chatOnly.hourlyRemainingPercentage, 75);
    EXPECT_EQ(chatOnly.weeklyRemainingPercentage, 75);

    const UsageSnapshot premiumOnly = answer(R"({"premium_interactions":{"used":1,"limit":2}})");
    ASSERT_EQ(premiumOnly.modelQuotas.size(), 1);
    EXPECT_EQ(premiumOnly.hourlyResetCountdown, 864000);
    EXPECT_EQ(premiumOnly.weeklyRemainingPercentage, std::nullopt);
    EXPECT_EQ(premiumOnly.weeklyResetCountdown, std::nullopt);
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

TEST_F(CopilotTest, WithoutAnyAllowanceTheAnswerIsMalformed) {
    EXPECT_EQ(answer(R"([])").unavailableReason, UsageUnavailableReason::malformedResponse);
    EXPECT_EQ(answer(R"({"chat":{"used":1}})").unavailableReason, UsageUnavailableReason::malformedResponse);
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
    EXPECT_EQ(sentAuthorization(), "token ghu_c");
}

} // namespace
} // namespace meterix::test
