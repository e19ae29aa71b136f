#pragma once

#include "companion/CatAnimation.h"
#include "design/SpringCurve.h"

#include <QEasingCurve>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

namespace meterix {

class CatAnimatedValue;

// How a view's moving values keep time, given by whoever makes the view. time:
// monotonic milliseconds; empty, the clock's own (a caller that gives one
// steps the clock itself). landsAtOnce: every move lands on its target at once,
// for a cat drawn still.
struct CatMotion {
    std::function<qint64()> time;
    bool landsAtOnce = false;
};

// The one timer a view's moving values step by, running only while one of
// them moves. All of them step together, so a hop with its heart is one wake
// and one repaint, and the rate is the view's: every step of the bar's cat
// repaints and reshapes the bar's window, so it steps at the pace pixel art
// needs rather than the display's.
class CatAnimationClock : public QObject {
    Q_OBJECT

  public:
    using TimeSource = std::function<qint64()>; // monotonic milliseconds

    explicit CatAnimationClock(std::chrono::milliseconds interval, CatMotion motion = {}, QObject* parent = nullptr);
    ~CatAnimationClock() override;

    std::chrono::milliseconds interval() const { return std::chrono::milliseconds(timer_.interval()); }
    bool isRunning() const { return timer_.isActive(); }
    // Within a step: the values' changes that arrive now belong to it.
    bool isStepping() const { return stepping_; }
    qint64 now() const;
    bool landsAtOnce() const { return motion_.landsAtOnce; }
    // Moves every value in motion to where it stands now (what the timer runs).
    void step();

  Q_SIGNALS:
    // A step's changes are all out.
    void stepped();

  private:
    friend class CatAnimatedValue;
    void add(CatAnimatedValue* value);
    void remove(CatAnimatedValue* value);

    QTimer timer_;
    QElapsedTimer elapsed_;
    CatMotion motion_;
    std::vector<CatAnimatedValue*> moving_;
    bool stepping_ = false;
};

// One number a cat view draws, moved to each new target the way the engine
// asks: at once, timed with an easing, or by a spring, on its view's clock.
class CatAnimatedValue : public QObject {
    Q_OBJECT

  public:
    explicit CatAnimatedValue(CatAnimationClock& clock, double initial = 0, QObject* parent = nullptr);
    ~CatAnimatedValue() override;

    double value() const { return value_; }
    bool isMoving() const { return move_ != CatAnimation::Kind::none; }
    void animateTo(double target, CatAnimation how);

  Q_SIGNALS:
    void valueChanged(double value);

  private:
    friend class CatAnimationClock;
    void advance(qint64 now);
    bool isTimed() const;
    // Where the timed move under way stands at that time.
    double timedPosition(qint64 now) const;
    void stop();
    void set(double v);

    CatAnimationClock& clock_;
    double value_;
    double target_;
    CatAnimation::Kind move_ = CatAnimation::Kind::none;
    qint64 startMs_ = 0;
    // A timed move: from here over this many milliseconds along the easing.
    double from_ = 0;
    double durationMs_ = 0;
    QEasingCurve easing_;
    // A spring's segment: this far from the target with this velocity at the
    // start; a new target mid-flight starts a segment with the velocity it has.
    SpringCurve curve_{1, 1};
    double displacement0_ = 0;
    double velocity0_ = 0;
    double scale_ = 1; // the size of the move, for the rest threshold
};

} // namespace meterix
