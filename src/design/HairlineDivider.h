#pragma once

#include <QGradientStops>
#include <QWidget>

namespace meterix {

// A half-point vertical rule whose ends fade out, set beside the grab handle.
// Drawn only; not an accessible element.
class HairlineDivider : public QWidget {
    Q_OBJECT

public:
    explicit HairlineDivider(double height, QWidget* parent = nullptr);

    static constexpr double lineWidth = 0.5;
    double lineHeight() const { return height_; }
    // Opacity of the primary colour from top (0) to bottom (1).
    static QGradientStops opacityStops();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double height_;
};

} // namespace meterix
