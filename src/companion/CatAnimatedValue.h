#pragma once

#include "companion/CatAnimation.h"

#include <QObject>
#include <QVariantAnimation>

#include <memory>

namespace meterix {

class SpringAnimator;

// One number a cat view draws, moved to each new target the way the engine
// asks: at once, timed with an easing, or by a spring. Runs a timer only while
// it moves.
class CatAnimatedValue : public QObject {
    Q_OBJECT

  public:
    explicit CatAnimatedValue(double initial = 0, QObject* parent = nullptr);
    ~CatAnimatedValue() override;

    double value() const { return value_; }
    double target() const { return target_; }
    bool isMoving() const;
    void animateTo(double target, CatAnimation how);
    // Test seam and reduced motion: every move lands at once.
    static void setInstantForTesting(bool instant);

  Q_SIGNALS:
    void valueChanged(double value);

  private:
    void set(double v);

    double value_;
    double target_;
    QVariantAnimation timed_;
    std::unique_ptr<SpringAnimator> spring_;
};

} // namespace meterix
