#include "accounts/AccountUsageStore.h"

#include "core/JsonStoreFile.h"
#include "core/MeterixLog.h"
#include "core/Paths.h"

#include <QDir>

namespace meterix {

AccountUsageStore::AccountUsageStore(std::optional<QString> path, const Clock& clock)
    : path_(path.value_or(defaultFilePath())), clock_(clock) {
    JsonStoreFile file(path_);
    const std::optional<QJsonObject> loaded = file.load();
    if (!loaded) {
        fileIsUndecodable_ = file.isSetAsidePending();
        return;
    }
    for (auto it = loaded->constBegin(); it != loaded->constEnd(); ++it) {
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
    JsonStoreFile file(path_);
    // Keep what we could not read instead of writing over it.
    if (fileIsUndecodable_) file.markUnreadable();
    QJsonObject object;
    for (auto it = cache_.constBegin(); it != cache_.constEnd(); ++it)
        object.insert(it.key(), it.value().toJson());
    // A failed write keeps the old file (still marked when unreadable); the next record retries.
    if (file.write(object, clock_.now())) fileIsUndecodable_ = false;
}

} // namespace meterix
