#pragma once

#include "companion/CatAnimatedValue.h"
#include "companion/CatOverlaySurface.h"

#include <QWidget>

namespace meterix {

class MeterixPreferences;
class PixelCatOverlayController;

// The overlay's window: transparent, click-through, above every other window,
// drawing only the carried cat in the user's coat. Without a compositor it is
// cut to the cat's cells, since its transparent pixels would show black.
class PixelCatOverlayWindow final : public QWidget, public CatOverlaySurface {
    Q_OBJECT

  public:
    // Draws the cat in the coat the preferences hold.
    PixelCatOverlayWindow(PixelCatOverlayController& controller, MeterixPreferences& preferences,
                          CatMotion motion = {});

    static Qt::WindowFlags overlayFlags();

    void fitTo(const QRectF& frame) override;
    void orderFront() override;
    void orderOut() override;
    void stateChanged(CatAnimation position, CatAnimation jump) override;

    // Where the sprite is drawn, in window coordinates (the 32 x 26 frame is
    // centred on the cat's position, the sprite standing at its bottom).
    QRectF spriteRect() const;
    // The carried cat's head leads the way it faces, as on the bar.
    bool isMirrored() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void refresh();

    PixelCatOverlayController& controller_;
    MeterixPreferences& preferences_;
    // The carried cat's own window: nothing else repaints with it.
    CatAnimationClock animationClock_;
    CatAnimatedValue x_{animationClock_};
    CatAnimatedValue y_{animationClock_};
    CatAnimatedValue jump_{animationClock_};
    QRect painted_;
    bool shaped_ = false;
};

} // namespace meterix
