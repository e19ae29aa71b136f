#include "providers/DefaultProviders.h"

#include "accounts/AccountIdentityLedger.h"
#include "core/CurlTransport.h"
#include "platform/process/CLIProcessRunner.h"
#include "providers/common/ProbeGate.h"

namespace meterix {

// Each room defines its descriptor's function; the list names them.
#define METERIX_PROVIDER(type, descriptor) const ProviderDescriptor& descriptor();
#include "core/ProviderList.inc"
#undef METERIX_PROVIDER

const QList<const ProviderDescriptor*>& providerDescriptors() {
    static const QList<const ProviderDescriptor*> all = {
#define METERIX_PROVIDER(type, descriptor) &descriptor(),
#include "core/ProviderList.inc"
#undef METERIX_PROVIDER
    };
    return all;
}

ProviderServices defaultServices() {
    return {HostEnvironment::current(),
            processEnvironment(),
            &CurlTransport::shared(),
            &CLIProcessRunner::shared(),
            &ProbeGate::shared(),
            &AccountIdentityLedger::shared(),
            &Clock::system()};
}

QList<std::shared_ptr<AIProviderAdapter>> adaptersOf(const QList<const ProviderDescriptor*>& providers,
                                                     const ProviderServices& services) {
    QList<std::shared_ptr<AIProviderAdapter>> adapters;
    for (const ProviderDescriptor* p : providers)
        adapters.append(p->makeAdapter(services));
    return adapters;
}

QList<std::shared_ptr<AccountResolver>> accountResolversOf(const QList<const ProviderDescriptor*>& providers,
                                                           const ProviderServices& services) {
    QList<std::shared_ptr<AccountResolver>> resolvers;
    for (const ProviderDescriptor* p : providers)
        if (p->makeAccountResolver) resolvers.append(p->makeAccountResolver(services));
    return resolvers;
}

QList<DesktopApp> desktopAppsOf(const QList<const ProviderDescriptor*>& providers) {
    QList<DesktopApp> apps;
    for (const ProviderDescriptor* p : providers)
        apps += p->desktopApps;
    return apps;
}

} // namespace meterix
