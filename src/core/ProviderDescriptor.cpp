#include "core/ProviderDescriptor.h"

#include <QtGlobal>

namespace meterix::ProviderCatalogue {

namespace {

QList<const ProviderDescriptor*>& installed() {
    static QList<const ProviderDescriptor*> descriptors;
    return descriptors;
}

} // namespace

void install(const QList<const ProviderDescriptor*>& descriptors) {
    QList<const ProviderDescriptor*> byType(allProviderTypes().size(), nullptr);
    for (const ProviderDescriptor* d : descriptors) {
        const auto at = static_cast<qsizetype>(d->type);
        if (at < 0 || at >= byType.size() || byType[at])
            qFatal("Provider %s is described twice", d->rawValue);
        byType[at] = d;
    }
    for (const ProviderDescriptor* d : byType)
        if (!d) qFatal("A provider of the list has no descriptor");
    installed() = byType;
}

const ProviderDescriptor& of(AIProviderType type) {
    const auto at = static_cast<qsizetype>(type);
    if (at < 0 || at >= installed().size()) qFatal("The provider catalogue is not installed");
    return *installed()[at];
}

const QList<const ProviderDescriptor*>& all() {
    return installed();
}

} // namespace meterix::ProviderCatalogue
