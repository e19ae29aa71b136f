#include "accounts/AccountRegistry.h"

#include "core/MeterixLog.h"
#include "core/MeterixPreferences.h"
#include "core/TextUtil.h"
#include "core/WorkerStack.h"

#include <QSet>
#include <QThread>

#include <algorithm>
#include <utility>

namespace meterix {

AccountRegistry::AccountRegistry(ResolverList resolvers, MeterixPreferences& preferences, const Clock& clock,
                                 TimerSource* timers, QObject* parent)
    : QObject(parent), resolvers_(std::move(resolvers)), preferences_(preferences), clock_(clock),
      ownTimers_(timers ? nullptr : std::make_unique<QtTimerSource>()), timers_(timers ? timers : ownTimers_.get()) {
    for (const auto& resolver : std::as_const(resolvers_))
        primarySourceIDs_.insert(resolver->provider(), resolver->primarySourceID());
    // Room for two overlapping full scans, so a rescan never queues behind a
    // slow resolver of the scan before it.
    pool_.setMaxThreadCount(std::max<int>(4, static_cast<int>(resolvers_.size()) * 2));
    pool_.setStackSize(kWorkerStackBytes);
}

AccountRegistry::~AccountRegistry() {
    // Timers handed in outlive this object.
    for (const Scan& scan : std::as_const(scans_))
        if (scan.deadline) timers_->cancel(*scan.deadline);
    // The jobs post their results to this object: let them end while it lives.
    // Results still queued are discarded with the object.
    pool_.waitForDone();
}

QList<ResolvedAccount> AccountRegistry::accounts(AIProviderType provider) const {
    return accountsByProvider_.value(provider);
}

std::optional<ResolvedAccount> AccountRegistry::account(AIProviderType provider, const QString& id) const {
    for (const ResolvedAccount& account : accounts(provider))
        if (account.id == id) return account;
    return std::nullopt;
}

QList<ResolvedAccount> AccountRegistry::readableAccounts(AIProviderType provider) const {
    QList<ResolvedAccount> readable;
    for (const ResolvedAccount& account : accounts(provider))
        if (account.usageReadable) readable.append(account);
    return readable;
}

std::optional<QString> AccountRegistry::primarySourceID(AIProviderType provider) const {
    const auto it = primarySourceIDs_.constFind(provider);
    if (it == primarySourceIDs_.constEnd()) return std::nullopt;
    return *it;
}

std::optional<ResolvedAccount> AccountRegistry::attributionAccount(AIProviderType provider) const {
    const QList<ResolvedAccount> readable = readableAccounts(provider);
    if (const std::optional<QString> primary = primarySourceID(provider)) {
        for (const ResolvedAccount& account : readable)
            for (const AccountSource& source : account.sources)
                if (source.id == *primary) return account;
    }
    if (!readable.isEmpty()) return readable.first();
    const QList<ResolvedAccount> all = accounts(provider);
    if (!all.isEmpty()) return all.first();
    return std::nullopt;
}

QList<AccountSource> AccountRegistry::allSources() const {
    QList<AccountSource> sources;
    QSet<QString> seen;
    for (const QList<ResolvedAccount>& accounts : accountsByProvider_)
        for (const ResolvedAccount& account : accounts)
            for (const AccountSource& source : account.sources) {
                // An absent folder and an empty one are the same place here.
                const QString key = source.id + QLatin1Char('|') + source.rootPath.value_or(QString());
                if (seen.contains(key)) continue;
                seen.insert(key);
                sources.append(source);
            }
    std::stable_sort(sources.begin(), sources.end(),
                     [](const AccountSource& a, const AccountSource& b) { return codePointLess(a.id, b.id); });
    return sources;
}

QList<AccountRegistry::ActivityPath> AccountRegistry::activityPaths() const {
    QList<ActivityPath> paths;
    for (const QList<ResolvedAccount>& accounts : accountsByProvider_)
        for (const ResolvedAccount& account : accounts)
            for (const QString& path : account.watchPaths())
                paths.append(ActivityPath{path, account.provider, account.id});
    return paths;
}

QList<ResolvedAccount> AccountRegistry::reconcile(const QList<AccountIdentity>& identities) {
    QList<ResolvedAccount> merged;
    QHash<QString, qsizetype> indexOfID;
    for (const AccountIdentity& identity : identities) {
        const auto it = indexOfID.constFind(identity.id);
        if (it == indexOfID.constEnd()) {
            indexOfID.insert(identity.id, merged.size());
            merged.append(ResolvedAccount(identity));
        } else {
            merged[*it].absorb(identity);
        }
    }

    struct Keyed {
        QString label;
        ResolvedAccount account;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<size_t>(merged.size()));
    for (ResolvedAccount& account : merged) {
        QString label = account.displayLabel();
        keyed.push_back({std::move(label), std::move(account)});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.account.usageReadable != b.account.usageReadable) return a.account.usageReadable;
        return codePointLess(a.label, b.label);
    });
    QList<ResolvedAccount> sorted;
    sorted.reserve(static_cast<qsizetype>(keyed.size()));
    for (Keyed& entry : keyed)
        sorted.append(std::move(entry.account));
    return sorted;
}

QList<AIProviderType> AccountRegistry::coveredProviders(std::optional<AIProviderType> provider) {
    if (provider) return {*provider};
    return allProviderTypes();
}

void AccountRegistry::refreshAccounts(std::optional<AIProviderType> provider, std::function<void()> finished) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, provider, finished = std::move(finished)]() mutable { refreshAccounts(provider, std::move(finished)); },
            Qt::QueuedConnection);
        return;
    }

    const quint64 generation = ++lastGeneration_;
    if (!preferences_.accountScanEnabled()) {
        // Whatever is still running was started before detection went off.
        for (AIProviderType p : allProviderTypes())
            newestFor_.insert(p, generation);
        clearForDisabledScanning();
        if (finished) finished();
        return;
    }

    for (AIProviderType p : coveredProviders(provider))
        newestFor_.insert(p, generation);
    setRunningScans(runningScans_ + 1);

    Scan& scan = scans_[generation];
    scan.provider = provider;
    scan.finished = std::move(finished);
    for (int i = 0; i < resolvers_.size(); ++i) {
        if (provider && resolvers_[i]->provider() != *provider) continue;
        // A call that is late already may never end: wait for it rather than
        // pile another one up beside it on the pool.
        const quint64 call = lateCalls_.contains(i) ? lateCalls_.value(i) : startCall(i);
        calls_[call].scans.append(generation);
        scan.waitingFor.insert(i, call);
    }
    if (scan.waitingFor.isEmpty()) {
        finishScan(generation);
        return;
    }
    scan.deadline = timers_->start(kResolverDeadline, [this, generation] { deadlinePassed(generation); });
}

quint64 AccountRegistry::startCall(int resolver) {
    const quint64 call = ++lastCall_;
    calls_.insert(call, Call{.resolver = resolver});
    pool_.start([this, resolver = resolvers_[resolver], call] {
        QList<AccountIdentity> identities;
        try {
            identities = resolver->resolveAccounts();
        } catch (...) {
            // A scan always completes: a resolver that fails finds nothing.
        }
        QMetaObject::invokeMethod(
            this, [this, call, identities = std::move(identities)] { answered(call, identities); },
            Qt::QueuedConnection);
    });
    return call;
}

void AccountRegistry::answered(quint64 call, const QList<AccountIdentity>& identities) {
    const Call done = calls_.take(call);
    if (lateCalls_.value(done.resolver) == call) lateCalls_.remove(done.resolver);
    for (quint64 generation : done.scans)
        collect(generation, done.resolver, identities);
}

void AccountRegistry::collect(quint64 generation, int resolver, const QList<AccountIdentity>& identities) {
    const auto it = scans_.find(generation);
    if (it == scans_.end() || !it->waitingFor.remove(resolver)) return;
    QList<AIProviderType> touched{resolvers_[resolver]->provider()};
    for (const AccountIdentity& identity : identities) {
        it->collected[identity.provider].append(identity);
        if (!touched.contains(identity.provider)) touched.append(identity.provider);
    }
    if (!it->published) {
        if (it->waitingFor.isEmpty()) finishScan(generation);
        return;
    }
    // The scan was published at its deadline: this answer follows on its own.
    const Scan scan = *it;
    if (scan.waitingFor.isEmpty()) scans_.erase(it);
    publishScan(generation, scan, touched);
}

void AccountRegistry::deadlinePassed(quint64 generation) {
    const auto it = scans_.find(generation);
    if (it == scans_.end() || it->published) return;
    it->published = true;
    it->deadline.reset();
    for (auto waiting = it->waitingFor.cbegin(); waiting != it->waitingFor.cend(); ++waiting) {
        Call& call = calls_[waiting.value()];
        if (call.late) continue;
        call.late = true;
        lateCalls_.insert(waiting.key(), waiting.value());
        qCWarning(logAccounts, "The account resolver of %s has not answered within %lld s; the scan goes on without it",
                  qPrintable(rawValue(resolvers_[waiting.key()]->provider())),
                  static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(kResolverDeadline).count()));
    }
    const std::function<void()> finished = std::exchange(it->finished, {});
    const Scan scan = *it;
    publishScan(generation, scan, coveredProviders(scan.provider));
    setRunningScans(runningScans_ - 1);
    if (finished) finished();
}

void AccountRegistry::finishScan(quint64 generation) {
    Scan scan = scans_.take(generation);
    if (scan.deadline) timers_->cancel(*scan.deadline);
    publishScan(generation, scan, coveredProviders(scan.provider));
    setRunningScans(runningScans_ - 1);
    if (scan.finished) scan.finished();
}

void AccountRegistry::publishScan(quint64 generation, const Scan& scan, const QList<AIProviderType>& providers) {
    QSet<AIProviderType> awaited;
    for (auto it = scan.waitingFor.cbegin(); it != scan.waitingFor.cend(); ++it)
        awaited.insert(resolvers_[it.key()]->provider());
    QList<AIProviderType> publishable;
    for (AIProviderType p : providers)
        if (newestFor_.value(p) == generation && !awaited.contains(p)) publishable.append(p);
    if (publishable.isEmpty()) return;
    if (!preferences_.accountScanEnabled()) {
        // Detection went off while this scan ran: it must not bring accounts back.
        clearForDisabledScanning();
        return;
    }
    QMap<AIProviderType, QList<ResolvedAccount>> found;
    for (auto it = scan.collected.cbegin(); it != scan.collected.cend(); ++it)
        if (publishable.contains(it.key())) found.insert(it.key(), reconcile(it.value()));
    publish(found, publishable, !scan.provider);
}

void AccountRegistry::publish(const QMap<AIProviderType, QList<ResolvedAccount>>& found,
                              const QList<AIProviderType>& providers, bool fullScan) {
    AccountsByProvider next = accountsByProvider_;
    for (AIProviderType p : providers) {
        const auto it = found.constFind(p);
        // A full scan leaves out providers without accounts; a scan of one
        // provider sets its entry, empty or not.
        if (it != found.constEnd()) next.insert(p, *it);
        else if (!fullScan) next.insert(p, {});
        else next.remove(p);
    }
    setAccountsByProvider(next);
    setLastScanDate(clock_.now());
    logDiscovery(found);
}

void AccountRegistry::clearForDisabledScanning() {
    setAccountsByProvider({});
    setLastScanDate(clock_.now());
}

void AccountRegistry::setAccountsByProvider(const AccountsByProvider& accounts) {
    if (accounts == accountsByProvider_) return;
    accountsByProvider_ = accounts;
    Q_EMIT accountsByProviderChanged();
}

void AccountRegistry::setLastScanDate(const QDateTime& date) {
    if (date == lastScanDate_) return;
    lastScanDate_ = date;
    Q_EMIT lastScanDateChanged();
}

void AccountRegistry::setRunningScans(int count) {
    const bool wasScanning = isScanning();
    runningScans_ = count;
    if (wasScanning != isScanning()) Q_EMIT isScanningChanged();
}

void AccountRegistry::logDiscovery(const QMap<AIProviderType, QList<ResolvedAccount>>& accounts) const {
    for (AIProviderType provider : allProviderTypes()) {
        const QList<ResolvedAccount> list = accounts.value(provider);
        if (list.isEmpty()) continue;
        QStringList entries;
        for (const ResolvedAccount& account : list)
            entries.append(account.maskedLabel() + QLatin1Char('[') + account.sourceBadgeText() + QLatin1Char(']') +
                           (account.usageReadable ? QString() : QStringLiteral(" (unreadable)")));
        qCDebug(logAccounts).noquote() << QLatin1Char('[') + rawValue(provider) + QStringLiteral("] ") +
                                              MeterixLog::priv(entries.join(QStringLiteral(", ")));
    }
}

} // namespace meterix
