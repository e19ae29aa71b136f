#include "core/TimerSource.h"

#include <QTimer>

namespace meterix {

TimerSource::Id QtTimerSource::start(std::chrono::milliseconds delay, std::function<void()> fire) {
    const Id id = ++next_;
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    timers_.insert(id, timer);
    connect(timer, &QTimer::timeout, this, [this, id, fire = std::move(fire)] {
        if (QTimer* t = timers_.take(id)) t->deleteLater();
        fire();
    });
    timer->start(std::max(delay, std::chrono::milliseconds(0)));
    return id;
}

void QtTimerSource::cancel(Id id) {
    if (QTimer* t = timers_.take(id)) {
        t->stop();
        t->deleteLater();
    }
}

} // namespace meterix
