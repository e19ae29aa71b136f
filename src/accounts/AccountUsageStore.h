#pragma once

#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "core/JsonStoreFile.h"
#include "core/Locked.h"
#include "core/SerialExecutor.h"
#include "core/UsageSnapshot.h"

#include <QHash>
#include <QString>

#include <optional>

namespace meterix {

// The last good reading of every account, kept across launches in
// account-usage.json, so a fresh start shows figures before the first refresh.
// File writes happen on the store's own thread.
class AccountUsageStore {
  public:
    // path: the JSON file; nothing means account-usage.json in our data folder.
    explicit AccountUsageStore(std::optional<QString> path = std::nullopt,
                               const Clock& clock = Clock::system());
    ~AccountUsageStore();
    AccountUsageStore(const AccountUsageStore&) = delete;
    AccountUsageStore& operator=(const AccountUsageStore&) = delete;

    static AccountUsageStore& shared();

    // The stored reading aged to now. Never waits for a file write.
    std::optional<UsageSnapshot> snapshot(AIProviderType provider, const QString& accountID) const;

    // Keeps a real reading of a named account (no placeholder, no failed
    // refresh); an older reading never replaces a newer one, and one that would
    // not read back from the file is refused. Returns at once.
    void record(const UsageSnapshot& snapshot);

    // Waits until everything recorded so far is on disk (tests, and quitting).
    void flush();

    const QString& filePath() const { return file_.path(); }
    static QString defaultFilePath();
    static QString accountKey(AIProviderType provider, const QString& accountID);

  private:
    void persist();

    JsonStoreFile file_; // only touched on executor_ after construction
    const Clock& clock_;
    mutable Locked<QHash<QString, UsageSnapshot>> cache_;
    mutable SerialExecutor executor_;
};

} // namespace meterix
