#pragma once

#include "design/SpringAnimator.h"

#include <QColor>
#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

namespace meterix {

class Appearance;

// A horizontal quota bar: a capsule track, a gradient fill with a gloss and a
// soft shadow for the remaining share, and an optional thin marker at the
// suggested pace. It stretches to the width it is given; the fill glides to a
// new percentage on the gauge spring.
class QuotaBar : public QWidget {
    Q_OBJECT

  public:
    // The fill's colours, resolved when drawn (so they follow light and dark).
    using Colors = std::function<QList<QColor>()>;

    // Glides to a new figure unless the look asks for reduced motion.
    QuotaBar(Appearance& appearance, double percentage, Colors gradientColors, double height,
             std::optional<double> paceMarkerPercentage = std::nullopt, QWidget* parent = nullptr);

    // Where things go on a bar width wide (pure).
    struct Geometry {
        double frameHeight;              // height + 4: room for the marker
        std::optional<double> fillWidth; // nothing when the fill would be 0.5 pt or less
        std::optional<double> markerX;   // the marker's left edge; nothing unless 0 < pace < 100
    };
    static Geometry geometry(double width, double percentage, double height, std::optional<double> pace);
    // The marker's accessible text: the pace truncated to a whole number.
    static std::optional<QString> paceAccessibility(std::optional<double> pace);
    // Draws a bar into rect (its full frame, marker room included).
    static void paint(QPainter& painter, const QRectF& rect, double percentage, const QList<QColor>& colors,
                      double height, std::optional<double> pace);

    double percentage() const { return percentage_; }
    double barHeight() const { return height_; }
    std::optional<double> paceMarkerPercentage() const { return pace_; }
    void setPercentage(double percentage);
    void setGradientColors(Colors colors);
    void setPaceMarkerPercentage(std::optional<double> pace);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Appearance& appearance_;
    double percentage_;
    Colors colors_;
    double height_;
    std::optional<double> pace_;
    SpringAnimator shown_;
};

} // namespace meterix
