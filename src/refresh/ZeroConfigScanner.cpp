#include "refresh/ZeroConfigScanner.h"

#include "core/MeterixLog.h"

namespace meterix {

QList<std::shared_ptr<AIProviderAdapter>> ZeroConfigScanner::scanAvailableProviders() const {
    QList<std::shared_ptr<AIProviderAdapter>> available;
    for (const auto& adapter : allAdapters_) {
        bool yes = false;
        try {
            yes = adapter->checkAvailability();
        } catch (const std::exception& e) {
            qCWarning(logProvider, "Availability check failed for %s: %s",
                      qUtf8Printable(rawValue(adapter->type())), e.what());
        } catch (...) {
            qCWarning(logProvider, "Availability check failed for %s",
                      qUtf8Printable(rawValue(adapter->type())));
        }
        if (yes) available.append(adapter);
    }
    return available;
}

} // namespace meterix
