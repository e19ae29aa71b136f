#pragma once

#include "core/AIProviderType.h"
#include "core/Clock.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QString>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

namespace meterix {

// Decides when a command-line probe may run: never two probes at once, whatever
// the provider or account, and never the same probe (key) again before its floor
// has passed since its last admitted start. Keys: the provider's probe key
// prefix (its descriptor's), ":" and what the probe reads. Floors are measured on the monotonic clock, so
// setting the wall clock back cannot hold probes off. Thread-safe; nothing blocks
// while a probe runs.
//
// A key declined only because another key's probe holds the slot is noted as
// waiting: when the slot frees, the waiting keys are handed (once) to the
// slot-freed handler, so their probes can be asked for again at once rather
// than at the next poll.
class ProbeGate {
  public:
    explicit ProbeGate(const Clock& clock = Clock::system());
    ProbeGate(const ProbeGate&) = delete;
    ProbeGate& operator=(const ProbeGate&) = delete;

    // The one gate of the process.
    static ProbeGate& shared();

    // An admission. While it lives its key holds the slot; destroying (or
    // releasing) it frees the slot, so the slot is freed on every path out.
    class Ticket {
      public:
        Ticket() = default;
        Ticket(Ticket&& other) noexcept;
        Ticket& operator=(Ticket&& other) noexcept;
        ~Ticket();
        explicit operator bool() const { return gate_ != nullptr; }
        void release();

      private:
        friend class ProbeGate;
        Ticket(ProbeGate* gate, QString key) : gate_(gate), key_(std::move(key)) {}
        ProbeGate* gate_ = nullptr;
        QString key_;
    };

    // Admits the key (stamping its start) or declines it with a debug message.
    // A declined call changes nothing.
    Ticket admit(const QString& key, double minimumInterval);

    // The wall-clock moment the key may next run: its last admitted start plus
    // the interval; nothing when it was never admitted.
    std::optional<QDateTime> nextAllowed(const QString& key, double minimumInterval) const;

    // The wall-clock moment every probe of the provider that is still inside its
    // floor may run again (the floor it was admitted with); nothing when none is.
    std::optional<QDateTime> nextAllowed(AIProviderType provider) const;

    bool isBusy() const;

    // Called, on the thread whose probe has just ended and outside the gate's
    // lock, with the keys that were declined for the slot since it was last
    // free; a key admitted meanwhile is no longer waiting. Each key is handed
    // on once.
    using SlotFreedHandler = std::function<void(const QStringList& waitingKeys)>;
    void setSlotFreedHandler(SlotFreedHandler handler);

    // The provider whose probe a key names, by its prefix.
    static std::optional<AIProviderType> providerOfKey(const QString& key);

  private:
    struct Stamp {
        std::chrono::steady_clock::time_point started;
        QDateTime startedAt;
        double interval = 0;
    };

    void finish(const QString& key);

    const Clock& clock_;
    mutable std::mutex mutex_;
    QSet<QString> inFlight_;
    QSet<QString> waiting_;
    SlotFreedHandler slotFreed_;
    QHash<QString, Stamp> lastStarted_;
};

} // namespace meterix
