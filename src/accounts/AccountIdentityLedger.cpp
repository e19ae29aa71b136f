#include "accounts/AccountIdentityLedger.h"

#include "core/IsoDate.h"
#include "core/Json.h"
#include "core/MeterixLog.h"
#include "core/Paths.h"

namespace meterix {

// MARK: Record

QJsonObject AccountIdentityLedger::Record::toJson() const {
    QJsonObject o;
    o.insert(QLatin1String("accountID"), accountID);
    if (switchedAt) o.insert(QLatin1String("switchedAt"), isoDateString(*switchedAt));
    return o;
}

std::optional<AccountIdentityLedger::Record> AccountIdentityLedger::Record::fromJson(const QJsonObject& o) {
    const auto accountID = json::string(o, QLatin1String("accountID"));
    if (!accountID) return std::nullopt;
    Record record{*accountID, std::nullopt};
    if (!json::isAbsent(o, QLatin1String("switchedAt"))) {
        const auto text = json::string(o, QLatin1String("switchedAt"));
        if (!text) return std::nullopt;
        record.switchedAt = parseIsoDate(*text);
        if (!record.switchedAt) return std::nullopt;
    }
    return record;
}

// MARK: Ledger

QString AccountIdentityLedger::defaultFilePath() {
    const QString folder = meterixDataFolder();
    makePrivateFolder(folder); // a failure shows at the first write
    return joinPath(folder, QStringLiteral("account-identity.json"));
}

AccountIdentityLedger::AccountIdentityLedger(std::optional<QString> filePath, const Clock& clock,
                                             const StoreFileSystem& files)
    : file_(filePath ? *filePath : defaultFilePath(), files), clock_(clock) {
    load();
}

AccountIdentityLedger::~AccountIdentityLedger() { shutdown(); }

AccountIdentityLedger& AccountIdentityLedger::shared() {
    // Never destroyed: its worker must not run during static destruction; the
    // shutdown sequence calls shutdown().
    static auto* ledger = new AccountIdentityLedger();
    return *ledger;
}

QString AccountIdentityLedger::key(AIProviderType provider, const QString& profile) {
    return rawValue(provider) + QLatin1Char('|') + profile;
}

std::optional<QHash<QString, AccountIdentityLedger::Record>> AccountIdentityLedger::decode(const QJsonObject& object) {
    QHash<QString, Record> records;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        std::optional<Record> record;
        if (it.value().isObject()) record = Record::fromJson(it.value().toObject());
        if (!record) return std::nullopt;
        records.insert(it.key(), *record);
    }
    return records;
}

void AccountIdentityLedger::load() {
    const auto object = file_.load();
    if (!object) return;
    auto loaded = decode(*object);
    if (!loaded) {
        // One bad entry makes the whole file suspect: start empty, and keep
        // the file for inspection instead of overwriting its boundaries.
        qCWarning(logAccounts) << "account identity ledger does not decode; starting empty";
        file_.markUnreadable();
        return;
    }
    records_ = std::move(*loaded);
}

void AccountIdentityLedger::persist() {
    // A file set aside at start that the user mended meanwhile is read back:
    // what this run saw stands, the file's other profiles join it.
    file_.rereadBeforeSettingAside([this](const QJsonObject& object) {
        const auto mended = decode(object);
        if (!mended) return false;
        for (auto it = mended->constBegin(); it != mended->constEnd(); ++it)
            if (!records_.contains(it.key())) records_.insert(it.key(), *it);
        return true;
    });
    QJsonObject object;
    for (auto it = records_.constBegin(); it != records_.constEnd(); ++it) object.insert(it.key(), it->toJson());
    // A failure is logged by the file, once; the records stay for this run.
    unsaved_ = !file_.write(object, clock_.now());
}

std::optional<QDateTime> AccountIdentityLedger::attributionBoundary(AIProviderType provider, const QString& profile,
                                                                    const QString& accountID,
                                                                    const std::optional<QDateTime>& changedAt,
                                                                    const QDateTime& now) {
    std::optional<QDateTime> boundary;
    queue_.sync([&] {
        const QString k = key(provider, profile);
        const auto existing = records_.constFind(k);
        if (existing != records_.constEnd() && existing->accountID == accountID) {
            boundary = existing->switchedAt;
            return;
        }
        // The first account seen in a profile owns all of its usage; a different
        // one owns what began after its credentials were written.
        if (existing != records_.constEnd()) boundary = changedAt ? *changedAt : now;
        records_.insert(k, Record{accountID, boundary});
        qCInfo(logAccounts) << "account seen for" << rawValue(provider) << "profile" << MeterixLog::priv(profile)
                            << "is now" << MeterixLog::priv(accountID);
        persist();
    });
    return boundary;
}

void AccountIdentityLedger::reset() {
    queue_.sync([&] {
        // A file mended meanwhile is overwritten, not set aside, and its
        // records are forgotten with ours.
        file_.rereadBeforeSettingAside([](const QJsonObject& object) { return decode(object).has_value(); });
        records_.clear();
        persist();
    });
}

std::optional<AccountIdentityLedger::Record> AccountIdentityLedger::record(AIProviderType provider,
                                                                          const QString& profile) {
    std::optional<Record> found;
    queue_.sync([&] {
        const auto it = records_.constFind(key(provider, profile));
        if (it != records_.constEnd()) found = *it;
    });
    return found;
}

void AccountIdentityLedger::shutdown() {
    queue_.sync([&] {
        if (unsaved_) persist();
    });
    queue_.stop();
}

} // namespace meterix
