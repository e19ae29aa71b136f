#pragma once

#include "core/Clock.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

namespace meterix {

// Keeps a view's time texts ("in 3h 10m", "Updated 4m ago") moving while the
// view is shown: one single-shot timer, armed for the next moment one of the
// texts changes (never more than a minute away), re-armed after every tick.
// Nothing runs while the view is hidden, or while it shows no time text.
class MinuteTicker final : public QObject {
    Q_OBJECT

  public:
    // moments: the moments the view's texts count to or from, read anew at
    // every arming; onTick redraws the view.
    MinuteTicker(QWidget* view, const Clock& clock, std::function<QList<QDateTime>()> moments,
                 std::function<void()> onTick);

    bool isRunning() const { return timer_.isActive(); }
    // What the timer runs: the view redraws, then the next tick is armed.
    void tick();
    // Arms the timer anew (after the view's moments changed), or stops it.
    void rearm();
    // Milliseconds from now until a whole minute of the distance to one of the
    // moments is crossed (a countdown or an age changes its text), at most 60 s.
    static qint64 msUntilNextChange(const QDateTime& now, const QList<QDateTime>& moments);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* view_;
    const Clock& clock_;
    std::function<QList<QDateTime>()> moments_;
    std::function<void()> onTick_;
    QTimer timer_;
};

} // namespace meterix
