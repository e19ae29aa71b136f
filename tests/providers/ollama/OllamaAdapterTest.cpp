#include "providers/ollama/OllamaAdapter.h"

#include "support/HostUnderHome.h"
#include "support/FakeTransport.h"
#include "support/LoopbackServer.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/WaitUntil.h"
#include "support/Worded.h"

#include <QDir>

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace meterix::test {
namespace {

// The real transport with Ollama's own time-outs (1 s and 2 s) raised to the
// hang limit, for tests of a server that answers: a machine loaded many times
// over may take longer than that to let the loopback server reply.
class PatientTransport final : public UsageTransport {
public:
    UsageAnswer answer(const UsageRequest& request) override {
        UsageRequest patient = request;
        patient.timeout = std::chrono::milliseconds(kHangLimitMs);
        return CurlTransport::shared().answer(patient);
    }
};

// A socket table's address field: each 32-bit word as the kernel prints it,
// in the machine's byte order.
QByteArray tableAddress(std::initializer_list<unsigned char> bytes) {
    QByteArray hex;
    const std::vector<unsigned char> b(bytes);
    for (size_t word = 0; word < b.size() / 4; ++word) {
        uint32_t value = 0;
        std::memcpy(&value, b.data() + word * 4, 4);
        hex += QByteArray::number(value, 16).toUpper().rightJustified(8, '0');
    }
    return hex;
}

// /proc/net/tcp or tcp6: a heading and one listening socket per row.
QByteArray socketTable(const QList<std::tuple<QByteArray, int, uid_t>>& listeners) {
    QByteArray table = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n";
    for (const auto& [address, port, uid] : listeners)
        table += "   0: " + address + ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0') +
                 " 00000000:0000 0A 00000000:00000000 00:00000000 00000000 " + QByteArray::number(uid) +
                 "        0 4242 1 0000000000000000 100 0 0 10 0\n";
    return table;
}

const QByteArray kLoopback4 = tableAddress({127, 0, 0, 1});
const QByteArray kAny4 = tableAddress({0, 0, 0, 0});
const QByteArray kAny6 = tableAddress({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
constexpr uid_t kUser = 1000;
constexpr uid_t kService = 998;
constexpr uid_t kOther = 1001;

class OllamaTest : public ::testing::Test {
protected:
    // By default the server on port 11434 of the loopback is the user's.
    OllamaAdapter adapter(UsageTransport& transport, QString base, bool installed = false,
                          std::optional<OllamaListener> listener = std::nullopt) {
        if (installed) home.writeScript(QStringLiteral(".local/bin/ollama"), "exit 0");
        if (!listener) {
            home.write(QStringLiteral("proc/net/tcp"), socketTable({{kLoopback4, 11434, kUser}}));
            listener = OllamaListener(home.path(), kUser);
        }
        return OllamaAdapter(transport, std::move(base), runner, Clock::system(), *listener);
    }
    // A server that does not answer: no figure, and the address that was asked.
    static void expectOffline(const UsageSnapshot& s, const QString& address) {
        EXPECT_TRUE(s.modelQuotas.isEmpty());
        EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
        EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::notConfigured);
        EXPECT_EQ(s.setupLookup.address, address);
    }

    TempHome home;
    // Looks where the clients are looked for, the system's folders laid out in the home.
    CLIProcessRunner runner{test::hostUnderHome(home.path()),
                            CLIProcessRunner::Options{.systemRoot = home.file(QStringLiteral("root"))}};
    LoopbackServer server;
    PatientTransport patient;
};

TEST_F(OllamaTest, ListsTheModelsOfARunningServer) {
    server.answer("/api/tags", {200, R"({"models":[{"name":"llama3:8b","size":1610612736},{"size":3221225472}]})", {}});
    // The kernel's own tables: the test's server listens as the test's user.
    auto ollama = adapter(patient, server.baseAddress(), false, OllamaListener());
    EXPECT_TRUE(ollama.checkAvailability());
    const UsageSnapshot s = ollama.fetchUsage(false);
    ASSERT_EQ(s.modelQuotas.size(), 2);
    EXPECT_EQ(test::worded(s.modelQuotas[0]), ModelQuotaItem(QStringLiteral("llama3:8b (1.5 GB)"), 100, QStringLiteral("Local Model")));
    EXPECT_EQ(labelText(s.modelQuotas[1].name), QStringLiteral("Ollama Model (3.0 GB)"));
    EXPECT_EQ(s.strategyUsed, FetchStrategy::cliStatusProbe);
    EXPECT_EQ(s.headlineRemainingPercentage, 100);
    EXPECT_EQ(s.weeklyRemainingPercentage, 100);
}

TEST_F(OllamaTest, AnAnswerWithoutAReadableListShowsTheServiceReady) {
    auto ollama = adapter(patient, server.baseAddress(), false, OllamaListener());
    for (const char* body : {R"({"models":[]})", R"({"models":[{"name":"a"},7]})", "garbage", R"({"other":1})"}) {
        server.answer("/api/tags", {200, body, {}});
        const UsageSnapshot s = ollama.fetchUsage(false);
        ASSERT_EQ(s.modelQuotas.size(), 1) << body;
        EXPECT_EQ(test::worded(s.modelQuotas[0]), ModelQuotaItem(QStringLiteral("Local Service Ready"), 100, QStringLiteral("Unlimited")));
    }
}

TEST_F(OllamaTest, AFailingServerShowsNoFigureAndTheAddressItAsked) {
    server.answer("/api/tags", {500, "{}", {}});
    auto running = adapter(CurlTransport::shared(), server.baseAddress());
    expectOffline(running.fetchUsage(false), server.baseAddress());
    EXPECT_FALSE(running.checkAvailability());

    FakeTransport down;
    down.fail(UsageUnavailableReason::networkFailure);
    const QString closed = QStringLiteral("http://127.0.0.1:9");
    auto absent = adapter(down, closed);
    EXPECT_FALSE(absent.checkAvailability());
    expectOffline(absent.fetchUsage(false), closed);
    // Installed and stopped: still no figure, however available it counts.
    auto installed = adapter(down, closed, true);
    EXPECT_TRUE(installed.checkAvailability());
    expectOffline(installed.fetchUsage(false), closed);
}

// The server program counts as installed wherever claude and agy would be
// found, ~/.local/bin (Ollama's own installer without root) included; a file
// that cannot be run does not count.
TEST_F(OllamaTest, TheProgramIsFoundWhereTheClientsAreLookedFor) {
    const struct {
        const char* place;
        bool executable;
        bool found;
    } rows[] = {
        {".local/bin/ollama", true, true},
        {"root/usr/local/bin/ollama", true, true},
        {"root/usr/bin/ollama", true, true},
        {".local/bin/ollama", false, false},
    };
    for (const auto& row : rows) {
        QDir(home.path()).removeRecursively();
        QDir().mkpath(home.path());
        row.executable ? home.writeScript(QLatin1String(row.place), "exit 0") : home.write(QLatin1String(row.place), "");
        EXPECT_EQ(adapter(CurlTransport::shared(), QString()).isDetected(), row.found) << row.place;
    }
}

TEST_F(OllamaTest, TimeOutsAreOneSecondForTheCheckAndTwoForAFetch) {
    FakeTransport transport;
    transport.respond(200, R"({"models":[]})");
    auto ollama = adapter(transport, QStringLiteral("http://127.0.0.1:11434/"));
    ollama.checkAvailability();
    ollama.fetchUsage(false);
    ASSERT_EQ(transport.requests().size(), 2);
    EXPECT_EQ(transport.requests()[0].timeout, std::chrono::seconds(1));
    EXPECT_EQ(transport.requests()[1].timeout, std::chrono::seconds(2));
    EXPECT_EQ(transport.requests()[1].url.toString(), QStringLiteral("http://127.0.0.1:11434/api/tags"));
}

TEST_F(OllamaTest, AServerThatDoesNotAnswerInTimeCountsAsDown) {
    server.answer("/api/tags", {200, R"({"models":[]})", {}, true});
    auto ollama = adapter(CurlTransport::shared(), server.baseAddress());
    EXPECT_FALSE(ollama.checkAvailability());
    server.release();
}

// /api/tags in the shapes Ollama's own list types allow (tests/data/ollama):
// an empty or null list, models with every optional field, with empty or
// missing ones, and models pulled from Ollama's cloud, which carry
// remote_model and remote_host and a stub size of a few hundred bytes: they
// run elsewhere and are no 0.0 GB model (an empty remote field is none).
TEST_F(OllamaTest, ModelListsInEveryShapeTheServerSends) {
    const ModelQuotaItem ready(QuotaKind::localServiceReady, 100, QuotaKind::unlimited);
    // A model by the name the server gives it, or, written "Ollama Model", one without.
    const auto name = [](const char* text) {
        static const QRegularExpression unnamed(QStringLiteral("^Ollama Model(?: \\((.*)\\))?$"));
        const QRegularExpressionMatch m = unnamed.match(QString::fromUtf8(text));
        if (!m.hasMatch()) return QuotaLabel(QString::fromUtf8(text));
        return QuotaLabel::providerWord("ollama", "unnamedModel").withAmount(m.captured(1));
    };
    const auto local = [&](const char* text) { return ModelQuotaItem(name(text), 100, QuotaKind::localModel); };
    const auto cloud = [&](const char* text) { return ModelQuotaItem(name(text), 100, QuotaKind::cloudModel); };
    const struct {
        QByteArray answer;
        QList<ModelQuotaItem> items;
    } rows[] = {
        {testData(QStringLiteral("ollama/tags-empty.json")), {ready}},
        {testData(QStringLiteral("ollama/tags-null.json")), {ready}},
        {testData(QStringLiteral("ollama/tags-local.json")),
         {local("qwen2.5-coder:7b (4.4 GB)"), local("llama3.2:3b (1.9 GB)")}},
        {testData(QStringLiteral("ollama/tags-cloud.json")),
         {cloud("gpt-oss:120b-cloud"), cloud("deepseek-v3.1:671b-cloud"), local("gemma3:4b (3.1 GB)")}},
        {testData(QStringLiteral("ollama/tags-sparse.json")),
         {local("mistral:latest (3.8 GB)"), local("phi4-mini:latest (0.0 GB)"), local("Ollama Model (0.6 GB)")}},
        {R"({"models":[{"name":"qwen3-coder:480b-cloud","remote_host":"https://ollama.com:443","size":382}]})",
         {cloud("qwen3-coder:480b-cloud")}},
        {R"({"models":[{"remote_model":"deepseek-v3.1:671b"}]})", {cloud("Ollama Model")}},
        {R"({"models":[{"name":"tiny","size":384,"remote_host":null,"remote_model":null}]})", {local("tiny (0.0 GB)")}},
        {R"({"models":[{"name":"tiny","size":384,"remote_host":"","remote_model":""}]})", {local("tiny (0.0 GB)")}},
        // A name is cut to what a line shows, its size kept; one that cannot be
        // shown (a control in it) is no name.
        {R"({"models":[{"name":")" + QByteArray(1 << 20, 'n') + R"(","size":1610612736}]})",
         {ModelQuotaItem(QString(38, QLatin1Char('n')) + QStringLiteral("… (1.5 GB)"), 100, QuotaKind::localModel)}},
        {R"({"models":[{"name":"Fa\u202Eble","size":0}]})", {local("Ollama Model (0.0 GB)")}},
    };
    FakeTransport transport;
    auto ollama = adapter(transport, QStringLiteral("http://127.0.0.1:11434"));
    for (const auto& row : rows) {
        transport.respond(200, row.answer);
        const UsageSnapshot s = ollama.fetchUsage(false);
        EXPECT_EQ(s.modelQuotas, row.items) << row.answer.constData();
        test::expectOnlyKindsOrOwnNames(s);
        EXPECT_EQ(s.unavailableReason, std::nullopt) << row.answer.constData();
        EXPECT_EQ(s.strategyUsed, FetchStrategy::cliStatusProbe) << row.answer.constData();
    }
}

// Only the user's own Ollama counts: its program installed, or every socket
// listening where the address leads owned by the user, by Ollama's service
// user or by root. Another user may listen on the port while the user's server
// is stopped; its answer is no model list. A server on another host is the
// user's choice.
TEST_F(OllamaTest, OnlyTheUsersOwnServerCounts) {
    const QByteArray loopback6 = tableAddress({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    using Listeners = QList<std::tuple<QByteArray, int, uid_t>>;
    const struct {
        const char* row;
        Listeners tcp, tcp6;
        bool installed;
        const char* base;
        bool present;
    } rows[] = {
        {"own", {{kLoopback4, 11434, kUser}}, {}, false, "http://127.0.0.1:11434", true},
        {"service user, every address", {{kAny4, 11434, kService}}, {}, false, "http://127.0.0.1:11434", true},
        {"root, dual stack", {}, {{kAny6, 11434, 0}}, false, "http://[::1]:11434", true},
        {"another user", {{kLoopback4, 11434, kOther}}, {}, false, "http://127.0.0.1:11434", false},
        {"another user beside the own", {{kAny4, 11434, kUser}}, {{loopback6, 11434, kOther}}, false, "http://localhost:11434", false},
        {"another port only", {{kLoopback4, 11435, kUser}}, {}, false, "http://127.0.0.1:11434", false},
        {"installed", {{kLoopback4, 11434, kOther}}, {}, true, "http://127.0.0.1:11434", true},
        {"another host", {}, {}, false, "http://192.0.2.7:11434", true},
    };
    FakeTransport transport;
    transport.respond(200, R"({"models":[{"name":"llama3:8b","size":1610612736}]})");
    for (const auto& row : rows) {
        QDir(home.path()).removeRecursively();
        home.write(QStringLiteral("root/etc/passwd"), "ollama:x:998:998::/usr/share/ollama:/bin/false\n");
        home.write(QStringLiteral("root/proc/net/tcp"), socketTable(row.tcp));
        home.write(QStringLiteral("root/proc/net/tcp6"), socketTable(row.tcp6));
        auto ollama = adapter(transport, QLatin1String(row.base), row.installed,
                              OllamaListener(home.file(QStringLiteral("root")), kUser));
        EXPECT_EQ(ollama.checkAvailability(), row.present) << row.row;
        const bool answered = ollama.isOwnServer();
        // A listener that is not the user's own is no answer: no model is read from it.
        const UsageSnapshot read = ollama.fetchUsage(false);
        EXPECT_EQ(read.modelQuotas.isEmpty() ? QuotaLabel() : read.modelQuotas.front().quotaType,
                  answered ? QuotaLabel(QuotaKind::localModel) : QuotaLabel())
            << row.row;
        EXPECT_EQ(answered, row.present && std::string(row.row) != "installed") << row.row;
    }
}

// The server's address as Ollama's own client takes it from OLLAMA_HOST, with
// a listening-only address reached on loopback (tests/data/ollama/OLLAMA_HOST.tsv).
TEST(OllamaHost, TheServerIsLookedForWhereOllamasClientLooks) {
    const QList<QByteArray> lines = testData(QStringLiteral("ollama/OLLAMA_HOST.tsv")).split('\n');
    int rows = 0;
    for (const QByteArray& line : lines.mid(1)) {
        if (line.isEmpty()) continue;
        const QList<QByteArray> fields = line.split('\t');
        ASSERT_EQ(fields.size(), 2) << line.constData();
        const QString value = QString::fromUtf8(fields[0]);
        EXPECT_EQ(OllamaAdapter::serverAddress(value), QString::fromUtf8(fields[1])) << line.constData();
        ++rows;
    }
    EXPECT_GE(rows, 20);
    EXPECT_EQ(OllamaAdapter::serverAddress(std::nullopt), QStringLiteral("http://127.0.0.1:11434"));
    FakeTransport transport;
    transport.respond(200, R"({"models":[]})");
    TempHome home;
    const CLIProcessRunner runner{test::hostUnderHome(home.path()),
                                  CLIProcessRunner::Options{.systemRoot = home.file(QStringLiteral("root"))}};
    OllamaAdapter(transport, OllamaAdapter::serverAddress(QStringLiteral("https://example.com/ollama")), runner).fetchUsage(false);
    ASSERT_EQ(transport.requests().size(), 1);
    EXPECT_EQ(transport.requests()[0].url.toString(), QStringLiteral("https://example.com:443/ollama/api/tags"));
}

} // namespace
} // namespace meterix::test
