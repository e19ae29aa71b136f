#include "core/AIProviderAdapter.h"
#include "core/CurlTransport.h"
#include "core/UsageTransport.h"
#include "support/LoopbackServer.h"

#include <QDir>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using namespace meterix;

namespace {

// A transport that answers with whatever the test sets.
class ScriptedTransport : public UsageTransport {
  public:
    std::function<TransportReply(const UsageRequest&)> reply;
    TransportReply data(const UsageRequest& r) override { return reply(r); }
};

UsageFetchResult withStatus(std::optional<int> status, QByteArray body = "body") {
    ScriptedTransport t;
    t.reply = [&](const UsageRequest&) {
        UsageResponse response;
        response.httpStatus = status;
        return TransportReply::answered(body, response);
    };
    return t.usageData(UsageRequest{});
}

} // namespace

TEST(OutcomeMapping, OnlyStatus200IsSuccess) {
    const auto ok = withStatus(200, QByteArray());
    ASSERT_TRUE(ok.isSuccess());
    EXPECT_TRUE(ok.data().isEmpty());
    EXPECT_EQ(withStatus(204).reason(), UsageUnavailableReason::providerError);
    EXPECT_EQ(withStatus(201).reason(), UsageUnavailableReason::providerError);
    EXPECT_EQ(withStatus(404).reason(), UsageUnavailableReason::providerError);
    EXPECT_EQ(withStatus(500).reason(), UsageUnavailableReason::providerError);
    EXPECT_EQ(withStatus(302).reason(), UsageUnavailableReason::providerError);
    EXPECT_EQ(withStatus(401).reason(), UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(withStatus(403).reason(), UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(withStatus(429).reason(), UsageUnavailableReason::rateLimited);
    EXPECT_EQ(withStatus(std::nullopt).reason(), UsageUnavailableReason::malformedResponse);
    EXPECT_EQ(unavailableReasonForHTTPStatus(200), UsageUnavailableReason::providerError);
}

TEST(OutcomeMapping, FailedRequestsBecomeNetworkOrAuthenticationFailures) {
    const std::pair<TransportFailure, UsageUnavailableReason> rows[] = {
        {TransportFailure::timedOut, UsageUnavailableReason::networkFailure},
        {TransportFailure::cancelled, UsageUnavailableReason::networkFailure},
        {TransportFailure::userAuthenticationRequired, UsageUnavailableReason::authenticationFailed},
    };
    for (const auto& [failure, reason] : rows) {
        ScriptedTransport t;
        t.reply = [failure](const UsageRequest&) { return TransportReply::failed(failure); };
        EXPECT_EQ(t.usageData(UsageRequest{}).reason(), reason) << static_cast<int>(failure);
    }
}

// The whole answer, for adapters whose refusals say more than their reason: the
// status, headers and body come back beside the same reason usageData gives.
TEST(OutcomeMapping, TheWholeAnswerKeepsWhatCameBack) {
    const struct {
        std::optional<int> status;
        bool fails;
        std::optional<UsageUnavailableReason> reason;
    } rows[] = {
        {200, false, std::nullopt},
        {403, false, UsageUnavailableReason::authenticationFailed},
        {429, false, UsageUnavailableReason::rateLimited},
        {503, false, UsageUnavailableReason::providerError},
        {std::nullopt, false, UsageUnavailableReason::malformedResponse},
        {std::nullopt, true, UsageUnavailableReason::networkFailure},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status.value_or(-1));
        ScriptedTransport t;
        t.reply = [&](const UsageRequest&) {
            if (row.fails) return TransportReply::failed(TransportFailure::timedOut);
            UsageResponse response;
            response.httpStatus = row.status;
            response.headers = {{"x-ratelimit-remaining-requests", "7"}};
            return TransportReply::answered(R"({"detail":{"status":"missing_permissions"}})", response);
        };
        UsageRequest request;
        request.url = QUrl(QStringLiteral("https://api.example.test/v1/usage"));
        const UsageAnswer a = t.answer(request);
        EXPECT_EQ(a.url, request.url);
        EXPECT_EQ(a.failure, row.reason);
        EXPECT_EQ(a.status, row.status);
        EXPECT_EQ(a.header("X-RateLimit-Remaining-Requests"),
                  row.fails ? std::nullopt : std::optional<QByteArray>("7"));
        EXPECT_EQ(a.body.isEmpty(), row.fails);
        const UsageFetchResult body = t.usageData(request);
        EXPECT_EQ(body.isSuccess(), !row.reason);
        if (row.reason) {
            EXPECT_EQ(body.reason(), *row.reason);
        }
    }
}

class CurlAgainstLoopback : public ::testing::Test {
protected:
    test::LoopbackServer server;
    CurlTransport transport{64 * 1024};
    UsageRequest request(const char* path, int timeoutMs = 5000) {
        UsageRequest r;
        r.url = QUrl(server.baseAddress() + QString::fromLatin1(path));
        r.timeout = std::chrono::milliseconds(timeoutMs);
        return r;
    }
    int hits(const std::string& path) const {
        int n = 0;
        for (const auto& r : server.received()) n += r.path == path;
        return n;
    }
};

TEST_F(CurlAgainstLoopback, StatusesMapThroughTheRealTransport) {
    server.answer("/ok", {200, "{\"a\":1}", {{"X-Ratelimit-Remaining", "42"}}});
    for (int code : {401, 403, 429, 500}) server.answer("/" + std::to_string(code), {code, "secret error body", {}});

    const TransportReply ok = transport.data(request("/ok"));
    EXPECT_FALSE(ok.failure);
    EXPECT_EQ(ok.body, QByteArray("{\"a\":1}"));
    EXPECT_EQ(ok.response.httpStatus, 200);
    EXPECT_EQ(ok.response.header("x-ratelimit-remaining"), QByteArray("42"));

    EXPECT_TRUE(transport.usageData(request("/ok")).isSuccess());
    EXPECT_EQ(transport.usageData(request("/401")).reason(), UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(transport.usageData(request("/403")).reason(), UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(transport.usageData(request("/429")).reason(), UsageUnavailableReason::rateLimited);
    EXPECT_EQ(transport.usageData(request("/500")).reason(), UsageUnavailableReason::providerError);
}

TEST_F(CurlAgainstLoopback, RedirectsAreNotFollowedSoKeysStayWithTheirHost) {
    server.answer("/moved", {302, "", {{"Location", "/target"}}});
    server.answer("/target", {200, "ok", {}});
    UsageRequest r = request("/moved");
    r.headers.append(HttpHeader("Authorization", "Bearer test-key"));
    EXPECT_EQ(transport.usageData(r).reason(), UsageUnavailableReason::providerError);
    EXPECT_EQ(hits("/target"), 0);
}

TEST_F(CurlAgainstLoopback, TimeOutIsANetworkFailure) {
    server.answer("/slow", {200, "late", {}, true}); // held until the server ends
    EXPECT_EQ(transport.usageData(request("/slow", 200)).reason(), UsageUnavailableReason::networkFailure);
}

TEST_F(CurlAgainstLoopback, OversizedBodiesAndUnsafeHeadersAreRefused) {
    server.answer("/huge", {200, std::string(200 * 1024, 'x'), {}});
    server.answer("/count", {200, "ok", {}});
    EXPECT_EQ(transport.data(request("/huge")).failure, TransportFailure::bodyTooLarge);
    for (const QByteArray& bad : {QByteArray("key\r\nX-Evil: 1"), QByteArray("key\nx"), QByteArray("k\0y", 3)}) {
        UsageRequest r = request("/count");
        r.headers.append(HttpHeader("Authorization", bad));
        EXPECT_EQ(transport.usageData(r).reason(), UsageUnavailableReason::networkFailure);
    }
    EXPECT_EQ(hits("/count"), 0); // nothing was sent
    UsageRequest file = request("/count");
    file.url = QUrl(QStringLiteral("file:///etc/passwd"));
    EXPECT_EQ(transport.usageData(file).reason(), UsageUnavailableReason::networkFailure);
}

// A host polled again reuses its connection; what the last request set (its
// key header) does not carry over.
TEST_F(CurlAgainstLoopback, RequestsToOneHostReuseTheirConnectionButNotTheirHeaders) {
    server.answer("/ok", {200, "ok", {}});
    UsageRequest keyed = request("/ok");
    keyed.headers.append(HttpHeader("Authorization", "Bearer test-key"));
    EXPECT_TRUE(transport.usageData(keyed).isSuccess());
    EXPECT_EQ(transport.idleHandleCount(), 1);
    EXPECT_TRUE(transport.usageData(request("/ok")).isSuccess());
    EXPECT_EQ(transport.idleHandleCount(), 1);
    const auto got = server.received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].remotePort, got[1].remotePort);
    EXPECT_EQ(got[0].headers.count("authorization"), 1u);
    EXPECT_EQ(got[1].headers.count("authorization"), 0u);
}

TEST_F(CurlAgainstLoopback, ConnectionRefusedIsANetworkFailure) {
    UsageRequest r;
    r.url = QUrl(QStringLiteral("http://127.0.0.1:1/nothing"));
    EXPECT_EQ(transport.usageData(r).reason(), UsageUnavailableReason::networkFailure);
    r.url = QUrl(QStringLiteral("https://127.0.0.1:1/nothing")); // through libcurl whatever came before
    EXPECT_EQ(transport.usageData(r).reason(), UsageUnavailableReason::networkFailure);
    EXPECT_EQ(transport.idleHandleCount(), 0); // no connection to keep for the next request
}

// Before libcurl is set up, a local server that is not running is told by a
// plain connect: refused on a loopback address only, never guessed elsewhere.
TEST(RefusedOnLoopback, OnlyAClosedLoopbackPortOfAPlainRequestIsRefused) {
    test::LoopbackServer server;
    const QUrl listening(server.baseAddress() + QStringLiteral("/api/tags"));
    const struct {
        QUrl url;
        bool refused;
    } rows[] = {
        {QUrl(QStringLiteral("http://127.0.0.1:1/api/tags")), true},
        {QUrl(QStringLiteral("http://127.0.0.2:1/")), true},
        {listening, false},
        {QUrl(QStringLiteral("https://127.0.0.1:1/")), false}, // TLS requests always go through libcurl
        {QUrl(QStringLiteral("http://localhost:1/")), false},   // a name is libcurl's to resolve
        {QUrl(QStringLiteral("http://192.0.2.1:1/")), false},   // another host is never connected to here
        {QUrl(QStringLiteral("http://127.0.0.1.example:1/")), false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(refusedOnLoopback(row.url, std::chrono::seconds(5)), row.refused) << row.url.toString().toStdString();
}

namespace {

class SingleReadingAdapter : public AIProviderAdapter {
  public:
    std::vector<bool> calls;
    bool fail = false;
    AIProviderType type() const override { return AIProviderType::mistral; }
    bool isDetected() const override { return true; }
    bool checkAvailability() override { return true; }
    UsageSnapshot fetchUsage(bool forceSync) override {
        calls.push_back(forceSync);
        if (fail) throw std::runtime_error("unreadable");
        return UsageSnapshot::simulatedFallback(type());
    }
};

} // namespace

TEST(AdapterContract, DefaultsWrapTheSingleReading) {
    SingleReadingAdapter a;
    const auto snapshots = a.fetchUsagePerAccount(true);
    ASSERT_EQ(snapshots.size(), 1);
    EXPECT_EQ(snapshots[0].provider, AIProviderType::mistral);
    static_cast<AIProviderAdapter&>(a).fetchUsage(); // the convenience lives on the contract
    EXPECT_EQ(a.calls, (std::vector<bool>{true, false}));
    EXPECT_FALSE(a.credentialFingerprint());
    a.fail = true;
    EXPECT_THROW(a.fetchUsagePerAccount(false), std::runtime_error);
}

// A probe started while a connection is open must not inherit it: the
// transport's sockets, kept open between requests, are close-on-exec.
TEST_F(CurlAgainstLoopback, ConnectionsKeptOpenAreCloseOnExec) {
    server.answer("/ok", {200, "ok", {}});
    ASSERT_TRUE(transport.usageData(request("/ok")).isSuccess());
    const int port = QUrl(server.baseAddress()).port();
    int connections = 0;
    for (const QString& name : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System)) {
        const int fd = name.toInt();
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0 || peer.sin_family != AF_INET ||
            ntohs(peer.sin_port) != port)
            continue;
        ++connections;
        EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC) << "socket " << fd;
    }
    EXPECT_GE(connections, 1) << "the connection stays open for the next request";
}
