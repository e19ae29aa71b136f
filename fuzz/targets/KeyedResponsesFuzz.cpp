// Each keyed adapter's HTTP answer through a fake transport: the first byte picks
// the adapter, the second the status (its value modulo the status table) and the
// status of a second request (its higher digits): OpenRouter's key request,
// Kimi's international host. Groq's figures come from its headers (lines
// "name: value"); OpenRouter's two answers are split at the first NUL. A first
// byte whose seventh (data[0] / 7) is odd gives Kimi a Kimi Code plan key, whose
// answer is the plan's usage windows. Every input is also read as Vibe's
// environment file for Mistral's key.
// Whatever the answer, the snapshot is sound and never carries the key.
#include "FuzzTarget.h"

#include "providers/copilot/CopilotAdapter.h"
#include "providers/deepseek/DeepSeekAdapter.h"
#include "providers/elevenlabs/ElevenLabsAdapter.h"
#include "providers/groq/GroqAdapter.h"
#include "providers/kimi/KimiAdapter.h"
#include "providers/mistral/MistralAdapter.h"
#include "providers/ollama/OllamaAdapter.h"
#include "providers/openrouter/OpenRouterAdapter.h"
#include "support/HostUnderHome.h"
#include "support/FakeClock.h"
#include "support/FakeTransport.h"

#include <QJsonDocument>

#include <memory>
#include <utility>

using namespace meterix;

namespace {

const QString kKey = QStringLiteral("fuzz-secret-key-0123456789");
const QString kCodingKey = QStringLiteral("sk-kimi-fuzz-secret-key-0123456789");

QList<HttpHeader> headerLines(const QByteArray& text) {
    QList<HttpHeader> headers;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) continue;
        headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    }
    return headers;
}

// Finds no server program: the lookup searches only a folder that does not exist.
const CLIProcessRunner& ollamaLookup(const QString& home) {
    static const CLIProcessRunner runner(test::hostUnderHome(home),
                                         CLIProcessRunner::Options{.candidateFolders = {home + QStringLiteral("/none")}});
    return runner;
}

} // namespace

METERIX_FUZZ_TARGET(keyed_responses) {
    if (size < 2) return;
    static const int statuses[] = {200, 200, 200, 200, 204, 401, 403, 429, 500};
    const int status = statuses[data[1] % std::size(statuses)];
    const int secondStatus = statuses[(data[1] / std::size(statuses)) % std::size(statuses)];
    const QByteArray body = fuzz::bytes(data + 2, size - 2);
    const qsizetype nul = body.indexOf('\0');
    const QByteArray first = nul < 0 ? body : body.left(nul);
    const QByteArray second = nul < 0 ? QByteArray() : body.mid(nul + 1);

    test::FakeTransport transport;
    const test::FakeClock clock(fuzz::fixedNow());
    const QString home = fuzz::workspace() + QStringLiteral("/keyed-home");
    const bool codingKey = (data[0] / 7) % 2 == 1;
    const QString key = codingKey ? kCodingKey : kKey;
    const EnvironmentLookup env = [key](const QString&) -> std::optional<QString> { return key; };
    const QString base = QStringLiteral("https://fuzz.test");
    const auto keyed =
        [&]<typename Adapter>(std::in_place_type_t<Adapter>) -> std::unique_ptr<AIProviderAdapter> {
        return std::make_unique<Adapter>(transport, base, home, env, clock);
    };
    std::unique_ptr<AIProviderAdapter> adapter;
    const int which = data[0] % 7;
    if (which == 4)
        transport.respond([=](const UsageRequest& r) {
            const bool credits = r.url.path().endsWith(QLatin1String("/credits"));
            return test::FakeTransport::answer(credits ? status : secondStatus, credits ? first : second);
        });
    else if (which == 2)
        transport.respond([=](const UsageRequest& r) {
            return test::FakeTransport::answer(r.url.host() == QLatin1String("fuzz.test") ? status : secondStatus,
                                               body);
        });
    else if (which == 5)
        transport.respond(status, QByteArray(), headerLines(body));
    else
        transport.respond(status, body);
    switch (which) {
    case 0:
        adapter = keyed(std::in_place_type<CopilotAdapter>);
        break;
    case 1:
        adapter = keyed(std::in_place_type<DeepSeekAdapter>);
        break;
    case 2:
        adapter = std::make_unique<KimiAdapter>(transport, base, home, env, clock, QStringLiteral("https://intl.fuzz.test"));
        break;
    case 3:
        adapter = keyed(std::in_place_type<ElevenLabsAdapter>);
        break;
    case 4:
        adapter = keyed(std::in_place_type<OpenRouterAdapter>);
        break;
    case 5:
        adapter = keyed(std::in_place_type<GroqAdapter>);
        break;
    default:
        adapter = std::make_unique<OllamaAdapter>(transport, base, ollamaLookup(home), clock);
        break;
    }
    const UsageSnapshot s = adapter->fetchUsage(false);
    METERIX_FUZZ_CHECK(s.provider == adapter->type());
    fuzz::checkSnapshot(s);
    const QByteArray stored = QJsonDocument(s.toJson()).toJson();
    METERIX_FUZZ_CHECK(!stored.contains(key.toUtf8()));
    METERIX_FUZZ_CHECK(!s.credentialFingerprint.has_value());

    const auto vibeKey = MistralAdapter::keyFromEnvironmentFile(body);
    METERIX_FUZZ_CHECK(!vibeKey || isUsableCredential(*vibeKey));
}
