#pragma once

#include "design/SpringAnimator.h"

#include <QColor>
#include <QGradientStops>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace meterix {

// A ring that fills clockwise from 12 o'clock with the share of a percentage,
// over an unfilled track, with an optional soft glow and a widget at its centre.
// The ring's circle is size across; its stroke (and glow) overhang that frame by
// half the line width, so the widget is that much larger and centres the frame.
class RingGauge : public QWidget {
    Q_OBJECT

public:
    RingGauge(double percentage, QList<QColor> gradientColors, double size, double lineWidth, bool showsGlow,
              QWidget* center = nullptr, QWidget* parent = nullptr);

    // Above 100 is 100, below 0 is 0, not a number is 100.
    static double clamped(double percentage);
    // The share of the circle drawn: never less than 1.2 %, so 0 shows a dot.
    static double trimFraction(double percentage);
    // Qt arc angles in 1/16 degree: start at 12 o'clock, negative span = clockwise.
    struct Arc {
        int startAngle16;
        int spanAngle16;
    };
    static Arc arc(double percentage);
    // The sweep's stops for a conical gradient starting at 12 o'clock: the first
    // colour held at the start, then every colour spread evenly clockwise.
    static QGradientStops sweepStops(const QList<QColor>& colors);
    // How far stroke and glow reach beyond the size x size frame.
    static double overhang(double lineWidth, bool showsGlow);

    // Draws a ring whose circle has diameter size around centre.
    static void paintRing(QPainter& painter, const QPointF& centre, double size, double percentage,
                          const QList<QColor>& colors, double lineWidth, bool showsGlow);

    double percentage() const { return target_; }
    // Glides to the new value on the gauge spring while visible.
    void setPercentage(double percentage);
    void setGradientColors(const QList<QColor>& colors);
    const QList<QColor>& gradientColors() const { return colors_; }
    double lineWidth() const { return lineWidth_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeCenter();

    double target_;
    QList<QColor> colors_;
    double size_;
    double lineWidth_;
    bool showsGlow_;
    QPointer<QWidget> center_;
    SpringAnimator shown_;
};

} // namespace meterix
