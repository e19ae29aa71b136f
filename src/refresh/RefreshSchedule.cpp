#include "refresh/RefreshSchedule.h"

#include "core/MeterixLog.h"

#include <QPointer>

#include <cmath>

namespace meterix {

namespace {

// A poll fires every 45 s and the cooldown is 45 s: without a little slack,
// a poll whose fetch started a few milliseconds earlier than the last one would
// be turned away. Still far below the half second that separates 44.5 s from 45.
constexpr double kCooldownTolerance = 0.25;

std::chrono::milliseconds millisecondsOf(double seconds) {
    return std::chrono::milliseconds(static_cast<qint64>(std::ceil(std::max(0.0, seconds) * 1000)));
}

} // namespace

RefreshSchedule::RefreshSchedule(TimerSource* timers, const Clock& clock, std::function<bool()> isLidClosed,
                                 std::function<bool()> isDocked)
    : clock_(clock) {
    if (!timers) {
        ownTimers_ = std::make_unique<QtTimerSource>();
        timers = ownTimers_.get();
    }
    timers_ = timers;
    const Clock* c = &clock_;
    policy_.now = [c] { return c->monotonicNow(); };
    policy_.resumeAfter = std::chrono::steady_clock::time_point::min();
    if (isLidClosed) policy_.isLidClosed = std::move(isLidClosed);
    if (isDocked) policy_.isDocked = std::move(isDocked);
}

RefreshSchedule::~RefreshSchedule() = default;

double RefreshSchedule::secondsSince(std::chrono::steady_clock::time_point t) const {
    return std::chrono::duration<double>(clock_.monotonicNow() - t).count();
}

bool RefreshSchedule::isCoolingDown(AIProviderType provider) const {
    const auto last = lastFetchTime_.constFind(provider);
    if (last == lastFetchTime_.constEnd()) return false;
    if (secondsSince(*last) >= minCooldownInterval - kCooldownTolerance) return false;
    const auto left = static_cast<long>(std::trunc(minCooldownInterval - secondsSince(*last)));
    qCDebug(logProvider, "Cooldown for %s: %lds left", qUtf8Printable(rawValue(provider)), std::max(0L, left));
    return true;
}

std::optional<double> RefreshSchedule::cooldownLeft(AIProviderType provider) const {
    const auto last = lastFetchTime_.constFind(provider);
    if (last == lastFetchTime_.constEnd()) return std::nullopt;
    const double left = minCooldownInterval - secondsSince(*last);
    if (left <= kCooldownTolerance) return std::nullopt;
    return left;
}

void RefreshSchedule::stampFetch(AIProviderType provider) {
    lastFetchTime_.insert(provider, clock_.monotonicNow());
}

QList<AIProviderType> RefreshSchedule::takeDueOnDemand(const QList<AIProviderType>& providers,
                                                       const std::function<void(AIProviderType)>& deferred) {
    const auto now = clock_.monotonicNow();
    QList<AIProviderType> due;
    QPointer<RefreshSchedule> self(this);
    for (AIProviderType p : providers) {
        if (due.contains(p)) continue;
        auto last = lastOnDemandRefresh_.constFind(p);
        const double elapsed = last == lastOnDemandRefresh_.constEnd()
                                   ? onDemandFloor
                                   : std::chrono::duration<double>(now - *last).count();
        if (elapsed >= onDemandFloor) {
            due.append(p);
        } else if (!pendingOnDemand_.contains(p)) {
            pendingOnDemand_.insert(p, timers_->start(millisecondsOf(onDemandFloor - elapsed), [self, p, deferred] {
                if (!self) return;
                self->pendingOnDemand_.remove(p);
                deferred(p);
            }));
        }
    }
    for (AIProviderType p : due) {
        lastOnDemandRefresh_.insert(p, now);
        if (auto pending = pendingOnDemand_.take(p)) timers_->cancel(pending);
    }
    return due;
}

void RefreshSchedule::armSettle(AIProviderType provider, Fire settle) {
    if (auto old = settleTimers_.take(provider)) timers_->cancel(old);
    QPointer<RefreshSchedule> self(this);
    settleTimers_.insert(provider, timers_->start(millisecondsOf(inUseSettleSeconds),
                                                  [self, provider, settle = std::move(settle)] {
                                                      if (!self) return;
                                                      self->settleTimers_.remove(provider);
                                                      settle();
                                                  }));
}

void RefreshSchedule::startPolling(Fire poll) {
    stopPolling();
    QPointer<RefreshSchedule> self(this);
    pollTimer_ = timers_->start(pollInterval, [self, poll = std::move(poll)] {
        if (!self) return;
        self->pollTimer_.reset();
        self->startPolling(poll);
        poll();
    });
}

void RefreshSchedule::stopPolling() {
    if (pollTimer_) timers_->cancel(*pollTimer_);
    pollTimer_.reset();
}

void RefreshSchedule::cancelOnDemand() {
    for (TimerSource::Id id : std::as_const(pendingOnDemand_))
        timers_->cancel(id);
    pendingOnDemand_.clear();
}

void RefreshSchedule::markAsleep() {
    policy_.markAsleep();
    stopPolling();
    cancelOnDemand();
}

void RefreshSchedule::stop() {
    stopPolling();
    cancelOnDemand();
    for (TimerSource::Id id : std::as_const(settleTimers_))
        timers_->cancel(id);
    settleTimers_.clear();
}

} // namespace meterix
