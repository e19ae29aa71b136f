#include "companion/PixelCatOverlayWindow.h"

#include "companion/PixelArtCanvas.h"
#include "companion/PixelCatOverlayController.h"
#include "core/MeterixPreferences.h"
#include "platform/ui/X11WindowTraits.h"

#include <QPainter>

#include <cmath>

namespace meterix {

namespace {

constexpr double kFrameHeight = 26;
const double kSprite = 16 * PixelArtCanvas::catPixelSize;

QRect outward(const QRectF& r) {
    const int left = int(std::floor(r.left())), top = int(std::floor(r.top()));
    return QRect(left, top, int(std::ceil(r.right())) - left, int(std::ceil(r.bottom())) - top);
}

} // namespace

PixelCatOverlayWindow::PixelCatOverlayWindow(PixelCatOverlayController& controller,
                                             MeterixPreferences& preferences, CatMotion motion)
    : QWidget(nullptr, overlayFlags()), controller_(controller), preferences_(preferences),
      animationClock_(std::chrono::milliseconds(16), std::move(motion)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Meterix cat"));
    if (X11WindowTraits::isAvailable()) shaped_ = !X11WindowTraits::compositorRunning();
    for (CatAnimatedValue* v : {&x_, &y_, &jump_})
        connect(v, &CatAnimatedValue::valueChanged, this, &PixelCatOverlayWindow::refresh);
}

Qt::WindowFlags PixelCatOverlayWindow::overlayFlags() {
    // Above the bar, never focused, never hit: presses and releases go on to
    // the bar's cat, which carries it.
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput |
           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint | Qt::X11BypassWindowManagerHint;
}

void PixelCatOverlayWindow::fitTo(const QRectF& frame) {
    setGeometry(outward(frame));
}

void PixelCatOverlayWindow::orderFront() {
    refresh();
    show();
    raise();
}

void PixelCatOverlayWindow::orderOut() {
    hide();
}

void PixelCatOverlayWindow::stateChanged(CatAnimation position, CatAnimation jump) {
    const QPointF p = controller_.catScreenPosition() - QPointF(geometry().topLeft());
    x_.animateTo(p.x(), position);
    y_.animateTo(p.y(), position);
    jump_.animateTo(controller_.jumpOffsetY(), jump);
    refresh();
}

QRectF PixelCatOverlayWindow::spriteRect() const {
    const double top = y_.value() + kFrameHeight / 2 - kSprite + jump_.value();
    return QRectF(x_.value() - kSprite / 2, top, kSprite, kSprite);
}

bool PixelCatOverlayWindow::isMirrored() const {
    return PixelCatSprites::isMirrored(controller_.currentFrame(), controller_.isFacingLeft());
}

void PixelCatOverlayWindow::refresh() {
    const QRectF sprite = spriteRect();
    const QRect now = controller_.isVisible() ? outward(sprite).adjusted(-1, -1, 1, 1) : QRect();
    if (shaped_) {
        const PixelCatFrame& f = PixelCatSprites::frame(controller_.currentFrame());
        const QRegion cut =
            controller_.isVisible()
                ? PixelArtCanvas::silhouette(f, PixelArtCanvas::catPixelSize, sprite.topLeft(), isMirrored())
                : QRegion(0, 0, 1, 1);
        setMask(cut.isEmpty() ? QRegion(0, 0, 1, 1) : cut);
    }
    // Only where the cat was and is.
    update(QRegion(painted_) + QRegion(now));
    painted_ = now;
}

void PixelCatOverlayWindow::paintEvent(QPaintEvent*) {
    if (!controller_.isVisible()) return;
    QPainter p(this);
    const PixelCatFrame& f = PixelCatSprites::frame(controller_.currentFrame());
    PixelArtCanvas::paintMirrored(p, f, meterix::palette(preferences_.pixelCatBreed()),
                                  PixelArtCanvas::catPixelSize, spriteRect().topLeft(), isMirrored(),
                                  !shaped_);
}

} // namespace meterix
