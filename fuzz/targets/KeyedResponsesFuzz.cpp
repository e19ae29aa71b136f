// Each keyed adapter's HTTP answer through a fake transport: the first byte picks
// the adapter, the second the status. Groq's figures come from its headers
// (lines "name: value"); OpenRouter's two answers are split at the first NUL.
// Whatever the answer, the snapshot is sound and never carries the key.
#include "FuzzTarget.h"

#include "providers/CopilotAdapter.h"
#include "providers/DeepSeekAdapter.h"
#include "providers/ElevenLabsAdapter.h"
#include "providers/GroqAdapter.h"
#include "providers/KimiAdapter.h"
#include "providers/OllamaAdapter.h"
#include "providers/OpenRouterAdapter.h"
#include "support/FakeClock.h"
#include "support/FakeTransport.h"

#include <QJsonDocument>

#include <memory>

using namespace meterix;

namespace {

const QString kKey = QStringLiteral("fuzz-secret-key-0123456789");

QList<HttpHeader> headerLines(const QByteArray& text) {
    QList<HttpHeader> headers;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) continue;
        headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    }
    return headers;
}

} // namespace

METERIX_FUZZ_TARGET(keyed_responses) {
    if (size < 2) return;
    static const int statuses[] = {200, 200, 200, 200, 204, 401, 403, 429, 500};
    const int status = statuses[data[1] % std::size(statuses)];
    const QByteArray body = fuzz::bytes(data + 2, size - 2);
    const qsizetype nul = body.indexOf('\0');
    const QByteArray first = nul < 0 ? body : body.left(nul);
    const QByteArray second = nul < 0 ? QByteArray() : body.mid(nul + 1);

    test::FakeTransport transport;
    const test::FakeClock clock(fuzz::fixedNow());
    const QString home = fuzz::workspace() + QStringLiteral("/keyed-home");
    const EnvironmentLookup env = [](const QString&) -> std::optional<QString> { return kKey; };
    const QString base = QStringLiteral("https://fuzz.test");
    std::unique_ptr<AIProviderAdapter> adapter;
    switch (data[0] % 7) {
    case 0:
        transport.respond(status, body);
        adapter = std::make_unique<CopilotAdapter>(transport, base, home, env, clock);
        break;
    case 1:
        transport.respond(status, body);
        adapter = std::make_unique<DeepSeekAdapter>(transport, base, home, env, clock);
        break;
    case 2:
        transport.respond(status, body);
        adapter = std::make_unique<KimiAdapter>(transport, base, home, env, clock);
        break;
    case 3:
        transport.respond(status, body);
        adapter = std::make_unique<ElevenLabsAdapter>(transport, base, home, env, clock);
        break;
    case 4:
        transport.respond([=](const UsageRequest& r) {
            return test::FakeTransport::answer(
                status, r.url.path().endsWith(QLatin1String("/credits")) ? first : second);
        });
        adapter = std::make_unique<OpenRouterAdapter>(transport, base, home, env, clock);
        break;
    case 5:
        transport.respond(status, QByteArray(), headerLines(body));
        adapter = std::make_unique<GroqAdapter>(transport, base, home, env, clock);
        break;
    default:
        transport.respond(status, body);
        adapter = std::make_unique<OllamaAdapter>(transport, base, QStringList(), clock);
        break;
    }
    const UsageSnapshot s = adapter->fetchUsage(false);
    METERIX_FUZZ_CHECK(s.provider == adapter->type());
    fuzz::checkSnapshot(s);
    const QByteArray stored = QJsonDocument(s.toJson()).toJson();
    METERIX_FUZZ_CHECK(!stored.contains(kKey.toUtf8()));
    METERIX_FUZZ_CHECK(!s.credentialFingerprint.has_value());
}
