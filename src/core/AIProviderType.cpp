#include "core/AIProviderType.h"

namespace meterix {

namespace {

struct Entry {
    AIProviderType type;
    const char* raw;
    const char* displayName;
    const char* shortName;
    const char* symbol;
    const char* status;    // nullptr: the shared fallback page
    const char* dashboard; // nullptr: none
};

constexpr const char* kFallbackStatusPage = "https://duckduckgo.com/";

constexpr Entry kEntries[] = {
    {AIProviderType::claudeCode, "claude", "Claude Code", "Claude", "sparkle",
     "https://status.anthropic.com/", "https://claude.ai/settings/billing"},
    {AIProviderType::openAICodex, "codex", "Codex", "Codex", "curlybraces", "https://status.openai.com/",
     "https://platform.openai.com/usage"},
    {AIProviderType::antigravity, "agy", "Antigravity (AGY)", "Antigravity", "atom",
     "https://status.cloud.google.com/", "https://aistudio.google.com"},
    {AIProviderType::cursor, "cursor", "Cursor", "Cursor", "cursorarrow", "https://status.cursor.com/",
     "https://cursor.com/settings"},
    {AIProviderType::copilot, "copilot", "GitHub Copilot", "Copilot", "cpu", "https://www.githubstatus.com/",
     "https://github.com/settings/billing"},
    {AIProviderType::deepseek, "deepseek", "DeepSeek", "DeepSeek", "fish", "https://status.deepseek.com/",
     "https://platform.deepseek.com/usage"},
    {AIProviderType::openrouter, "openrouter", "OpenRouter", "OpenRouter",
     "point.3.filled.connected.trianglepath.dotted", "https://openrouter.ai/activity",
     "https://openrouter.ai/credits"},
    {AIProviderType::groq, "groq", "Groq", "Groq", "bolt.fill", "https://groqstatus.com/",
     "https://console.groq.com/usage"},
    {AIProviderType::ollama, "ollama", "Ollama", "Ollama", "server.rack", nullptr, nullptr},
    {AIProviderType::mistral, "mistral", "Mistral AI", "Mistral", "wind", "https://status.mistral.ai/",
     nullptr},
    {AIProviderType::kimi, "kimi", "Moonshot Kimi", "Kimi", "moon.stars.fill", nullptr, nullptr},
    {AIProviderType::elevenlabs, "elevenlabs", "ElevenLabs", "ElevenLabs", "waveform", nullptr, nullptr},
    {AIProviderType::windsurf, "windsurf", "Windsurf", "Windsurf", "water.waves", nullptr, nullptr},
    {AIProviderType::zed, "zed", "Zed AI", "Zed", "terminal.fill", nullptr, nullptr},
};

const Entry& entry(AIProviderType p) {
    return kEntries[static_cast<int>(p)];
}

} // namespace

const QList<AIProviderType>& allProviderTypes() {
    static const QList<AIProviderType> all = [] {
        QList<AIProviderType> list;
        for (const Entry& e : kEntries)
            list.append(e.type);
        return list;
    }();
    return all;
}

QString rawValue(AIProviderType p) {
    return QString::fromLatin1(entry(p).raw);
}

std::optional<AIProviderType> providerFromRawValue(QStringView raw) {
    for (const Entry& e : kEntries)
        if (raw == QLatin1StringView(e.raw)) return e.type;
    return std::nullopt;
}

QString displayName(AIProviderType p) {
    return QString::fromLatin1(entry(p).displayName);
}
QString shortName(AIProviderType p) {
    return QString::fromLatin1(entry(p).shortName);
}
QString sfSymbol(AIProviderType p) {
    return QString::fromLatin1(entry(p).symbol);
}

QUrl statusPageURL(AIProviderType p) {
    const char* page = entry(p).status ? entry(p).status : kFallbackStatusPage;
    return QUrl(QString::fromLatin1(page));
}

std::optional<QUrl> accountDashboardURL(AIProviderType p) {
    if (!entry(p).dashboard) return std::nullopt;
    return QUrl(QString::fromLatin1(entry(p).dashboard));
}

} // namespace meterix
