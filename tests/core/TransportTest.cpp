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

std::optional<UsageUnavailableReason> failureFor(std::optional<int> status) {
    return UsageAnswer::received(QUrl(), status, {}, "body").failure;
}

} // namespace

TEST(OutcomeMapping, OnlyStatus200IsSuccess) {
    EXPECT_EQ(failureFor(200), std::nullopt);
    EXPECT_EQ(failureFor(204), UsageUnavailableReason::providerError);
    EXPECT_EQ(failureFor(201), UsageUnavailableReason::providerError);
    EXPECT_EQ(failureFor(404), UsageUnavailableReason::providerError);
    EXPECT_EQ(failureFor(500), UsageUnavailableReason::providerError);
    EXPECT_EQ(failureFor(302), UsageUnavailableReason::providerError);
    EXPECT_EQ(failureFor(401), UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(failureFor(403), UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(failureFor(429), UsageUnavailableReason::rateLimited);
    EXPECT_EQ(failureFor(std::nullopt), UsageUnavailableReason::malformedResponse);
    EXPECT_EQ(unavailableReasonForHTTPStatus(200), UsageUnavailableReason::providerError);
}

// The whole answer, for adapters whose refusals say more than their reason: the
// status, headers and body come back beside the reason.
TEST(OutcomeMapping, TheWholeAnswerKeepsWhatCameBack) {
    const QUrl url(QStringLiteral("https://api.example.test/v1/usage"));
    const UsageAnswer refused = UsageAnswer::received(url, 403, {{"x-ratelimit-remaining-requests", "7"}},
                                                      R"({"detail":{"status":"missing_permissions"}})");
    EXPECT_EQ(refused.url, url);
    EXPECT_EQ(refused.failure, UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(refused.status, 403);
    EXPECT_EQ(refused.header("X-RateLimit-Remaining-Requests"), QByteArray("7"));
    EXPECT_FALSE(refused.body.isEmpty());

    const UsageAnswer none = UsageAnswer::failed(UsageUnavailableReason::networkFailure, url);
    EXPECT_EQ(none.url, url);
    EXPECT_EQ(none.failure, UsageUnavailableReason::networkFailure);
    EXPECT_EQ(none.status, std::nullopt);
    EXPECT_TRUE(none.headers.isEmpty() && none.body.isEmpty());
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

    const UsageAnswer ok = transport.answer(request("/ok"));
    EXPECT_FALSE(ok.failure);
    EXPECT_EQ(ok.url, request("/ok").url);
    EXPECT_EQ(ok.body, QByteArray("{\"a\":1}"));
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(ok.header("x-ratelimit-remaining"), QByteArray("42"));

    EXPECT_EQ(transport.answer(request("/ok")).failure, std::nullopt);
    EXPECT_EQ(transport.answer(request("/401")).failure, UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(transport.answer(request("/403")).failure, UsageUnavailableReason::authenticationFailed);
    EXPECT_EQ(transport.answer(request("/429")).failure, UsageUnavailableReason::rateLimited);
    EXPECT_EQ(transport.answer(request("/500")).failure, UsageUnavailableReason::providerError);
}

TEST_F(CurlAgainstLoopback, RedirectsAreNotFollowedSoKeysStayWithTheirHost) {
    server.answer("/moved", {302, "", {{"Location", "/target"}}});
    server.answer("/target", {200, "ok", {}});
    UsageRequest r = request("/moved");
    r.headers.append(HttpHeader("Authorization", "Bearer test-key"));
    EXPECT_EQ(transport.answer(r).failure, UsageUnavailableReason::providerError);
    EXPECT_EQ(hits("/target"), 0);
}

TEST_F(CurlAgainstLoopback, TimeOutIsANetworkFailure) {
    server.answer("/slow", {200, "late", {}, true}); // held until the server ends
    EXPECT_EQ(transport.answer(request("/slow", 200)).failure, UsageUnavailableReason::networkFailure);
}

TEST_F(CurlAgainstLoopback, OversizedBodiesAndUnsafeHeadersAreRefused) {
    server.answer("/huge", {200, std::string(200 * 1024, 'x'), {}});
    server.answer("/count", {200, "ok", {}});
    const UsageAnswer huge = transport.answer(request("/huge"));
    EXPECT_EQ(huge.failure, UsageUnavailableReason::networkFailure);
    EXPECT_TRUE(huge.body.isEmpty()); // nothing of a body over the cap is kept
    for (const QByteArray& bad : {QByteArray("key\r\nX-Evil: 1"), QByteArray("key\nx"), QByteArray("k\0y", 3)}) {
        UsageRequest r = request("/count");
        r.headers.append(HttpHeader("Authorization", bad));
        EXPECT_EQ(transport.answer(r).failure, UsageUnavailableReason::networkFailure);
    }
    EXPECT_EQ(hits("/count"), 0); // nothing was sent
    UsageRequest file = request("/count");
    file.url = QUrl(QStringLiteral("file:///etc/passwd"));
    EXPECT_EQ(transport.answer(file).failure, UsageUnavailableReason::networkFailure);
}

// A host polled again reuses its connection; what the last request set (its
// key header) does not carry over.
TEST_F(CurlAgainstLoopback, RequestsToOneHostReuseTheirConnectionButNotTheirHeaders) {
    server.answer("/ok", {200, "ok", {}});
    UsageRequest keyed = request("/ok");
    keyed.headers.append(HttpHeader("Authorization", "Bearer test-key"));
    EXPECT_EQ(transport.answer(keyed).failure, std::nullopt);
    EXPECT_EQ(transport.answer(request("/ok")).failure, std::nullopt);
    const auto got = server.received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].remotePort, got[1].remotePort);
    EXPECT_EQ(got[0].headers.count("authorization"), 1u);
    EXPECT_EQ(got[1].headers.count("authorization"), 0u);
}

TEST_F(CurlAgainstLoopback, ConnectionRefusedIsANetworkFailure) {
    UsageRequest r;
    r.url = QUrl(QStringLiteral("http://127.0.0.1:1/nothing"));
    EXPECT_EQ(transport.answer(r).failure, UsageUnavailableReason::networkFailure);
    r.url = QUrl(QStringLiteral("https://127.0.0.1:1/nothing")); // through libcurl whatever came before
    EXPECT_EQ(transport.answer(r).failure, UsageUnavailableReason::networkFailure);
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
    ASSERT_TRUE(!transport.answer(request("/ok")).failure);
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
