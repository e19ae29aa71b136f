#pragma once

#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "core/JsonStoreFile.h"
#include "core/Locked.h"
#include "core/SerialExecutor.h"
#include "core/UsageSnapshot.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace meterix {

// The last good reading of every account, kept across launches in
// account-usage.json, so a fresh start shows figures before the first refresh.
// File writes happen on the store's own thread, gathered: the readings of one
// poll (a dozen accounts within a moment) cost one write of the file, made
// writeDelay after the first of them, and flush() or the end of the store
// writes at once what is still waiting. A write that fails (a full disk, a
// read-only folder) leaves the file as it was; the readings stay in memory and
// the next record, flush() or the end writes them.
class AccountUsageStore {
  public:
    // path: the JSON file; nothing means account-usage.json in our data folder.
    static constexpr std::chrono::milliseconds defaultWriteDelay{2000};

    explicit AccountUsageStore(std::optional<QString> path = std::nullopt,
                               const Clock& clock = Clock::system(),
                               std::chrono::milliseconds writeDelay = defaultWriteDelay,
                               const StoreFileSystem& files = StoreFileSystem::posix());
    ~AccountUsageStore();
    AccountUsageStore(const AccountUsageStore&) = delete;
    AccountUsageStore& operator=(const AccountUsageStore&) = delete;

    // The write delay a setting's text asks for: whole milliseconds, none
    // below zero or beyond a day; anything else (nothing set) gives the
    // default. Tests of the real app set an hour, so that only a quit writes.
    static std::chrono::milliseconds writeDelayFrom(QByteArrayView text);

    // The stored reading aged to now. Never waits for a file write.
    std::optional<UsageSnapshot> snapshot(AIProviderType provider, const QString& accountID) const;

    // Keeps a real reading of a named account (no placeholder, no failed
    // refresh); an older reading never replaces a newer one, and one that would
    // not read back from the file is refused. Returns at once.
    void record(const UsageSnapshot& snapshot);

    // Writes what is waiting now and returns once everything recorded so far
    // is on disk (quitting, tests).
    void flush();

    const QString& filePath() const { return file_.path(); }
    static QString defaultFilePath();
    static QString accountKey(AIProviderType provider, const QString& accountID);

  private:
    void scheduleWrite();
    // On the store's thread: waits out the delay (or a flush), then writes.
    void writeWhenDue();
    void persist();
    // The readings of a file (all of them, or nothing when one does not decode).
    static std::optional<QHash<QString, UsageSnapshot>> decode(const QJsonObject& object);
    // A file mended while we ran: its readings join ours, the newer kept.
    bool takeBack(const QJsonObject& object);

    JsonStoreFile file_; // only touched on executor_ after construction
    const Clock& clock_;
    const std::chrono::milliseconds writeDelay_;
    std::mutex writeMutex_;
    std::condition_variable writeWake_;
    bool writeScheduled_ = false; // a write is queued and has not begun
    bool hurry_ = false;          // flush or the end: write what waits at once
    std::atomic<bool> unsaved_{false}; // the last write failed: the file lags the cache
    mutable Locked<QHash<QString, UsageSnapshot>> cache_;
    mutable SerialExecutor executor_;
};

} // namespace meterix
