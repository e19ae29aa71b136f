#include "support/TestEnvironment.h"

#include "providers/DefaultProviders.h"

#include <QDir>

#include <cstdlib>
#include <ctime>

namespace meterix::test {

void prepareTestEnvironment(const QString& root) {
    const QByteArray r = root.toLocal8Bit();
    QDir(root).mkpath(QStringLiteral(".config"));
    QDir(root).mkpath(QStringLiteral(".local/share"));
    ::setenv("HOME", r.constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (r + "/.config").constData(), 1);
    ::setenv("XDG_DATA_HOME", (r + "/.local/share").constData(), 1);
    ::setenv("TZ", "UTC", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const char* name :
         {"CLAUDE_CONFIG_DIR", "CODEX_HOME", "METERIX_LOG_PRIVATE", "GITHUB_TOKEN", "COPILOT_TOKEN",
          "DEEPSEEK_API_KEY", "OPENROUTER_API_KEY", "GROQ_API_KEY", "MOONSHOT_API_KEY", "KIMI_API_KEY",
          "MISTRAL_API_KEY", "ELEVENLABS_API_KEY", "XI_API_KEY", "LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        ::unsetenv(name);
    ::setenv("LANG", "C.UTF-8", 1);
    tzset();
    // The catalogue the app installs, from the same list.
    ProviderCatalogue::install(providerDescriptors());
}

} // namespace meterix::test
