#pragma once

#include "core/Clock.h"
#include "core/Locked.h"

#include <QTimeZone>

namespace meterix::test {

// A clock that moves only when told to.
class FakeClock final : public Clock {
  public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 1, 15), QTime(12, 0), Qt::UTC))
        : now_(std::move(start)) {}

    QDateTime now() const override { return now_.get(); }
    std::chrono::steady_clock::time_point monotonicNow() const override {
        return std::chrono::steady_clock::time_point(std::chrono::milliseconds(monotonicMs_.get()));
    }

    void advance(double seconds) {
        now_.withValue([&](QDateTime& t) { t = t.addMSecs(static_cast<qint64>(seconds * 1000)); });
        monotonicMs_.withValue([&](qint64& ms) { ms += static_cast<qint64>(seconds * 1000); });
    }
    void set(QDateTime t) { now_.set(std::move(t)); }

  private:
    Locked<QDateTime> now_;
    Locked<qint64> monotonicMs_{1'000'000};
};

} // namespace meterix::test
