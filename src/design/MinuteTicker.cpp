#include "design/MinuteTicker.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace meterix {

namespace {

constexpr qint64 kMinuteMs = 60'000;

} // namespace

MinuteTicker::MinuteTicker(QWidget* view, const Clock& clock, std::function<QList<QDateTime>()> moments,
                           std::function<void()> onTick)
    : QObject(view), view_(view), clock_(clock), moments_(std::move(moments)), onTick_(std::move(onTick)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &MinuteTicker::tick);
    view_->installEventFilter(this);
    rearm();
}

qint64 MinuteTicker::msUntilNextChange(const QDateTime& now, const QList<QDateTime>& moments) {
    qint64 next = kMinuteMs;
    for (const QDateTime& moment : moments) {
        if (!moment.isValid()) continue;
        const qint64 ahead = now.msecsTo(moment);
        // A countdown's whole minutes drop just after the distance passes a whole
        // minute; an age's grow when it reaches the next one.
        const qint64 wait = ahead > 0 ? ahead % kMinuteMs + 1 : kMinuteMs - (-ahead) % kMinuteMs;
        next = std::min(next, wait);
    }
    return std::max<qint64>(next, 1);
}

void MinuteTicker::rearm() {
    const QList<QDateTime> moments = moments_ ? moments_() : QList<QDateTime>{};
    const bool any = std::any_of(moments.begin(), moments.end(), [](const QDateTime& m) { return m.isValid(); });
    if (!view_->isVisible() || !any) {
        timer_.stop();
        return;
    }
    timer_.start(int(msUntilNextChange(clock_.now(), moments)));
}

void MinuteTicker::tick() {
    if (onTick_) onTick_();
    rearm();
}

bool MinuteTicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_) {
        if (event->type() == QEvent::Show) rearm();
        if (event->type() == QEvent::Hide) timer_.stop();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace meterix
