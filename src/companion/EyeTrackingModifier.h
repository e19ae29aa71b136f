#pragma once

#include <QObject>
#include <QSizeF>

#include <functional>
#include <memory>

class QWidget;

namespace meterix {

class SpringAnimator;

// Moves a face's pupils toward the pointer while it hovers the face's widget
// (a 28 pt face centred at 14, 14), and back to the middle when it leaves, on
// the eye-tracking spring. The offset goes out through the binding.
class EyeTrackingModifier : public QObject {
    Q_OBJECT

  public:
    using Binding = std::function<void(QSizeF)>;

    EyeTrackingModifier(QWidget* content, Binding pupilOffset, double maxOffset = 2);
    ~EyeTrackingModifier() override;

    // The offset for a pointer at location in the content: each axis
    // (v - 14) / 14 x maxOffset, clamped to +-maxOffset.
    static QSizeF pupilOffsetFor(QPointF location, double maxOffset = 2);

    double maxOffset() const { return maxOffset_; }
    QSizeF targetOffset() const { return target_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void moveTo(QSizeF offset);

    QWidget* content_;
    Binding binding_;
    double maxOffset_;
    QSizeF target_;
    std::unique_ptr<SpringAnimator> dx_;
    std::unique_ptr<SpringAnimator> dy_;
};

// Applies the modifier to content; it lives as long as the content.
EyeTrackingModifier* trackCursorForPupils(QWidget* content, EyeTrackingModifier::Binding pupilOffset,
                                          double maxOffset = 2);

} // namespace meterix
