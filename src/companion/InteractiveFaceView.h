#pragma once

#include "companion/CatAnimatedValue.h"
#include "core/UsageUnavailableReason.h"

#include <QSizeF>
#include <QWidget>

#include <memory>

namespace meterix {

class CatRandomSource;
class EndlessPulse;
class FaceBlinkLoop;
class TimerSource;

// A tiny face (20 x 14) whose expression follows a mood: eyes, a middle mark
// and eyes again in one row. It blinks by itself every 4 to 7 s while shown and
// bobs half a point up and down (still under reduced motion); the pupils of the
// energetic and focused faces follow pupilOffset.
class InteractiveFaceView : public QWidget {
    Q_OBJECT

  public:
    explicit InteractiveFaceView(CharacterState state, QSizeF pupilOffset = {}, QWidget* parent = nullptr,
                                 TimerSource* timers = nullptr, CatRandomSource* random = nullptr,
                                 CatMotion motion = {});
    ~InteractiveFaceView() override;

    CharacterState state() const { return state_; }
    void setState(CharacterState state);
    bool isBlinking() const;
    // The eyes' vertical scale: 0.1 while blinking, else 1 (animated).
    double eyeScale() const { return eyeScale_.value(); }
    double breathingOffset() const;

    QSize sizeHint() const override { return QSize(20, 14); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    CharacterState state_;
    QSizeF pupilOffset_;
    std::unique_ptr<TimerSource> ownTimers_;
    std::unique_ptr<FaceBlinkLoop> blink_;
    CatAnimationClock animationClock_;
    CatAnimatedValue eyeScale_{animationClock_, 1};
    EndlessPulse* breathing_;
};

} // namespace meterix
