#include "companion/PixelCatView.h"

#include "companion/PixelArtCanvas.h"
#include "companion/PixelCatLoops.h"
#include "core/L10n.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "design/CachedPainting.h"
#include "design/Surface.h"
#include "platform/ui/SymbolImage.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include <cmath>
#include <utility>

namespace meterix {

namespace {

const double kSprite = 16 * PixelArtCanvas::catPixelSize; // 21.6
constexpr double kBubbleSpacing = 1.5;
constexpr double kHeartPointSize = 11;
// How far the sleep bubble and the heart stand from the frame's centre towards
// the head: the bubble in front of the face, the heart above the head.
constexpr double kBubbleHeadward = 8;
constexpr double kHeartHeadward = 5;
const QColor kHeartColor = QColor::fromRgbF(0.94f, 0.15f, 0.28f);

QFont bubbleFont(double pixels) {
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(int(std::lround(pixels)));
    f.setWeight(QFont::Black);
    return f;
}

// The sleep bubble's fonts and measures, made once: a sleeping cat asks for
// them on every frame tick.
struct BubbleType {
    QFont small = bubbleFont(8);
    QFont large = bubbleFont(10);
    double zAdvance = QFontMetricsF(small).horizontalAdvance(QLatin1Char('z'));
    double width = zAdvance + kBubbleSpacing + QFontMetricsF(large).horizontalAdvance(QLatin1Char('Z'));
    double height = QFontMetricsF(large).height();
    double ascent = QFontMetricsF(large).ascent();
    double descent = QFontMetricsF(large).descent();
};

const BubbleType& bubbleType() {
    // Kept to the end: fonts must not be destroyed after the application.
    static const BubbleType* type = new BubbleType;
    return *type;
}

// A gliding cat is drawn on quarter points, the finest offset its stamps and
// outlines tell apart, so a walk reuses a few of each.
double onQuarterPoints(double x) {
    return std::round(x * 4) / 4;
}

QRect outward(const QRectF& r) {
    const int left = int(std::floor(r.left())), top = int(std::floor(r.top()));
    return QRect(left, top, int(std::ceil(r.right())) - left, int(std::ceil(r.bottom())) - top);
}

} // namespace

PixelCatView::PixelCatView(std::unique_ptr<PixelCatEngine> engine, MeterixPreferences& preferences,
                           Localization& localization, Hooks hooks, QWidget* parent, CatMotion motion)
    : QWidget(parent), preferences_(preferences), hooks_(std::move(hooks)), engine_(std::move(engine)),
      gesture_(*engine_),
      animationClock_(std::chrono::milliseconds(33), std::move(motion), this),
      x_(animationClock_, engine_->positionX()), facing_(animationClock_, engine_->isFacingLeft() ? -1 : 1),
      breed_(preferences.pixelCatBreed()) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    // A mask on this widget would repaint the whole band under it at every
    // step; a bare sibling over the band above the capsule takes the pointer.
    if (parent) setAttribute(Qt::WA_TransparentForMouseEvents);
    hitArea_ = new QWidget(parent ? parent : this);
    hitArea_->setObjectName(QStringLiteral("catHitArea"));
    hitArea_->setAttribute(Qt::WA_NoSystemBackground);
    hitArea_->setAttribute(Qt::WA_TranslucentBackground);
    hitArea_->setMouseTracking(true);
    hitArea_->installEventFilter(this);
    // It draws nothing: the cat's repaints, which cross it, skip it.
    hitArea_->setUpdatesEnabled(false);
    engine_->setBarLink(this);
    loops_ = std::make_unique<PixelCatLoops>(*engine_, this);
    connect(loops_.get(), &PixelCatLoops::ticked, this, &PixelCatView::finishTick);
    engine_->setChangeHandler(
        [this](PixelCatEngine::Property p, CatAnimation how) { onEngineChange(p, how); });
    connect(&animationClock_, &CatAnimationClock::stepped, this, &PixelCatView::finishTick);
    for (CatAnimatedValue* v : animatedValues())
        connect(v, &CatAnimatedValue::valueChanged, this, &PixelCatView::refresh);
    connect(&preferences_, &MeterixPreferences::pixelCatBreedRawChanged, this, [this] {
        breed_ = preferences_.pixelCatBreed();
        applyTexts();
        update(painted_);
    });
    connect(&localization, &Localization::preferenceChanged, this, &PixelCatView::applyTexts);
    applyTexts();
    refresh();
}

PixelCatView::~PixelCatView() {
    // Going away while hovered must not leave the bar refusing its own drags.
    setHoveringCat(false);
    engine_->setChangeHandler({});
    loops_.reset();
    delete hitArea_;
    // While the view is still whole: a cat carried off tells the bar it is gone.
    engine_.reset();
}

// MARK: - Geometry

void PixelCatView::placeOver(const QRectF& capsule) {
    const QRectF r(capsule.left(), capsule.top() - liftAboveCapsule - headroom,
                   std::max(capsule.width(), 80.0), headroom + bandHeight + footroom);
    const QRect g = outward(r);
    const bool widthChanged = r.width() != layerWidth_;
    layerWidth_ = r.width();
    if (g != geometry()) setGeometry(g);
    if (widthChanged && boundsApplied_) applyBounds();
    refresh();
}

double PixelCatView::layerWidth() const {
    return std::max(layerWidth_, 80.0);
}

void PixelCatView::applyBounds() {
    engine_->updateBounds(12, std::max(layerWidth() - kSprite - 12, 36.0));
    boundsApplied_ = true;
}

QRectF PixelCatView::catFrameRect() const {
    // 32 x 26, centred on the 24-high band, moved right by the position.
    return QRectF(onQuarterPoints(x_.value()), headroom + (bandHeight - frameHeight) / 2, frameWidth,
                  frameHeight);
}

QRectF PixelCatView::bubbleRect() const {
    const double w = bubbleType().width;
    const double h = bubbleType().height;
    const QRectF f = catFrameRect();
    const double dx = headward() * kBubbleHeadward;
    return QRectF(f.center().x() - w / 2 + dx, f.bottom() - h + zOffset_.value() - 18, w, h);
}

QRectF PixelCatView::heartRect() const {
    const double side = SymbolImage::boxSide(kHeartPointSize) * 1.2;
    const QRectF f = catFrameRect();
    const double cy = f.bottom() - SymbolImage::boxSide(kHeartPointSize) / 2 + heartOffset_.value() - 16;
    const double cx = f.center().x() + headward() * kHeartHeadward;
    return QRectF(cx - side / 2, cy - side / 2, side, side);
}

double PixelCatView::spriteScale() const {
    const double facing = facing_.value();
    return PixelCatSprites::headsLeft(engine_->currentFrame()) ? -facing : facing;
}

QPointF PixelCatView::spriteTopLeft() const {
    const QRectF f = catFrameRect();
    return QPointF(f.center().x() - kSprite / 2, f.bottom() - kSprite + jump_.value());
}

QRegion PixelCatView::computeCellRegion() const {
    if (engine_->isBeingHeld()) return {};
    // The sprite's own cells, both ways round while it turns.
    const double scale = spriteScale();
    QRegion r;
    if (scale > -0.99) r = silhouette(false);
    if (scale < 0.99) r += silhouette(true);
    if (engine_->currentAction() == CatAction::sleeping && zOpacity_.value() > 0.001)
        r += outward(bubbleRect());
    if (heartOpacity_.value() > 0.01) r += outward(heartRect());
    return r;
}

PixelCatView::Look PixelCatView::currentLook() const {
    Look l;
    l.frame = engine_->currentFrame();
    l.sprite = spriteTopLeft();
    l.facing = facing_.value();
    l.held = engine_->isBeingHeld();
    if (engine_->currentAction() == CatAction::sleeping) {
        l.zOpacity = zOpacity_.value();
        l.bubble = bubbleRect();
    }
    l.heartOpacity = heartOpacity_.value();
    if (l.heartOpacity > 0.01) l.heart = heartRect();
    l.size = size();
    return l;
}

QRegion PixelCatView::silhouette(bool mirrored) const {
    // Built once per frame, side and sub-pixel offset, then moved by whole
    // pixels: the cat steps by whole points, so a walk reuses a handful.
    const QPointF origin = spriteTopLeft();
    const QPoint whole(int(std::floor(origin.x())), int(std::floor(origin.y())));
    const QPointF fraction = origin - QPointF(whole);
    const quint64 key = (quint64(engine_->currentFrame()) << 32) | (quint64(mirrored) << 31) |
                        (quint64(std::lround(fraction.x() * 100)) << 16) |
                        quint64(std::lround(fraction.y() * 100));
    auto it = silhouettes_.constFind(key);
    if (it == silhouettes_.constEnd()) {
        // A hop passes through a new offset on every frame: those are let go
        // before they pile up over days of taps.
        if (silhouettes_.size() >= kSilhouettesKept) silhouettes_.clear();
        it = silhouettes_.insert(
            key, PixelArtCanvas::silhouette(PixelCatSprites::frame(engine_->currentFrame()),
                                            PixelArtCanvas::catPixelSize, fraction, mirrored));
    }
    return it->translated(whole);
}

std::optional<QPointF> PixelCatView::landingPoint(double positionX) const {
    const QWidget* w = window();
    if (!w || !w->isVisible()) return std::nullopt;
    return mapToGlobal(QPointF(onQuarterPoints(positionX) + frameWidth / 2, headroom + bandHeight / 2));
}

void PixelCatView::setCatDragging(bool dragging) {
    if (hooks_.setCatDragging) hooks_.setCatDragging(dragging);
}

// MARK: - State

void PixelCatView::onEngineChange(PixelCatEngine::Property property, CatAnimation how) {
    using P = PixelCatEngine::Property;
    dispatching_ = true;
    switch (property) {
    case P::position:
        // A walking step glides over its frame tick, stepped on the view's
        // clock: each new step goes on from where the last one stands.
        x_.animateTo(engine_->positionX(), how);
        break;
    case P::facing:
        facing_.animateTo(engine_->isFacingLeft() ? -1 : 1, CatAnimation::withSpring(SpringSpec{0.22, 0.82}));
        break;
    case P::jump:
        jump_.animateTo(engine_->jumpOffsetY(), how);
        break;
    case P::zBubble:
        zOpacity_.animateTo(engine_->zBubbleOpacity(), how);
        zOffset_.animateTo(engine_->zBubbleOffset(), how);
        break;
    case P::heart:
        heartOpacity_.animateTo(engine_->heartOpacity(), how);
        heartOffset_.animateTo(engine_->heartOffset(), how);
        break;
    case P::held:
        if (engine_->isBeingHeld()) setHoveringCat(false);
        break;
    case P::action:
    case P::frame:
        break;
    }
    dispatching_ = false;
    refresh();
}

std::array<CatAnimatedValue*, 7> PixelCatView::animatedValues() {
    return {&x_, &facing_, &jump_, &zOpacity_, &zOffset_, &heartOpacity_, &heartOffset_};
}

void PixelCatView::refresh() {
    if (dispatching_) return; // one refresh after the engine's change, not one per value
    // Within a loop tick or a step of the moving values, once at its end for
    // all of its changes (a step and its new frame, a hop and its heart).
    if ((loops_ && loops_->isTicking()) || animationClock_.isStepping()) {
        tickPending_ = true;
        return;
    }
    refreshNow(false);
}

void PixelCatView::finishTick() {
    if (!std::exchange(tickPending_, false)) return;
    // Drawn and told at once: posting them would wake the event loop again on
    // every tick for nothing else.
    refreshNow(true);
}

void PixelCatView::refreshNow(bool atOnce) {
    if (hitArea_) {
        const QRect hit = hitAreaRect().translated(hitArea_->parentWidget() == this ? QPoint() : pos());
        if (hit != hitArea_->geometry()) hitArea_->setGeometry(hit);
        hitArea_->setVisible(isVisible());
    }
    // Everything drawn follows from the look: an unchanged look (a tick that
    // only repeats the frame) needs neither a region nor a repaint.
    const Look look = currentLook();
    if (looked_ && look == paintedLook_) return;
    looked_ = true;
    paintedLook_ = look;
    const bool held = engine_->isBeingHeld();
    const QRect area = rect();
    const QRegion cells = computeCellRegion().intersected(area);
    const QRect shadow = held ? QRect() : shadowRect().intersected(area);
    const QRect cellBounds = cells.boundingRect();
    // One rectangle to paint and send: the old and new cells, with the shadow
    // on the capsule only when it moved (a walking step). A cat that stays put
    // repaints nothing of the capsule, so nothing of the segments in it.
    QRect dirty = paintedCellBounds_ | cellBounds;
    if (shadow != paintedShadow_) dirty |= paintedShadow_ | shadow;
    paintedCellBounds_ = cellBounds;
    paintedShadow_ = shadow;
    QRegion now = cells;
    if (!shadow.isEmpty()) now += shadow;
    const bool reshaped = now != painted_;
    const bool told = !regionPending_; // else a telling is already on its way
    if (reshaped) {
        painted_ = now;
        regionPending_ = true;
    }
    if (atOnce) {
        // The window is reshaped first, so the repaint's pixels go out with
        // the new shape.
        tellPaintedRegion();
        if (!dirty.isEmpty()) repaint(dirty);
        return;
    }
    if (!dirty.isEmpty()) update(dirty);
    // Told once the engine's change is done, each telling reshapes the window.
    if (reshaped && told)
        QMetaObject::invokeMethod(this, &PixelCatView::tellPaintedRegion, Qt::QueuedConnection);
}

void PixelCatView::tellPaintedRegion() {
    if (!regionPending_) return;
    regionPending_ = false;
    Q_EMIT paintedRegionChanged(painted_);
}

QRect PixelCatView::hitAreaRect() const {
    // The band above the capsule, where the cat's pixels are. It stays put
    // while the cat walks (a moving widget would have the bar repaint under it
    // at every step); which part of it is the cat is told from the pointer.
    return outward(QRectF(0, headroom + (bandHeight - frameHeight) / 2, layerWidth(),
                          liftAboveCapsule - (bandHeight - frameHeight) / 2));
}

bool PixelCatView::isOnCat(QPointF hitAreaPoint) const {
    const QPointF p = hitAreaPoint + QPointF(hitAreaRect().topLeft());
    return !engine_->isBeingHeld() && catFrameRect().contains(p);
}

void PixelCatView::updateHover(QPointF hitAreaPoint) {
    const bool on = isOnCat(hitAreaPoint);
    setHoveringCat(on);
    if (!hitArea_) return;
    if (on)
        hitArea_->setCursor(Qt::OpenHandCursor);
    else
        hitArea_->unsetCursor();
}

QRect PixelCatView::shadowRect() const {
    const QRectF f = catFrameRect();
    const double w = kSprite * 0.8;
    return outward(QRectF(f.center().x() - w / 2, f.bottom() - 3.5 + 1, w, 3.5));
}

void PixelCatView::setBarHovered(bool hovered) {
    if (hovered == barHovered_) return;
    barHovered_ = hovered;
    engine_->onBarHover(hovered);
}

void PixelCatView::setHoveringCat(bool hovering) {
    if (hovering == hoveringCat_) return;
    hoveringCat_ = hovering;
    if (hooks_.setHoveringCat) hooks_.setHoveringCat(hovering);
}

void PixelCatView::applyTexts() {
    setAccessibleName(L10n::catCompanion(displayName(preferences_.pixelCatBreed())).text());
}

// MARK: - Events

void PixelCatView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    refresh();
}

void PixelCatView::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    refresh();
}

void PixelCatView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    watchWindow();
    engine_->viewAppeared();
    applyBounds();
    refresh();
}

void PixelCatView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    gesture_.cancel();
    setHoveringCat(false);
    if (hitArea_ && hitArea_->parentWidget() != this) hitArea_->hide();
    engine_->viewDisappeared();
}

void PixelCatView::watchWindow() {
    QWindow* handle = window() ? window()->windowHandle() : nullptr;
    if (handle == watchedWindow_) return;
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = handle;
    if (!handle) return;
    handle->installEventFilter(this);
    engine_->setApplicationVisible(handle->isExposed());
}

bool PixelCatView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == hitArea_ && handlePointer(event)) return true;
    if (watched == watchedWindow_ && event->type() == QEvent::Expose) {
        // The window takes its new exposure before the event is sent, so it is
        // read here; each reshape of a shaped window brings an exposure, and a
        // round of the event loop for each would cost more than the reading.
        engine_->setApplicationVisible(watchedWindow_->isExposed());
    }
    return QWidget::eventFilter(watched, event);
}

bool PixelCatView::handlePointer(QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter:
        updateHover(static_cast<QEnterEvent*>(event)->position());
        return false;
    case QEvent::Leave:
        if (!gesture_.isPressed()) updateHover(QPointF(-1e6, -1e6));
        return false;
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton || !isOnCat(e->position())) {
            e->ignore(); // the band beside the cat is the bar's
            return true;
        }
        setHoveringCat(true);
        gesture_.press(e->globalPosition());
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (!gesture_.isPressed()) {
            updateHover(e->position());
            e->ignore();
            return true;
        }
        gesture_.move(e->globalPosition());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton || !gesture_.isPressed()) {
            e->ignore();
            return true;
        }
        gesture_.release(e->globalPosition());
        updateHover(e->position());
        return true;
    }
    default:
        return false;
    }
}

// MARK: - Painting

void PixelCatView::paintSprite(QPainter& p) {
    const PixelCatFrame& frame = PixelCatSprites::frame(engine_->currentFrame());
    const QPointF topLeft = spriteTopLeft();
    const double scale = spriteScale();
    const auto draw = [&](QPainter& q) {
        q.save();
        q.translate(topLeft.x() + kSprite / 2, 0);
        q.scale(scale, 1);
        q.translate(-kSprite / 2, 0);
        PixelArtCanvas::paint(q, frame, meterix::palette(breed_), PixelArtCanvas::catPixelSize,
                              QPointF(0, topLeft.y()));
        q.restore();
    };
    // Mid-turn or mid-hop the cells are drawn as they are: those frames pass
    // and would only crowd the stamps out.
    if ((scale != 1 && scale != -1) || jump_.isMoving()) {
        draw(p);
        return;
    }
    const QByteArray key = "cat|" + rawValue(breed_).toLatin1() + '|' +
                           QByteArray::number(int(engine_->currentFrame())) +
                           (scale < 0 ? "|mirrored" : "|plain");
    CachedPainting::draw(p, QRectF(topLeft, QSizeF(kSprite, kSprite)).adjusted(-1, -1, 1, 1), key, draw);
}

void PixelCatView::paintShadow(QPainter& p) {
    const QRectF f = catFrameRect();
    const double width = kSprite * 0.8;
    const QRectF ellipse(f.center().x() - width / 2, f.bottom() - 3.5 + 1, width, 3.5);
    // Stamped like the sprite: it moves with every step of a walk.
    CachedPainting::draw(p, ellipse.adjusted(-1, -1, 1, 1), "cat-shadow", [&](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(QColor::fromRgbF(0, 0, 0, 0.35f));
        q.drawEllipse(ellipse);
    });
}

void PixelCatView::paintEvent(QPaintEvent*) {
    if (engine_->isBeingHeld()) return; // the overlay shows the carried cat
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paintShadow(p);
    paintSprite(p);

    if (engine_->currentAction() == CatAction::sleeping && zOpacity_.value() > 0.001) {
        const QRectF b = bubbleRect();
        const BubbleType& type = bubbleType();
        const double baseline = b.top() + (b.height() + type.ascent - type.descent) / 2;
        p.setOpacity(std::clamp(zOpacity_.value(), 0.0, 1.0));
        for (int pass = 0; pass < 2; ++pass) {
            // A soft shadow one point below, then the letters.
            const QColor c = pass == 0 ? QColor::fromRgbF(0, 0, 0, 0.4f) : LabelColor::primary();
            const double dy = pass == 0 ? 1 : 0;
            p.setPen(c);
            p.setFont(type.small);
            p.drawText(QPointF(b.left(), baseline + dy), QStringLiteral("z"));
            p.setFont(type.large);
            p.drawText(QPointF(b.left() + type.zAdvance + kBubbleSpacing, baseline + dy),
                       QStringLiteral("Z"));
        }
        p.setOpacity(1);
    }

    if (heartOpacity_.value() > 0.01) {
        const QRectF h = heartRect();
        const double scale = heartOpacity_.value() > 0.5 ? 1.2 : 0.8;
        p.setOpacity(std::clamp(heartOpacity_.value(), 0.0, 1.0));
        p.save();
        p.translate(h.center());
        p.scale(scale, scale);
        SymbolImage::paint(p, QPointF(0, 0.5), kHeartPointSize, QStringLiteral("heart.fill"),
                           QColor::fromRgbF(0, 0, 0, 0.3f), SymbolWeight::bold);
        SymbolImage::paint(p, QPointF(), kHeartPointSize, QStringLiteral("heart.fill"), kHeartColor,
                           SymbolWeight::bold);
        p.restore();
        p.setOpacity(1);
    }
}

} // namespace meterix
