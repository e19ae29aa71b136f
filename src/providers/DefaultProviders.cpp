#include "providers/DefaultProviders.h"

#include "accounts/AccountIdentityLedger.h"
#include "providers/antigravity/AntigravityAdapter.h"
#include "providers/antigravity/GeminiAccountResolver.h"
#include "providers/claude/ClaudeAccountResolver.h"
#include "providers/claude/ClaudeCodeAdapter.h"
#include "providers/codex/CodexAccountResolver.h"
#include "providers/codex/OpenAI_CodexAdapter.h"
#include "providers/copilot/CopilotAdapter.h"
#include "providers/cursor/CursorAccountResolver.h"
#include "providers/cursor/CursorAdapter.h"
#include "providers/deepseek/DeepSeekAdapter.h"
#include "providers/elevenlabs/ElevenLabsAdapter.h"
#include "providers/groq/GroqAdapter.h"
#include "providers/kimi/KimiAdapter.h"
#include "providers/mistral/MistralAdapter.h"
#include "providers/ollama/OllamaAdapter.h"
#include "providers/openrouter/OpenRouterAdapter.h"
#include "providers/windsurf/WindsurfAdapter.h"
#include "providers/zed/ZedAdapter.h"

namespace meterix {

QList<std::shared_ptr<AIProviderAdapter>> defaultAdapters() {
    return {
        std::make_shared<ClaudeCodeAdapter>(),
        std::make_shared<OpenAI_CodexAdapter>(AccountIdentityLedger::shared()),
        std::make_shared<AntigravityAdapter>(),
        std::make_shared<CursorAdapter>(),
        std::make_shared<CopilotAdapter>(),
        std::make_shared<DeepSeekAdapter>(),
        std::make_shared<OpenRouterAdapter>(),
        std::make_shared<GroqAdapter>(),
        std::make_shared<OllamaAdapter>(),
        std::make_shared<MistralAdapter>(),
        std::make_shared<KimiAdapter>(),
        std::make_shared<ElevenLabsAdapter>(),
        std::make_shared<WindsurfAdapter>(),
        std::make_shared<ZedAdapter>(),
    };
}

QList<std::shared_ptr<AccountResolver>> defaultAccountResolvers() {
    return {std::make_shared<ClaudeAccountResolver>(), std::make_shared<CodexAccountResolver>(),
            std::make_shared<GeminiAccountResolver>(), std::make_shared<CursorAccountResolver>()};
}

} // namespace meterix
