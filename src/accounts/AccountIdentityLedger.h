#pragma once

#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "core/JsonStoreFile.h"
#include "core/SerialExecutor.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace meterix {

// Which account was seen last in each profile of a provider, and from which
// moment usage read from that profile belongs to it. A tool's local usage logs do
// not say who produced them; without this a previous account's usage would be
// shown under the account signed in now.
//
// Records live in <data folder>/account-identity.json and are loaded once. Every
// question runs on the ledger's own serial executor and the caller waits for the
// answer, file write included: call it off the GUI thread. A write that fails
// leaves the file as it was; the next change or the shutdown writes it again.
class AccountIdentityLedger {
public:
    struct Record {
        QString accountID;
        std::optional<QDateTime> switchedAt;

        QJsonObject toJson() const;
        // Strict: "accountID" must be a string; "switchedAt" absent, null or a
        // whole-second ISO-8601 date.
        static std::optional<Record> fromJson(const QJsonObject& o);
        bool operator==(const Record&) const = default;
    };

    // The file defaults to account-identity.json in our data folder. The clock
    // only names a file that did not decode when it is moved aside.
    explicit AccountIdentityLedger(std::optional<QString> filePath = std::nullopt,
                                   const Clock& clock = Clock::system(),
                                   const StoreFileSystem& files = StoreFileSystem::posix());
    ~AccountIdentityLedger();
    AccountIdentityLedger(const AccountIdentityLedger&) = delete;
    AccountIdentityLedger& operator=(const AccountIdentityLedger&) = delete;

    // The ledger on the default file, created on first use.
    static AccountIdentityLedger& shared();
    static QString defaultFilePath();

    const QString& filePath() const { return file_.path(); }

    // Records accountID as the account of this profile and returns from when on
    // its usage counts: nothing for the first account ever seen in a profile or
    // when the same account was seen before without a switch; for a new account,
    // changedAt (when the credentials were written) or else now.
    std::optional<QDateTime> attributionBoundary(AIProviderType provider, const QString& profile,
                                                 const QString& accountID,
                                                 const std::optional<QDateTime>& changedAt, const QDateTime& now);

    // Forgets every record and writes the empty ledger.
    void reset();

    // A copy of the record of one provider and profile.
    std::optional<Record> record(AIProviderType provider, const QString& profile);

    // Writes what a failed write left unsaved, waits for the executor and stops
    // it; later questions run on the caller.
    void shutdown();

    static QString key(AIProviderType provider, const QString& profile);

private:
    void load();
    void persist();
    // The records of a file (all of them, or nothing when one does not decode).
    static std::optional<QHash<QString, Record>> decode(const QJsonObject& object);

    JsonStoreFile file_;
    const Clock& clock_;
    QHash<QString, Record> records_;
    bool unsaved_ = false; // the last write failed: the file lags the records
    SerialExecutor queue_;
};

} // namespace meterix
