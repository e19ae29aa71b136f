#include "accounts/AccountUsageStore.h"

#include "core/JsonStoreFile.h"
#include "core/MeterixLog.h"
#include "core/Paths.h"
#include "core/SafeFile.h"

#include <QDir>

namespace meterix {

AccountUsageStore::AccountUsageStore(std::optional<QString> path, const Clock& clock)
    : path_(path.value_or(defaultFilePath())), clock_(clock) {
    const auto loaded = JsonStoreFile::load(path_);
    if (loaded.status == JsonStoreFile::LoadStatus::undecodable) {
        fileIsUndecodable_ = true;
        return;
    }
    for (auto it = loaded.object.constBegin(); it != loaded.object.constEnd(); ++it) {
        auto snapshot = it.value().isObject() ? UsageSnapshot::fromJson(it.value().toObject()) : std::nullopt;
        if (!snapshot) {
            // One bad entry makes the whole file untrustworthy: start empty.
            cache_.clear();
            fileIsUndecodable_ = true;
            qCWarning(logAccounts, "account-usage.json does not decode; starting empty");
            return;
        }
        cache_.insert(it.key(), std::move(*snapshot));
    }
}

AccountUsageStore::~AccountUsageStore() {
    executor_.stop();
}

AccountUsageStore& AccountUsageStore::shared() {
    static AccountUsageStore* store = new AccountUsageStore(); // lives for the whole process
    return *store;
}

QString AccountUsageStore::defaultFilePath() {
    const QString folder = meterixDataFolder();
    QDir().mkpath(folder);
    return joinPath(folder, QStringLiteral("account-usage.json"));
}

QString AccountUsageStore::accountKey(AIProviderType provider, const QString& accountID) {
    return rawValue(provider) + QLatin1Char('|') + accountID;
}

std::optional<UsageSnapshot> AccountUsageStore::snapshot(AIProviderType provider,
                                                         const QString& accountID) const {
    const QString key = accountKey(provider, accountID);
    std::optional<UsageSnapshot> stored;
    executor_.sync([&] {
        if (auto it = cache_.constFind(key); it != cache_.constEnd()) stored = *it;
    });
    if (!stored) return std::nullopt;
    return stored->agedToNow(clock_.now());
}

void AccountUsageStore::record(const UsageSnapshot& snapshot) {
    if (!snapshot.accountID || snapshot.accountID->isEmpty()) return;
    if (snapshot.strategyUsed == FetchStrategy::simulated || snapshot.fetchError) return;
    const QString key = accountKey(snapshot.provider, *snapshot.accountID);
    executor_.post([this, key, snapshot] {
        if (auto it = cache_.constFind(key); it != cache_.constEnd() && it->capturedAt > snapshot.capturedAt)
            return;
        cache_.insert(key, snapshot);
        persist();
    });
}

void AccountUsageStore::flush() {
    executor_.sync([] {});
}

void AccountUsageStore::persist() {
    if (fileIsUndecodable_) {
        // Keep what we could not read instead of writing over it.
        if (exists(path_) && !JsonStoreFile::setAside(path_)) return;
        fileIsUndecodable_ = false;
    }
    QJsonObject object;
    for (auto it = cache_.constBegin(); it != cache_.constEnd(); ++it)
        object.insert(it.key(), it.value().toJson());
    JsonStoreFile::write(path_, object); // a failed write keeps the old file; the next record retries
}

} // namespace meterix
