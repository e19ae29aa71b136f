// Every benchmark program asks the catalogue for its providers' names, as the
// app does once its composition root has installed it: installed here before
// main, from the same list.
#include "core/ProviderDescriptor.h"
#include "providers/DefaultProviders.h"

namespace {

const bool installed = [] {
    meterix::ProviderCatalogue::install(meterix::providerDescriptors());
    return true;
}();

} // namespace
