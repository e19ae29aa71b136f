#include "panels/HoverPressableButton.h"

#include "panels/KeyboardFocus.h"
#include "panels/HoverFade.h"

namespace meterix {

HoverPressableButton::HoverPressableButton(PressableStyle style, QWidget* parent)
    : PressableButton(style, parent), hover_(new HoverFade(0.12, this)) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
    setProperty(KeyboardFocus::radiusProperty, 6);
    connect(hover_, &HoverFade::changed, this, [this] { update(); });
}

bool HoverPressableButton::isHovered() const {
    return hover_->isHovered();
}

void HoverPressableButton::setHovered(bool hovered) {
    hover_->setHovered(hovered, isVisible());
}

double HoverPressableButton::hoverValue() const {
    return hover_->value();
}

void HoverPressableButton::enterEvent(QEnterEvent* event) {
    setHovered(true);
    PressableButton::enterEvent(event);
}

void HoverPressableButton::leaveEvent(QEvent* event) {
    setHovered(false);
    PressableButton::leaveEvent(event);
}

} // namespace meterix
