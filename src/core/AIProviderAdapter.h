#pragma once

#include "core/AIProviderType.h"
#include "core/UsageSnapshot.h"

#include <QList>
#include <QString>

#include <optional>

namespace meterix {

// The contract between the refresh and the fourteen provider adapters.
// checkAvailability and the fetches block (files, HTTP, child processes): they
// are only ever called from the adapter thread pool, never on the GUI thread.
// isDetected and credentialFingerprint may be read from any thread while a fetch
// runs, so adapters guard their own state.
class AIProviderAdapter {
  public:
    virtual ~AIProviderAdapter() = default;

    virtual AIProviderType type() const = 0;
    virtual bool isDetected() const = 0;
    virtual bool checkAvailability() = 0;
    // Every failure is a reading with its reason; an error that escapes all the
    // same is caught around the fetch and counts as a failed refresh.
    virtual UsageSnapshot fetchUsage(bool forceSync) = 0;
    // One snapshot per account. By default the single fetchUsage reading.
    virtual QList<UsageSnapshot> fetchUsagePerAccount(bool forceSync);
    // The fingerprint of the credential the adapter would use now; by default none.
    virtual std::optional<QString> credentialFingerprint() const;

    UsageSnapshot fetchUsage() { return fetchUsage(false); }
};

} // namespace meterix
