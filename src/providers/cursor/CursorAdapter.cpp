#include "providers/cursor/CursorAdapter.h"

#include "core/PlatformPaths.h"

namespace meterix {

CursorAdapter::CursorAdapter(QString homeDirectory, std::optional<QStringList> supportFolders)
    : homeDirectory_(std::move(homeDirectory)),
      supportFolders_(supportFolders ? std::move(*supportFolders)
                                     : PlatformPaths::paths(installPlaces(), homeDirectory_, configHome())) {}

bool CursorAdapter::checkAvailability() {
    const bool found = PlatformPaths::anyExists(supportFolders_);
    detected_.set(found);
    return found;
}

UsageSnapshot CursorAdapter::fetchUsage(bool) {
    const bool found = checkAvailability();
    return UsageSnapshot::unavailable(AIProviderType::cursor,
                                      found ? UsageUnavailableReason::notMeasured
                                            : UsageUnavailableReason::notConfigured);
}

} // namespace meterix
