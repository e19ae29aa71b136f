#pragma once

#include "design/LiquidGlassStyle.h"

#include <QWidget>

namespace meterix {

// A widget that wears the glass look: the glass fills the widget less a
// transparent bleed on every side (where its shadow falls), and it follows the
// pointer's hover. Content goes in child widgets or a subclass's paintEvent.
class LiquidGlassView : public QWidget {
    Q_OBJECT

public:
    explicit LiquidGlassView(LiquidGlassStyle style, double bleed, QWidget* parent = nullptr);

    const LiquidGlassStyle& style() const { return style_; }
    void setStyle(const LiquidGlassStyle& style);
    void setHovered(bool hovered);
    bool isHovered() const { return style_.isHovered; }
    // The glass's own rectangle inside the bleed.
    QRectF glassRect() const;

Q_SIGNALS:
    void hoveredChanged(bool hovered);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    LiquidGlassStyle style_;
    double bleed_;
};

} // namespace meterix
