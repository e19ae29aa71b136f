#pragma once

#include "accounts/AccountIdentity.h"
#include "accounts/AccountResolver.h"
#include "accounts/AccountSource.h"
#include "accounts/ResolvedAccount.h"
#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "core/TimerSource.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace meterix {

class MeterixPreferences;

// The merged, sorted accounts of each provider (catalogue order as map order).
using AccountsByProvider = QMap<AIProviderType, QList<ResolvedAccount>>;

// The one place that knows which accounts are signed in on this machine: it runs
// the account resolvers, merges what they report per provider, publishes the
// result to the views and answers the questions the refresh asks about accounts.
//
// Lives on the GUI thread: every member is called there (refreshAccounts called
// from elsewhere hops over). The resolvers run on the registry's own pool, one
// job each; their results come back to the GUI thread as queued calls.
//
// Scans may overlap (start-up, a user's rescan, a toggle of account detection).
// Only the newest scan that covers a provider publishes that provider's
// accounts; an older scan finishing later changes nothing there. Account
// detection is checked again right before publishing, so a scan that was
// running when detection was turned off cannot bring the accounts back.
// isScanning stays true while any scan runs.
//
// No resolver holds a scan up past its deadline: the scan then publishes the
// providers whose resolvers have answered (the others keep what they showed),
// logs each late resolver once, and takes a late answer in when it comes.
// While a late call still runs, a new scan waits for that call instead of
// starting another one beside it.
class AccountRegistry : public QObject {
    Q_OBJECT
    Q_PROPERTY(meterix::AccountsByProvider accountsByProvider READ accountsByProvider NOTIFY accountsByProviderChanged)
    // Invalid until the first scan ends.
    Q_PROPERTY(QDateTime lastScanDate READ lastScanDate NOTIFY lastScanDateChanged)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)

  public:
    using ResolverList = QList<std::shared_ptr<AccountResolver>>;

    // One folder to watch for activity of one account.
    struct ActivityPath {
        QString path;
        AIProviderType provider{};
        QString accountID;
        bool operator==(const ActivityPath&) const = default;
    };

    // How long a scan waits for its resolvers. Reading files takes them
    // milliseconds; the start-up waits for the first scan.
    static constexpr std::chrono::milliseconds kResolverDeadline{5000};

    // resolvers: run in this order; when two serve one provider, the later
    // one's primary source id counts. preferences: where account detection is
    // switched on and off. timers: the deadlines' (Qt timers of its own when
    // absent).
    AccountRegistry(ResolverList resolvers, MeterixPreferences& preferences, const Clock& clock = Clock::system(),
                    TimerSource* timers = nullptr, QObject* parent = nullptr);
    // Waits for running resolvers (their results are then dropped).
    ~AccountRegistry() override;
    AccountRegistry(const AccountRegistry&) = delete;
    AccountRegistry& operator=(const AccountRegistry&) = delete;

    AccountsByProvider accountsByProvider() const { return accountsByProvider_; }
    QDateTime lastScanDate() const { return lastScanDate_; }
    bool isScanning() const { return runningScans_ > 0; }
    // A resolver's call has not answered yet: also one past its scan's deadline.
    bool hasResolverRunning() const { return !calls_.isEmpty(); }

    // The provider's accounts, or none.
    QList<ResolvedAccount> accounts(AIProviderType provider) const;
    // Exact, case-sensitive id match.
    std::optional<ResolvedAccount> account(AIProviderType provider, const QString& id) const;
    QList<ResolvedAccount> readableAccounts(AIProviderType provider) const;
    std::optional<QString> primarySourceID(AIProviderType provider) const;
    // Where a reading that names no known account is filed: the readable account
    // seen at the primary source, else the first readable one, else the first.
    std::optional<ResolvedAccount> attributionAccount(AIProviderType provider) const;
    // Every place accounts were found, once per (id, folder), sorted by id.
    QList<AccountSource> allSources() const;
    // One entry per watch path of every account, nothing merged.
    QList<ActivityPath> activityPaths() const;

    // Scans the accounts of one provider, or of all when none is given, and
    // publishes the result. With account detection off, the whole list is
    // emptied at once instead. `finished` runs on the GUI thread when this
    // scan is over (published or overtaken by a newer one), possibly before
    // the call returns.
    void refreshAccounts(std::optional<AIProviderType> provider = std::nullopt,
                         std::function<void()> finished = {});

    // Merges identities with the same id (first seen first), then puts readable
    // accounts first and orders by label in code-point order; ties keep their
    // order.
    static QList<ResolvedAccount> reconcile(const QList<AccountIdentity>& identities);

  Q_SIGNALS:
    void accountsByProviderChanged();
    void lastScanDateChanged();
    void isScanningChanged();

  private:
    struct Scan {
        std::optional<AIProviderType> provider;
        // Resolver (by index) -> the call whose answer the scan still waits for.
        QHash<int, quint64> waitingFor;
        QMap<AIProviderType, QList<AccountIdentity>> collected;
        std::function<void()> finished;
        std::optional<TimerSource::Id> deadline;
        // Published at its deadline; late answers are still taken in.
        bool published = false;
    };
    // One call of a resolver on the pool and the scans waiting for its answer.
    struct Call {
        int resolver = 0;
        QList<quint64> scans;
        bool late = false;
    };

    quint64 startCall(int resolver);
    void answered(quint64 call, const QList<AccountIdentity>& identities);
    void collect(quint64 generation, int resolver, const QList<AccountIdentity>& identities);
    void deadlinePassed(quint64 generation);
    void finishScan(quint64 generation);
    // Publishes those of `providers` that this scan may still publish and that
    // no resolver it waits for serves.
    void publishScan(quint64 generation, const Scan& scan, const QList<AIProviderType>& providers);
    // Sets the entries of `providers` (the ones this scan may still publish).
    void publish(const QMap<AIProviderType, QList<ResolvedAccount>>& found, const QList<AIProviderType>& providers,
                 bool fullScan);
    void clearForDisabledScanning();
    void setAccountsByProvider(const AccountsByProvider& accounts);
    void setLastScanDate(const QDateTime& date);
    void setRunningScans(int count);
    void logDiscovery(const QMap<AIProviderType, QList<ResolvedAccount>>& accounts) const;
    // The providers a scan of `provider` (or of all) replaces.
    static QList<AIProviderType> coveredProviders(std::optional<AIProviderType> provider);

    ResolverList resolvers_;
    QHash<AIProviderType, QString> primarySourceIDs_;
    MeterixPreferences& preferences_;
    const Clock& clock_;

    AccountsByProvider accountsByProvider_;
    QDateTime lastScanDate_;
    int runningScans_ = 0;

    quint64 lastGeneration_ = 0;
    // Per provider, the newest scan (or emptying) that covers it: only that one
    // may publish the provider's accounts.
    QHash<AIProviderType, quint64> newestFor_;
    QHash<quint64, Scan> scans_;
    quint64 lastCall_ = 0;
    QHash<quint64, Call> calls_;
    // Per resolver, its call still running past a deadline.
    QHash<int, quint64> lateCalls_;

    std::unique_ptr<QtTimerSource> ownTimers_;
    TimerSource* timers_ = nullptr;

    // Declared last: destroyed (and waited for) first, while everything its jobs
    // could reach is still alive.
    QThreadPool pool_;
};

} // namespace meterix
