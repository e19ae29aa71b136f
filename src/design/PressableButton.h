#pragma once

#include "design/PressableStyle.h"
#include "design/SpringAnimator.h"

#include <QAbstractButton>

namespace meterix {

// A button drawn by a subclass in paintContent() under the press transform (a
// scale about the centre and an opacity). Nothing is remembered between presses.
class PressableButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit PressableButton(PressableStyle style = PressableStyle::pressable(), QWidget* parent = nullptr);

    // The scale and opacity being drawn now.
    double currentScale() const;
    double currentOpacity() const;

  protected:
    void paintEvent(QPaintEvent* event) final;
    // Draw the control in rect; the painter already carries the press transform.
    virtual void paintContent(QPainter& painter, const QRectF& rect) = 0;
    // Where paintContent() draws, before the press transform: a repaint that
    // misses it is skipped. All of the widget unless a subclass knows better.
    virtual QRectF contentBounds() const { return rect(); }

  private:
    void onPressedChanged(bool pressed);

    PressableStyle style_;
    SpringAnimator press_;
};

} // namespace meterix
