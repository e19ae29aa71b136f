#pragma once

#include <QEasingCurve>
#include <QObject>
#include <QElapsedTimer>
#include <QTimer>

class QWidget;

namespace meterix {

// A value that swings for ever between 0 (the resting state) and 1 while its
// widget is on screen: eased, either there and back (autoreversing) or restarting
// from 0 each cycle. It runs only while the widget is shown and the desktop allows
// animation; otherwise it stands still at 0, so a hidden or reduced-motion widget
// costs no timer. Each step repaints the widget, at the frame rate the motion
// needs (a slow pulse reads smooth at 30 frames a second), not the display's.
class EndlessPulse : public QObject {
    Q_OBJECT

public:
    static constexpr int defaultFramesPerSecond = 30;

    EndlessPulse(QWidget* owner, double durationSeconds, QEasingCurve easing, bool autoreverses,
                 int framesPerSecond = defaultFramesPerSecond);

    double value() const { return value_; }
    bool isRunning() const { return frames_.isActive(); }

    // The eased value at a phase 0...1 of one full cycle (pure).
    static double valueAtPhase(double phase, const QEasingCurve& easing, bool autoreverses);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reconsider();
    void step();

    QWidget* owner_;
    QEasingCurve easing_;
    bool autoreverses_;
    qint64 cycleMs_;
    QTimer frames_;
    QElapsedTimer clock_;
    double value_ = 0;
};

} // namespace meterix
