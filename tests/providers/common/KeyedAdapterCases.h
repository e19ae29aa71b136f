#pragma once

#include "providers/copilot/CopilotAdapter.h"
#include "providers/deepseek/DeepSeekAdapter.h"
#include "providers/elevenlabs/ElevenLabsAdapter.h"
#include "providers/groq/GroqAdapter.h"
#include "providers/kimi/KimiAdapter.h"
#include "providers/openrouter/OpenRouterAdapter.h"

#include <functional>
#include <memory>
#include <ostream>

namespace meterix::test {

// The six adapters that read a web API with the user's key, with what each
// sends and a minimal good answer, so the shared flow is tested for every one.
struct KeyedCase {
    const char* name;
    AIProviderType type;
    QString variable;
    QString keyFile;
    QString path;
    QByteArray authHeader;
    QByteArray authPrefix;
    int timeoutSeconds;
    QByteArray goodBody;
    QList<HttpHeader> goodHeaders;
    std::function<std::unique_ptr<KeyedAdapter>(UsageTransport&, QString base, QString home, EnvironmentLookup)> make;
};

template <class Adapter> auto maker() {
    return [](UsageTransport& t, QString base, QString home, EnvironmentLookup env) -> std::unique_ptr<KeyedAdapter> {
        return std::make_unique<Adapter>(t, std::move(base), std::move(home), std::move(env));
    };
}

inline const QList<KeyedCase>& keyedCases() {
    static const QList<KeyedCase> cases{
        {"Copilot", AIProviderType::copilot, "GITHUB_TOKEN", "", "/copilot_internal/user", "authorization", "token ",
         8, R"({"quota_snapshots":{"chat":{"used":1,"limit":4}}})", {}, maker<CopilotAdapter>()},
        {"DeepSeek", AIProviderType::deepseek, "DEEPSEEK_API_KEY", "/.config/deepseek/api_key", "/user/balance",
         "authorization", "Bearer ", 8, R"({"balance_infos":[{"total_balance":"15"}]})", {},
         maker<DeepSeekAdapter>()},
        {"ElevenLabs", AIProviderType::elevenlabs, "ELEVENLABS_API_KEY", "/.config/elevenlabs/api_key",
         "/v1/user/subscription", "xi-api-key", "", 6, R"({"character_count":1,"character_limit":4})", {},
         maker<ElevenLabsAdapter>()},
        {"Groq", AIProviderType::groq, "GROQ_API_KEY", "/.config/groq/api_key", "/openai/v1/models", "authorization",
         "Bearer ", 6, "{}",
         {{"x-ratelimit-remaining-requests", "3"}, {"x-ratelimit-limit-requests", "4"}}, maker<GroqAdapter>()},
        {"Kimi", AIProviderType::kimi, "MOONSHOT_API_KEY", "/.config/moonshot/api_key", "/v1/users/me/balance",
         "authorization", "Bearer ", 6, R"({"data":{"available_balance":37.5}})", {},
         // Its second host on the test's address too: a refused key is tried there.
         [](UsageTransport& t, QString base, QString home, EnvironmentLookup env) -> std::unique_ptr<KeyedAdapter> {
             return std::make_unique<KimiAdapter>(t, base, std::move(home), std::move(env), Clock::system(), base);
         }},
        {"OpenRouter", AIProviderType::openrouter, "OPENROUTER_API_KEY", "/.config/openrouter/api_key",
         "/api/v1/credits", "authorization", "Bearer ", 8, R"({"data":{"total_credits":4,"total_usage":1}})", {},
         maker<OpenRouterAdapter>()},
    };
    return cases;
}

inline void PrintTo(const KeyedCase& c, std::ostream* os) { *os << c.name; }

} // namespace meterix::test
