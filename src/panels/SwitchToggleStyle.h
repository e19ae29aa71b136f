#pragma once

#include "design/SpringAnimator.h"

#include <QAbstractButton>

namespace meterix {

// The small capsule switch of the panel's settings lines: a 28 x 16 track, blue
// when on and faint when off, with a white knob that springs to the trailing
// end when on and to the leading end when off. A click flips it once; disabled,
// it is drawn at 0.45 opacity and ignores clicks.
class SwitchToggleStyle : public QAbstractButton {
    Q_OBJECT

  public:
    explicit SwitchToggleStyle(bool isOn = false, QWidget* parent = nullptr);

    static constexpr double trackWidth = 28;
    static constexpr double trackHeight = 16;
    static constexpr double knobInset = 2;
    static constexpr double disabledOpacity = 0.45;
    // The knob's spring: response 0.22 s, damping fraction 0.82.
    static constexpr SpringSpec knobSpring{0.22, 0.82};

    static QColor onTrack() { return QColor(0, 122, 255); }
    // The knob's left edge in the track for a position (0 off, 1 on).
    static double knobX(double position);
    double drawnOpacity() const { return isEnabled() ? 1.0 : disabledOpacity; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void checkStateSet() override;
    void nextCheckState() override;

  private:
    SpringAnimator knob_;
};

} // namespace meterix
