#pragma once

#include <QHash>
#include <QObject>

#include <chrono>
#include <functional>

class QTimer;

namespace meterix {

// One-shot timers on the GUI thread: the refresh schedules its poll, deferrals
// and settle delays through this, and the account registry its scans'
// deadlines, so tests can move time without waiting.
class TimerSource {
  public:
    using Id = quint64;
    virtual ~TimerSource() = default;
    // fire runs once on the GUI thread after delay (negative counts as 0).
    virtual Id start(std::chrono::milliseconds delay, std::function<void()> fire) = 0;
    // Nothing happens for an id that fired or was cancelled already.
    virtual void cancel(Id id) = 0;
};

// Precise Qt timers: a poll of 45 s must not fire early, or the 45 s cooldown
// would turn every other poll away.
class QtTimerSource final : public QObject, public TimerSource {
  public:
    explicit QtTimerSource(QObject* parent = nullptr) : QObject(parent) {}
    Id start(std::chrono::milliseconds delay, std::function<void()> fire) override;
    void cancel(Id id) override;

  private:
    Id next_ = 0;
    QHash<Id, QTimer*> timers_;
};

} // namespace meterix
