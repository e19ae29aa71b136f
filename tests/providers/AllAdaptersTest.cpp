#include "providers/common/KeyedAdapterCases.h"

#include "providers/cursor/CursorAdapter.h"
#include "providers/mistral/MistralAdapter.h"
#include "providers/ollama/OllamaAdapter.h"
#include "providers/windsurf/WindsurfAdapter.h"
#include "providers/zed/ZedAdapter.h"

#include "support/FakeEnvironment.h"
#include "support/LoopbackServer.h"
#include "support/TempHome.h"

#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSet>

#include <gtest/gtest.h>

namespace meterix::test {
namespace {

// Every message of every category, kept for the leak check.
QStringList& capturedLog() {
    static QStringList lines;
    return lines;
}
void capture(QtMsgType, const QMessageLogContext& context, const QString& message) {
    capturedLog().append(QString::fromUtf8(context.category ? context.category : "") + QLatin1Char(' ') + message);
}

TEST(AllAdapters, NoKeyLeavesAnAdapterExceptAsItsFingerprint) {
    LoopbackServer server;
    TempHome home;
    FakeEnvironment env;
    QStringList keys;
    std::vector<std::unique_ptr<KeyedAdapter>> adapters;
    for (const KeyedCase& c : keyedCases()) {
        const QString key = QStringLiteral("leakcheck-%1-7f3a9c").arg(QLatin1String(c.name));
        keys.append(key);
        env.set(c.variable, key);
        adapters.push_back(c.make(CurlTransport::shared(), server.baseAddress(), home.path(), env.lookup()));
    }
    const QString mistralKey = QStringLiteral("leakcheck-Mistral-7f3a9c");
    home.write(QStringLiteral(".config/mistral/api_key"), mistralKey.toUtf8());
    keys.append(mistralKey);
    MistralAdapter mistral(home.path(), env.lookup());

    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    QStringList output;
    const std::pair<int, const char*> answers[] = {{200, nullptr}, {401, "{}"}, {500, "oops"}, {200, "[]"}};
    for (const auto& [status, body] : answers) {
        for (const KeyedCase& c : keyedCases()) {
            LoopbackServer::Answer answer{status, body ? body : c.goodBody.toStdString(), {}};
            for (const auto& [name, value] : c.goodHeaders) answer.headers.emplace_back(name.toStdString(), value.toStdString());
            server.answer(c.path.toStdString(), answer);
            server.answer("/api/v1/key", answer);
        }
        for (const auto& adapter : adapters) {
            for (const UsageSnapshot& s : adapter->fetchUsagePerAccount(false))
                output.append(QString::fromUtf8(QJsonDocument(s.toJson()).toJson()));
            output.append(adapter->credentialFingerprint().value_or(QString()));
        }
        output.append(QString::fromUtf8(QJsonDocument(mistral.fetchUsage(false).toJson()).toJson()));
    }
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    output += capturedLog();

    // The keys did reach the server, so the check below is about real traffic.
    int keyed = 0;
    for (const auto& got : server.received())
        for (const auto& [name, value] : got.headers) keyed += QString::fromStdString(value).contains(QStringLiteral("leakcheck-"));
    EXPECT_GE(keyed, 6);
    const QString everything = output.join(QLatin1Char('\n'));
    for (const QString& key : keys) EXPECT_FALSE(everything.contains(key)) << key.toStdString();
    for (const auto& adapter : adapters) EXPECT_TRUE(everything.contains(*adapter->credentialFingerprint()));
}

TEST(AllAdapters, TheTransportRefusesHeaderValuesThatCouldSplitARequest) {
    LoopbackServer server;
    server.answer("/x", {200, "{}", {}});
    for (const QByteArray& bad : {QByteArray("a\r\nX-Injected: 1"), QByteArray("a\nb"), QByteArray("a\0b", 3)}) {
        UsageRequest request;
        request.url = QUrl(server.baseAddress() + QStringLiteral("/x"));
        request.headers = {{"Authorization", "Bearer " + bad}};
        EXPECT_EQ(CurlTransport::shared().answer(request).failure, UsageUnavailableReason::networkFailure);
    }
    EXPECT_TRUE(server.received().empty());
}

} // namespace
} // namespace meterix::test
