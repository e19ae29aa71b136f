#include "providers/MistralAdapter.h"

namespace meterix {

MistralAdapter::MistralAdapter(QString homeDirectory, EnvironmentLookup environment)
    : keySource_{{QStringLiteral("MISTRAL_API_KEY")}, QStringLiteral("/.config/mistral/api_key")},
      homeDirectory_(std::move(homeDirectory)), environment_(std::move(environment)) {}

bool MistralAdapter::isDetected() const { return keySource_.isDetected(homeDirectory_, environment_); }

std::optional<QString> MistralAdapter::resolveAPIKey() const {
    return keySource_.resolve(homeDirectory_, environment_);
}

UsageSnapshot MistralAdapter::fetchUsage(bool) {
    return UsageSnapshot::unavailable(AIProviderType::mistral, resolveAPIKey()
                                                                   ? UsageUnavailableReason::notMeasured
                                                                   : UsageUnavailableReason::notConfigured);
}

} // namespace meterix
