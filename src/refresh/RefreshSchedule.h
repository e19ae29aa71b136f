#pragma once

#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "core/TimerSource.h"
#include "refresh/UsageCollectionPolicy.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace meterix {

// When providers may be fetched: the collection gate, the cooldown between two
// unforced fetches, the floor between two on-demand refreshes, the settle delay
// of activity and the poll. It keeps the times and the timers; what a timer
// starts is its caller's. Lives on the GUI thread.
class RefreshSchedule : public QObject {
  public:
    using Fire = std::function<void()>;

    static constexpr double minCooldownInterval = 45;
    static constexpr double onDemandFloor = 10;
    static constexpr double inUseSettleSeconds = 3;
    static constexpr std::chrono::milliseconds pollInterval{45000};

    // timers: a QtTimerSource of its own when absent. The lid and dock checks
    // keep the policy's own when empty.
    RefreshSchedule(TimerSource* timers, const Clock& clock, std::function<bool()> isLidClosed,
                    std::function<bool()> isDocked);
    ~RefreshSchedule() override;

    const UsageCollectionPolicy& policy() const { return policy_; }
    bool allowsCollection() const { return policy_.allowsCollection(); }

    // An unforced fetch of the provider is turned away this soon after the last.
    bool isCoolingDown(AIProviderType provider) const;
    void stampFetch(AIProviderType provider);
    // The seconds until the cooldown of the provider's last fetch ends; nothing
    // once it has (or before any fetch). Asks quietly: it logs nothing.
    std::optional<double> cooldownLeft(AIProviderType provider) const;

    // The providers due for an on-demand refresh now, stamped; each of the
    // others not yet waiting runs deferred(provider) once its floor has passed.
    QList<AIProviderType> takeDueOnDemand(const QList<AIProviderType>& providers,
                                          const std::function<void(AIProviderType)>& deferred);

    // settle runs once the provider has been quiet for the settle delay; a new
    // call starts the delay again.
    void armSettle(AIProviderType provider, Fire settle);

    // poll runs every poll interval, re-armed before it runs so that a long
    // refresh does not stretch the period.
    void startPolling(Fire poll);
    void stopPolling();

    // Asleep: no poll and no deferred refresh; awake: the gate holds off a while.
    void markAsleep();
    void markAwake() { policy_.markAwake(); }
    // Every timer stops.
    void stop();

  private:
    double secondsSince(std::chrono::steady_clock::time_point t) const;
    void cancelOnDemand();

    std::unique_ptr<QtTimerSource> ownTimers_;
    TimerSource* timers_ = nullptr;
    const Clock& clock_;
    UsageCollectionPolicy policy_;
    QHash<AIProviderType, std::chrono::steady_clock::time_point> lastFetchTime_;
    QHash<AIProviderType, std::chrono::steady_clock::time_point> lastOnDemandRefresh_;
    QHash<AIProviderType, TimerSource::Id> pendingOnDemand_;
    QHash<AIProviderType, TimerSource::Id> settleTimers_;
    std::optional<TimerSource::Id> pollTimer_;
};

} // namespace meterix
