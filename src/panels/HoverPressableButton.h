#pragma once

#include "design/PressableButton.h"

namespace meterix {

class HoverFade;

// A pressable button whose hover look eases in and out over 0.12 s: subclasses
// draw it blended by hoverValue().
class HoverPressableButton : public PressableButton {
    Q_OBJECT

  public:
    bool isHovered() const;
    // Hidden, the change takes effect at once.
    void setHovered(bool hovered);

  protected:
    explicit HoverPressableButton(PressableStyle style, QWidget* parent = nullptr);
    // 0 away ... 1 hovered.
    double hoverValue() const;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    HoverFade* hover_;
};

} // namespace meterix
