#pragma once

#include "design/SpringAnimator.h"

#include <QWidget>

namespace meterix {

// The grab handle at the bar's leading edge: a slim capsule that grows and darkens
// while the bar is hovered (on the hover spring). Drawn only; not an accessible
// element.
class GrabberHandle : public QWidget {
    Q_OBJECT

public:
    explicit GrabberHandle(bool isActive = false, QWidget* parent = nullptr);

    bool isActive() const { return active_; }
    void setActive(bool active);

    static constexpr double capsuleWidth = 3;
    static double heightFor(bool active) { return active ? 15 : 12; }
    static double opacityFor(bool active) { return active ? 0.42 : 0.22; }
    double currentHeight() const;
    double currentOpacity() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool active_;
    SpringAnimator activation_;
};

} // namespace meterix
