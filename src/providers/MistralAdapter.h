#pragma once

#include "core/AIProviderAdapter.h"
#include "core/EnvironmentLookup.h"
#include "core/Paths.h"
#include "providers/ApiKeySource.h"

namespace meterix {

// The Mistral API publishes no usage figure that can be read: the adapter only
// finds out whether a key is set up. Reads the environment and a small key file;
// nothing touches the network. Holds only constants.
class MistralAdapter final : public AIProviderAdapter {
public:
    explicit MistralAdapter(QString homeDirectory = homeFolder(),
                            EnvironmentLookup environment = processEnvironment());

    AIProviderType type() const override { return AIProviderType::mistral; }
    // MISTRAL_API_KEY set and not empty, or the key file exists.
    bool isDetected() const override;
    bool checkAvailability() override { return isDetected(); }
    // A snapshot without figures: notMeasured when a key resolves, else notConfigured.
    UsageSnapshot fetchUsage(bool forceSync) override;

    std::optional<QString> resolveAPIKey() const;

private:
    ApiKeySource keySource_;
    QString homeDirectory_;
    EnvironmentLookup environment_;
};

} // namespace meterix
