// The request flow every keyed web-API adapter shares, run against each of them.
#include "providers/common/KeyedAdapterCases.h"

#include "support/FakeEnvironment.h"
#include "support/FakeTransport.h"
#include "support/LoopbackServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace meterix::test {
namespace {

constexpr auto kKey = "sk-flow-test-0123";

class KeyedFlow : public ::testing::TestWithParam<KeyedCase> {
protected:
    std::unique_ptr<KeyedAdapter> make(QString base = QStringLiteral("https://api.example.test")) {
        return GetParam().make(transport, std::move(base), home.path(), env.lookup());
    }
    void expectUnavailable(const UsageSnapshot& s, UsageUnavailableReason reason) {
        EXPECT_EQ(s.provider, GetParam().type);
        EXPECT_EQ(s.unavailableReason, reason);
        EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
        EXPECT_EQ(s.headlineRemainingPercentage, 0);
        EXPECT_TRUE(s.modelQuotas.isEmpty());
        EXPECT_FALSE(s.credentialFingerprint.has_value());
    }

    TempHome home;
    FakeEnvironment env;
    FakeTransport transport;
};

TEST_P(KeyedFlow, WithoutAKeyNothingIsSentAndTheReasonIsNotConfigured) {
    auto adapter = make();
    EXPECT_FALSE(adapter->isDetected());
    EXPECT_FALSE(adapter->checkAvailability());
    EXPECT_EQ(adapter->credentialFingerprint(), std::nullopt);
    expectUnavailable(adapter->fetchUsage(false), UsageUnavailableReason::notConfigured);
    EXPECT_TRUE(transport.requests().isEmpty());
}

TEST_P(KeyedFlow, SendsTheKeyToItsEndpointAndReadsTheAnswer) {
    env.set(GetParam().variable, QString::fromLatin1(kKey));
    transport.respond(200, GetParam().goodBody, GetParam().goodHeaders);
    auto adapter = make(QStringLiteral("https://api.example.test/"));
    const UsageSnapshot s = adapter->fetchUsage(true);

    // OpenRouter sends two requests at once, in no fixed order: find this one.
    const QString expectedURL = QStringLiteral("https://api.example.test") + GetParam().path;
    const auto requests = transport.requests();
    const auto found = std::find_if(requests.begin(), requests.end(),
                                    [&](const UsageRequest& r) { return r.url.toString() == expectedURL; });
    ASSERT_NE(found, requests.end()) << expectedURL.toStdString();
    const UsageRequest sent = *found;
    EXPECT_EQ(sent.method, "GET");
    EXPECT_EQ(sent.timeout, std::chrono::seconds(GetParam().timeoutSeconds));
    EXPECT_EQ(headerValue(sent.headers, GetParam().authHeader), GetParam().authPrefix + kKey);

    EXPECT_EQ(s.provider, GetParam().type);
    EXPECT_EQ(s.strategyUsed, FetchStrategy::oauthKeychain);
    EXPECT_EQ(s.unavailableReason, std::nullopt);
    EXPECT_DOUBLE_EQ(s.headlineRemainingPercentage, 75);
    EXPECT_EQ(s.totalTokens, 100000);
    EXPECT_EQ(s.capturedAt, s.lastUpdated);
    EXPECT_FALSE(s.credentialFingerprint.has_value());
    EXPECT_EQ(adapter->credentialFingerprint(), UsageSnapshot::fingerprint(QString::fromLatin1(kKey)));
}

TEST_P(KeyedFlow, MapsEveryFailedAnswerToItsReason) {
    env.set(GetParam().variable, QString::fromLatin1(kKey));
    auto adapter = make();
    const std::pair<int, UsageUnavailableReason> statuses[] = {
        {401, UsageUnavailableReason::authenticationFailed}, {403, UsageUnavailableReason::authenticationFailed},
        {429, UsageUnavailableReason::rateLimited},          {500, UsageUnavailableReason::providerError},
        {204, UsageUnavailableReason::providerError},        {302, UsageUnavailableReason::providerError}};
    for (const auto& [status, reason] : statuses) {
        SCOPED_TRACE(status);
        transport.respond(status, GetParam().goodBody, GetParam().goodHeaders);
        expectUnavailable(adapter->fetchUsage(false), reason);
    }
    transport.respond([&](const UsageRequest&) {
        return UsageAnswer::received(QUrl(), std::nullopt, {}, GetParam().goodBody);
    });
    expectUnavailable(adapter->fetchUsage(false), UsageUnavailableReason::malformedResponse);
    transport.fail(UsageUnavailableReason::networkFailure);
    expectUnavailable(adapter->fetchUsage(false), UsageUnavailableReason::networkFailure);
    transport.fail(UsageUnavailableReason::authenticationFailed);
    expectUnavailable(adapter->fetchUsage(false), UsageUnavailableReason::authenticationFailed);
}

TEST_P(KeyedFlow, MalformedBodiesGiveMalformedResponse) {
    env.set(GetParam().variable, QString::fromLatin1(kKey));
    auto adapter = make();
    // Groq ignores the body: its answer is malformed when a rate-limit header is no number.
    const bool readsHeaders = GetParam().type == AIProviderType::groq;
    const QList<HttpHeader> unreadable{{"x-ratelimit-limit-tokens", "ten"}};
    for (const QByteArray& body : {QByteArray("not json"), QByteArray("[1,2]"), QByteArray("{}"), QByteArray()}) {
        SCOPED_TRACE(body.toStdString());
        transport.respond(200, body, readsHeaders ? unreadable : QList<HttpHeader>());
        expectUnavailable(adapter->fetchUsage(false), UsageUnavailableReason::malformedResponse);
        if (readsHeaders) break;
    }
}

TEST_P(KeyedFlow, AnEndpointThatIsNotAUrlIsAProviderErrorWithoutARequest) {
    env.set(GetParam().variable, QString::fromLatin1(kKey));
    for (const QString& base : {QStringLiteral("not a url"), QStringLiteral("ftp://host"), QStringLiteral("")}) {
        expectUnavailable(make(base)->fetchUsage(false), UsageUnavailableReason::providerError);
    }
    EXPECT_TRUE(transport.requests().isEmpty());
}

TEST_P(KeyedFlow, AKeyWithAControlCharacterIsNoKey) {
    for (const QString& bad : {QStringLiteral("sk-a\r\nX-Injected: 1"), QStringLiteral("sk-a\nb"),
                              QStringLiteral("sk-a") + QChar(0) + QStringLiteral("b"), QStringLiteral("sk\x7f")}) {
        env.set(GetParam().variable, bad);
        auto adapter = make();
        EXPECT_EQ(adapter->credentialFingerprint(), std::nullopt);
        expectUnavailable(adapter->fetchUsage(false), UsageUnavailableReason::notConfigured);
    }
    EXPECT_TRUE(transport.requests().isEmpty());
}

TEST_P(KeyedFlow, TheFingerprintFollowsTheKeyWithoutARefresh) {
    auto adapter = make();
    EXPECT_EQ(adapter->credentialFingerprint(), std::nullopt);
    env.set(GetParam().variable, QStringLiteral("first"));
    EXPECT_EQ(adapter->credentialFingerprint(), UsageSnapshot::fingerprint(QStringLiteral("first")));
    env.set(GetParam().variable, QStringLiteral("second"));
    EXPECT_EQ(adapter->credentialFingerprint(), UsageSnapshot::fingerprint(QStringLiteral("second")));
}

TEST_P(KeyedFlow, ReadsTheAnswerOfARealServerThroughCurl) {
    LoopbackServer server;
    LoopbackServer::Answer good{200, GetParam().goodBody.toStdString(), {}};
    for (const auto& [name, value] : GetParam().goodHeaders) good.headers.emplace_back(name.toStdString(), value.toStdString());
    server.answer(GetParam().path.toStdString(), good);
    server.answer("/api/v1/key", good);
    env.set(GetParam().variable, QString::fromLatin1(kKey));
    auto adapter = GetParam().make(CurlTransport::shared(), server.baseAddress(), home.path(), env.lookup());

    const UsageSnapshot s = adapter->fetchUsage(false);
    EXPECT_EQ(s.unavailableReason, std::nullopt);
    EXPECT_DOUBLE_EQ(s.headlineRemainingPercentage, 75);
    ASSERT_FALSE(server.received().empty());
    EXPECT_EQ(server.received().front().headers.at(GetParam().authHeader.toStdString()),
              (GetParam().authPrefix + kKey).toStdString());

    server.answer(GetParam().path.toStdString(), {401, "{}", {}});
    EXPECT_EQ(adapter->fetchUsage(false).unavailableReason, UsageUnavailableReason::authenticationFailed);
}

INSTANTIATE_TEST_SUITE_P(Adapters, KeyedFlow, ::testing::ValuesIn(keyedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Answers that carry no figure say why (nothing to measure) or show that
// nothing is left; "Unreadable response" is kept for what cannot be read.
TEST(KeyedAnswers, AnswersWithoutAFigureNameWhy) {
    const struct {
        const char* adapter;
        const char* what;
        QByteArray body;
        QList<HttpHeader> headers;
        std::optional<UsageUnavailableReason> reason;
        double hourly; // when there is a figure
    } rows[] = {
        {"DeepSeek", "an empty balance list", R"({"is_available":false,"balance_infos":[]})", {},
         UsageUnavailableReason::notMeasured, 0},
        {"DeepSeek", "no balance list at all", R"({"is_available":true})", {},
         UsageUnavailableReason::malformedResponse, 0},
        {"ElevenLabs", "a plan of 0 characters",
         R"({"tier":"free","status":"free","character_count":0,"character_limit":0,"next_character_count_reset_unix":0})",
         {}, UsageUnavailableReason::notMeasured, 0},
        {"ElevenLabs", "a free plan the service has disabled: nothing left",
         R"({"tier":"free","status":"free_disabled","character_count":120,"character_limit":10000})", {},
         std::nullopt, 0},
        {"ElevenLabs", "an active plan", R"({"tier":"starter","status":"active","character_count":7500,
             "character_limit":30000,"currency":"usd","billing_period":"monthly_period"})",
         {}, std::nullopt, 75},
        {"Groq", "a success without rate-limit headers", R"({"object":"list","data":[]})",
         {{"content-type", "application/json"}}, UsageUnavailableReason::notMeasured, 0},
        {"Groq", "limits of 0", "{}",
         {{"x-ratelimit-limit-requests", "0"}, {"x-ratelimit-remaining-requests", "0"}},
         UsageUnavailableReason::notMeasured, 0},
        {"Groq", "a limit that is no number", "{}",
         {{"x-ratelimit-limit-requests", "14.4k"}, {"x-ratelimit-remaining-requests", "14000"}},
         UsageUnavailableReason::malformedResponse, 0},
        {"OpenRouter", "no credits bought and a key limit of 0",
         R"({"data":{"total_credits":0,"total_usage":0}})", {}, UsageUnavailableReason::notMeasured, 0},
        {"Copilot", "a free seat whose allowances grant nothing",
         R"({"copilot_plan":"individual","quota_snapshots":{"chat":{"entitlement":0,"unlimited":false,
             "has_quota":false},"completions":{"entitlement":0,"unlimited":false,"has_quota":false}}})",
         {}, UsageUnavailableReason::notMeasured, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.adapter) + ": " + row.what);
        const auto found = std::find_if(keyedCases().begin(), keyedCases().end(),
                                        [&](const KeyedCase& c) { return qstrcmp(c.name, row.adapter) == 0; });
        ASSERT_NE(found, keyedCases().end());
        TempHome home;
        FakeEnvironment env;
        env.set(found->variable, QString::fromLatin1(kKey));
        FakeTransport transport;
        transport.respond([&](const UsageRequest& r) {
            // OpenRouter's key request: a limit of 0.
            if (r.url.path().endsWith(QLatin1String("/key")))
                return FakeTransport::answer(200, R"({"data":{"limit":0,"limit_remaining":0,"usage":0}})");
            return FakeTransport::answer(200, row.body, row.headers);
        });
        const UsageSnapshot s =
            found->make(transport, QStringLiteral("https://api.example.test"), home.path(), env.lookup())
                ->fetchUsage(false);
        EXPECT_EQ(s.unavailableReason, row.reason);
        EXPECT_DOUBLE_EQ(s.headlineRemainingPercentage, row.hourly);
        EXPECT_EQ(s.modelQuotas.isEmpty(), row.reason.has_value());
    }
}

} // namespace
} // namespace meterix::test
