#include "refresh/DefaultAdapters.h"

#include "accounts/AccountIdentityLedger.h"
#include "providers/AntigravityAdapter.h"
#include "providers/ClaudeCodeAdapter.h"
#include "providers/CopilotAdapter.h"
#include "providers/CursorAdapter.h"
#include "providers/DeepSeekAdapter.h"
#include "providers/ElevenLabsAdapter.h"
#include "providers/GroqAdapter.h"
#include "providers/KimiAdapter.h"
#include "providers/MistralAdapter.h"
#include "providers/OllamaAdapter.h"
#include "providers/OpenAI_CodexAdapter.h"
#include "providers/OpenRouterAdapter.h"
#include "providers/WindsurfAdapter.h"
#include "providers/ZedAdapter.h"

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

} // namespace meterix
