#include "providers/common/ProbeGate.h"

#include "core/ProviderDescriptor.h"

#include "core/MeterixLog.h"
#include "core/Numbers.h"

namespace meterix {

ProbeGate::ProbeGate(const Clock& clock) : clock_(clock) {}

ProbeGate& ProbeGate::shared() {
    static ProbeGate gate;
    return gate;
}

ProbeGate::Ticket::Ticket(Ticket&& other) noexcept
    : gate_(std::exchange(other.gate_, nullptr)), key_(std::move(other.key_)) {}

ProbeGate::Ticket& ProbeGate::Ticket::operator=(Ticket&& other) noexcept {
    if (this != &other) {
        release();
        gate_ = std::exchange(other.gate_, nullptr);
        key_ = std::move(other.key_);
    }
    return *this;
}

ProbeGate::Ticket::~Ticket() {
    release();
}

void ProbeGate::Ticket::release() {
    if (ProbeGate* gate = std::exchange(gate_, nullptr)) gate->finish(key_);
}

ProbeGate::Ticket ProbeGate::admit(const QString& key, double minimumInterval) {
    const auto now = clock_.monotonicNow();
    const QDateTime wallNow = clock_.now();
    QString declined;
    {
        std::lock_guard lock(mutex_);
        if (inFlight_.contains(key)) {
            declined = QStringLiteral("Declined %1: already probing").arg(key);
        } else if (!inFlight_.isEmpty()) {
            declined = QStringLiteral("Declined %1: another probe holds the slot").arg(key);
            waiting_.insert(key);
        } else if (const auto it = lastStarted_.constFind(key); it != lastStarted_.constEnd()) {
            const double elapsed = std::chrono::duration<double>(now - it->started).count();
            // Written so that a not-a-number interval also declines.
            if (!(minimumInterval <= elapsed))
                declined = QStringLiteral("Declined %1: %2s of floor left")
                               .arg(key)
                               .arg(saturatingInt64(minimumInterval - elapsed));
        }
        if (declined.isEmpty()) {
            waiting_.remove(key);
            inFlight_.insert(key);
            lastStarted_.insert(key, Stamp{now, wallNow, minimumInterval});
        }
    }
    if (!declined.isEmpty()) {
        qCDebug(logProbeGate).noquote() << declined;
        return {};
    }
    return Ticket(this, key);
}

void ProbeGate::finish(const QString& key) {
    QStringList waiting;
    SlotFreedHandler handler;
    {
        std::lock_guard lock(mutex_);
        inFlight_.remove(key);
        if (!inFlight_.isEmpty() || waiting_.isEmpty() || !slotFreed_) return;
        waiting = waiting_.values();
        waiting.sort();
        waiting_.clear();
        handler = slotFreed_;
    }
    handler(waiting);
}

void ProbeGate::setSlotFreedHandler(SlotFreedHandler handler) {
    std::lock_guard lock(mutex_);
    slotFreed_ = std::move(handler);
}

std::optional<AIProviderType> ProbeGate::providerOfKey(const QString& key) {
    const qsizetype colon = key.indexOf(QLatin1Char(':'));
    if (colon <= 0) return std::nullopt;
    const QStringView prefix = QStringView(key).left(colon);
    for (const ProviderDescriptor* d : ProviderCatalogue::all())
        if (d->probeKeyPrefix && prefix == QLatin1StringView(d->probeKeyPrefix)) return d->type;
    return std::nullopt;
}

std::optional<QDateTime> ProbeGate::nextAllowed(const QString& key, double minimumInterval) const {
    std::lock_guard lock(mutex_);
    const auto it = lastStarted_.constFind(key);
    if (it == lastStarted_.constEnd()) return std::nullopt;
    return addSeconds(it->startedAt, minimumInterval);
}

std::optional<QDateTime> ProbeGate::nextAllowed(AIProviderType provider) const {
    const auto now = clock_.monotonicNow();
    const QDateTime wallNow = clock_.now();
    std::optional<double> longest;
    std::lock_guard lock(mutex_);
    for (auto it = lastStarted_.constBegin(); it != lastStarted_.constEnd(); ++it) {
        if (providerOfKey(it.key()) != provider) continue;
        const double left = it->interval - std::chrono::duration<double>(now - it->started).count();
        if (left > 0 && (!longest || left > *longest)) longest = left;
    }
    if (!longest) return std::nullopt;
    return addSeconds(wallNow, *longest);
}

bool ProbeGate::isBusy() const {
    std::lock_guard lock(mutex_);
    return !inFlight_.isEmpty();
}

} // namespace meterix
