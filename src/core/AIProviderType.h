#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace meterix {

// The providers, in catalogue order: the cases of core/ProviderList.inc.
enum class AIProviderType {
#define METERIX_PROVIDER(type, descriptor) type,
#include "core/ProviderList.inc"
#undef METERIX_PROVIDER
};

const QList<AIProviderType>& allProviderTypes();
// The rest is each provider's descriptor (core/ProviderCatalogue.h), which
// must be installed before any of these is asked.
// The persisted name; unique.
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
