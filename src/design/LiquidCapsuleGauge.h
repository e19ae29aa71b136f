#pragma once

#include "design/SpringAnimator.h"

#include <QColor>
#include <QList>
#include <QWidget>

namespace meterix {

// A horizontal capsule that fills from the leading end with a percentage. The
// fill is never narrower than the gauge is high, so 0 % still shows a circle.
class LiquidCapsuleGauge : public QWidget {
    Q_OBJECT

public:
    LiquidCapsuleGauge(double percentage, QList<QColor> gradientColors, double width, double height, bool showsGlow,
                       QWidget* parent = nullptr);

    // The fill's width for a percentage (clamped like a ring gauge's).
    static double fillWidth(double percentage, double width, double height);

    double percentage() const { return target_; }
    void setPercentage(double percentage);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double target_;
    QList<QColor> colors_;
    double width_;
    double height_;
    bool showsGlow_;
    SpringAnimator shown_;
};

} // namespace meterix
