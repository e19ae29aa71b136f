#pragma once

#include "core/AIProviderAdapter.h"
#include "core/EnvironmentLookup.h"
#include "core/Paths.h"
#include "providers/common/ApiKeySource.h"

namespace meterix {

// The Mistral API publishes no usage figure that can be read: the adapter only
// finds out whether a key is set up. Reads the environment and small key files;
// nothing touches the network. Holds only constants.
//
// Besides its own key file, the key Mistral's own command-line client (Vibe)
// keeps counts: MISTRAL_API_KEY in $VIBE_HOME/.env (~/.vibe/.env by default).
class MistralAdapter final : public AIProviderAdapter {
public:
    explicit MistralAdapter(QString homeDirectory = homeFolder(),
                            EnvironmentLookup environment = processEnvironment());

    AIProviderType type() const override { return AIProviderType::mistral; }
    // MISTRAL_API_KEY set and not empty, or the key file exists, or Vibe's
    // environment file holds a key.
    bool isDetected() const override;
    bool checkAvailability() override { return isDetected(); }
    // A snapshot without figures: notMeasured when a key resolves, else notConfigured.
    UsageSnapshot fetchUsage(bool forceSync) override;

    std::optional<QString> resolveAPIKey() const;
    // Where Vibe keeps its environment file.
    QString vibeEnvironmentPath() const;

    // The last non-empty MISTRAL_API_KEY of an environment file's text
    // ("KEY=value" lines, "export " allowed, values quoted or not, "#" comments).
    static std::optional<QString> keyFromEnvironmentFile(const QByteArray& text);

private:
    // The key of Vibe's environment file.
    std::optional<QString> vibeKey() const;

    ApiKeySource keySource_;
    QString homeDirectory_;
    EnvironmentLookup environment_;
};

} // namespace meterix
