#include "core/AIProviderType.h"

#include "core/ProviderDescriptor.h"

namespace meterix {

namespace {

constexpr const char* kFallbackStatusPage = "https://duckduckgo.com/";

} // namespace

const QList<AIProviderType>& allProviderTypes() {
    static const QList<AIProviderType> all = {
#define METERIX_PROVIDER(type, descriptor) AIProviderType::type,
#include "core/ProviderList.inc"
#undef METERIX_PROVIDER
    };
    return all;
}

QString rawValue(AIProviderType p) {
    return QString::fromLatin1(ProviderCatalogue::of(p).rawValue);
}

std::optional<AIProviderType> providerFromRawValue(QStringView raw) {
    for (const ProviderDescriptor* d : ProviderCatalogue::all())
        if (raw == QLatin1StringView(d->rawValue)) return d->type;
    return std::nullopt;
}

QString displayName(AIProviderType p) {
    return ProviderCatalogue::of(p).displayName().text();
}
QString shortName(AIProviderType p) {
    return ProviderCatalogue::of(p).shortName().text();
}
QString sfSymbol(AIProviderType p) {
    return QString::fromLatin1(ProviderCatalogue::of(p).symbol);
}

QUrl statusPageURL(AIProviderType p) {
    const char* page = ProviderCatalogue::of(p).statusPage;
    return QUrl(QString::fromLatin1(page ? page : kFallbackStatusPage));
}

std::optional<QUrl> accountDashboardURL(AIProviderType p) {
    const char* dashboard = ProviderCatalogue::of(p).dashboard;
    if (!dashboard) return std::nullopt;
    return QUrl(QString::fromLatin1(dashboard));
}

} // namespace meterix
