#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace meterix {

// The fourteen providers, in catalogue order.
enum class AIProviderType {
    claudeCode,
    openAICodex,
    antigravity,
    cursor,
    copilot,
    deepseek,
    openrouter,
    groq,
    ollama,
    mistral,
    kimi,
    elevenlabs,
    windsurf,
    zed,
};

const QList<AIProviderType>& allProviderTypes();
// The persisted name ("claude", "codex", "agy", then the case name).
QString rawValue(AIProviderType p);
// Exact, case-sensitive.
std::optional<AIProviderType> providerFromRawValue(QStringView raw);
QString displayName(AIProviderType p);
QString shortName(AIProviderType p);
QString sfSymbol(AIProviderType p);
QUrl statusPageURL(AIProviderType p);
std::optional<QUrl> accountDashboardURL(AIProviderType p);

inline size_t qHash(AIProviderType p, size_t seed = 0) noexcept {
    return ::qHash(static_cast<int>(p), seed);
}

} // namespace meterix
