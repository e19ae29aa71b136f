#include "core/AIProviderAdapter.h"

namespace meterix {

QList<UsageSnapshot> AIProviderAdapter::fetchUsagePerAccount(bool forceSync) {
    return {fetchUsage(forceSync)};
}

std::optional<QString> AIProviderAdapter::credentialFingerprint() const {
    return std::nullopt;
}

} // namespace meterix
