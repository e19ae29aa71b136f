#pragma once

#include "design/JellySprings.h"

#include <QAbstractAnimation>

namespace meterix {

// One value moved by a spring on Qt's animation timer. Runs only while the value
// is moving (no timer while still). A new target taken mid-flight starts from the
// current position and keeps the current velocity, so motion never jumps.
class SpringAnimator : public QAbstractAnimation {
    Q_OBJECT

public:
    explicit SpringAnimator(SpringSpec spec, double initialValue = 0.0, QObject* parent = nullptr);
    // A running spring stops in its base destructor, which announces the stop;
    // by then the spring (and often the view that owns it as a member) is half
    // gone, so nothing may hear it.
    ~SpringAnimator() override;

    double value() const { return value_; }
    double velocity() const { return velocity_; }

    // Moves towards target; animated false jumps there at once (and stops).
    void setTarget(double target, bool animated = true);

    int duration() const override { return -1; }

Q_SIGNALS:
    void valueChanged(double value);

protected:
    void updateCurrentTime(int currentTime) override;

private:
    void settle();

    SpringCurve curve_;
    double value_;
    double target_;
    double velocity_ = 0;
    // The segment being run: from here, at this time, with this velocity.
    double startDisplacement_ = 0;
    double startVelocity_ = 0;
    int segmentStartMs_ = 0;
    double scale_ = 1; // the size of the move, for the rest threshold
};

} // namespace meterix
