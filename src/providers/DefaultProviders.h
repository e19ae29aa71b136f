#pragma once

#include "accounts/AccountResolver.h"
#include "core/AIProviderAdapter.h"
#include "core/ProviderDescriptor.h"

#include <QList>

#include <memory>

namespace meterix {

// Every provider's descriptor, one per line of core/ProviderList.inc and in
// its order: what the composition root installs as the catalogue and hands in.
const QList<const ProviderDescriptor*>& providerDescriptors();

// The process's own services: the real home folder and environment, the
// libcurl transport, the process runner, the probe gate, the identity ledger
// and the system clock.
ProviderServices defaultServices();

// One adapter per provider, in catalogue order, made by its descriptor.
QList<std::shared_ptr<AIProviderAdapter>> adaptersOf(const QList<const ProviderDescriptor*>& providers,
                                                     const ProviderServices& services);
// The account resolvers of the providers that have accounts.
QList<std::shared_ptr<AccountResolver>> accountResolversOf(const QList<const ProviderDescriptor*>& providers,
                                                           const ProviderServices& services);
// The desktop apps the providers' accounts can be seen through.
QList<DesktopApp> desktopAppsOf(const QList<const ProviderDescriptor*>& providers);

} // namespace meterix
