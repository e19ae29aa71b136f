#include "accounts/AccountUsageStore.h"

#include "core/JsonStoreFile.h"
#include "core/MeterixLog.h"
#include "core/Paths.h"

namespace meterix {

AccountUsageStore::AccountUsageStore(std::optional<QString> path, const Clock& clock,
                                     std::chrono::milliseconds writeDelay, const StoreFileSystem& files)
    : file_(path.value_or(defaultFilePath()), files), clock_(clock), writeDelay_(writeDelay) {
    const auto loaded = file_.load();
    if (!loaded) return;
    auto cache = decode(*loaded);
    if (!cache) {
        // One bad entry makes the whole file untrustworthy: start empty.
        file_.markUnreadable();
        qCWarning(logAccounts, "account-usage.json does not decode; starting empty");
        return;
    }
    cache_.set(std::move(*cache));
}

std::optional<QHash<QString, UsageSnapshot>> AccountUsageStore::decode(const QJsonObject& object) {
    QHash<QString, UsageSnapshot> readings;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        auto snapshot = it.value().isObject() ? UsageSnapshot::fromJson(it.value().toObject()) : std::nullopt;
        if (!snapshot) return std::nullopt;
        readings.insert(it.key(), std::move(*snapshot));
    }
    return readings;
}

bool AccountUsageStore::takeBack(const QJsonObject& object) {
    const auto readings = decode(object);
    if (!readings) return false;
    cache_.withValue([&](QHash<QString, UsageSnapshot>& cache) {
        for (auto it = readings->constBegin(); it != readings->constEnd(); ++it)
            if (auto ours = cache.constFind(it.key());
                ours == cache.constEnd() || ours->capturedAt < it->capturedAt)
                cache.insert(it.key(), *it);
    });
    return true;
}

AccountUsageStore::~AccountUsageStore() {
    {
        std::lock_guard lock(writeMutex_);
        hurry_ = true; // for good: nothing may wait out a delay any more
    }
    if (unsaved_) scheduleWrite(); // the end is the last chance of a failed write
    writeWake_.notify_all();
    executor_.stop();
}

std::chrono::milliseconds AccountUsageStore::writeDelayFrom(QByteArrayView text) {
    constexpr qlonglong kDay = 24LL * 60 * 60 * 1000;
    bool ok = false;
    const qlonglong ms = text.trimmed().toLongLong(&ok);
    if (!ok || ms < 0 || ms > kDay) return defaultWriteDelay;
    return std::chrono::milliseconds(ms);
}

QString AccountUsageStore::defaultFilePath() {
    const QString folder = meterixDataFolder();
    makePrivateFolder(folder); // a failure shows at the first write
    return joinPath(folder, QStringLiteral("account-usage.json"));
}

QString AccountUsageStore::accountKey(AIProviderType provider, const QString& accountID) {
    return rawValue(provider) + QLatin1Char('|') + accountID;
}

std::optional<UsageSnapshot> AccountUsageStore::snapshot(AIProviderType provider,
                                                         const QString& accountID) const {
    const QString key = accountKey(provider, accountID);
    const auto stored =
        cache_.withValue([&](const QHash<QString, UsageSnapshot>& cache) -> std::optional<UsageSnapshot> {
            if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
            return std::nullopt;
        });
    return stored;
}

void AccountUsageStore::record(const UsageSnapshot& snapshot) {
    if (!snapshot.accountID || snapshot.accountID->isEmpty()) return;
    if (snapshot.strategyUsed == FetchStrategy::simulated || snapshot.fetchError) return;
    // One entry the next start cannot decode would cost every account its reading.
    if (!UsageSnapshot::fromJson(snapshot.toJson())) {
        qCWarning(logAccounts, "a %s reading that would not read back is not stored",
                  qPrintable(rawValue(snapshot.provider)));
        return;
    }
    const QString key = accountKey(snapshot.provider, *snapshot.accountID);
    // The map changes at once, so a read right after sees it; only the file
    // write waits on the store's thread and never holds up a reader.
    const bool changed = cache_.withValue([&](QHash<QString, UsageSnapshot>& cache) {
        if (auto it = cache.constFind(key); it != cache.constEnd() && it->capturedAt > snapshot.capturedAt)
            return false;
        cache.insert(key, snapshot);
        return true;
    });
    // A write that failed before is tried again with this one.
    if (changed || unsaved_) scheduleWrite();
}

void AccountUsageStore::scheduleWrite() {
    {
        std::lock_guard lock(writeMutex_);
        if (writeScheduled_) return; // the write already queued takes this reading too
        writeScheduled_ = true;
    }
    executor_.post([this] { writeWhenDue(); });
}

void AccountUsageStore::writeWhenDue() {
    {
        std::unique_lock lock(writeMutex_);
        writeWake_.wait_for(lock, writeDelay_, [this] { return hurry_; });
        // Readings recorded from here on schedule the next write.
        writeScheduled_ = false;
    }
    persist();
}

void AccountUsageStore::flush() {
    if (unsaved_) scheduleWrite();
    {
        std::lock_guard lock(writeMutex_);
        hurry_ = true;
    }
    writeWake_.notify_all();
    executor_.sync([this] {
        std::lock_guard lock(writeMutex_);
        hurry_ = false;
    });
}

void AccountUsageStore::persist() {
    // A file set aside at start that the user mended meanwhile is read back
    // first, so its readings are neither lost nor moved away.
    file_.rereadBeforeSettingAside([this](const QJsonObject& object) { return takeBack(object); });
    QJsonObject object;
    cache_.withValue([&](const QHash<QString, UsageSnapshot>& cache) {
        for (auto it = cache.constBegin(); it != cache.constEnd(); ++it)
            object.insert(it.key(), it.value().toJson());
    });
    // An unreadable file is set aside first; a failed write keeps the old file
    // (and says so) and the next record, flush or the end tries again.
    unsaved_ = !file_.write(object, clock_.now());
}

} // namespace meterix
