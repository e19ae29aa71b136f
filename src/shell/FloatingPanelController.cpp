#include "shell/FloatingPanelController.h"

#include "core/MeterixPreferences.h"
#include "platform/ui/GlobalMouseMonitor.h"
#include "design/Metric.h"
#include "shell/ScreenPlacementEngine.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

#include <cmath>

namespace meterix {

namespace {

bool isZero(const QRectF& r) { return r.x() == 0 && r.y() == 0 && r.width() == 0 && r.height() == 0; }

FloatingPanelController::TimePoint after(FloatingPanelController::TimePoint t, double seconds) {
    return t + std::chrono::milliseconds(std::llround(seconds * 1000));
}

} // namespace

FloatingPanelController::FloatingPanelController(ScreenPlacementEngine& placement, MeterixPreferences& preferences,
                                                 TimerSource& timers, const Clock& clock, QObject* parent)
    : QObject(parent), placement_(placement), preferences_(preferences), timers_(timers), clock_(clock) {
    // Several screen signals arrive for one change; one pass handles them all.
    screenChangeCoalescer_.setSingleShot(true);
    screenChangeCoalescer_.setInterval(0);
    connect(&screenChangeCoalescer_, &QTimer::timeout, this, &FloatingPanelController::screenParametersChanged);
}

FloatingPanelController::~FloatingPanelController() {
    if (filterInstalled_ && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
    if (revealToken_) timers_.cancel(revealToken_);
    if (cooldownToken_) timers_.cancel(cooldownToken_);
}

void FloatingPanelController::setCardHooks(std::function<bool()> isCardOpen, std::function<void()> closeCard) {
    isCardOpen_ = std::move(isCardOpen);
    closeCard_ = std::move(closeCard);
    cardStateChanged();
}

void FloatingPanelController::setGlobalMouseMonitor(std::unique_ptr<GlobalMouseMonitor> monitor) {
    globalMonitor_ = std::move(monitor);
    if (!globalMonitor_) return;
    connect(globalMonitor_.get(), &GlobalMouseMonitor::mouseDown, this,
            &FloatingPanelController::closePopoverIfOpen);
    cardStateChanged();
}

bool FloatingPanelController::isCardOpen() const { return isCardOpen_ && isCardOpen_(); }

double FloatingPanelController::barBand() const {
    return preferences_.pixelCatEnabled() ? Metric::barBand + Metric::pixelCatBand : Metric::barBand;
}

// MARK: - Pure rules

FloatingPanelController::PlacementChoice FloatingPanelController::chooseInitialPlacement(
    double x, double y, double width, double height, const ScreenPlacementEngine& placement) {
    // A hand-edited settings file can hold anything: only finite values within a
    // few screens' reach are taken as a saved place.
    const double limit = savedFrameExtentFactor * placement.largestExtent();
    auto plausible = [limit](double v) { return std::isfinite(v) && v <= limit; };
    const bool originSaved = plausible(x) && plausible(y) && x >= 0 && y >= 0;
    const bool sizeSaved = plausible(width) && plausible(height) && width > 10 && height > 10;

    if (originSaved && sizeSaved) {
        const QRectF saved(x, y, width, height);
        if (placement.meetsAVisibleFrame(saved)) return {{InitialPlacement::Kind::restored, saved}, saved};
    }
    if (originSaved) {
        const QRectF atOrigin(x, y, defaultWidth, Metric::barBand);
        if (placement.meetsAVisibleFrame(atOrigin))
            return {{InitialPlacement::Kind::restoredOrigin, atOrigin}, atOrigin};
    }
    return {{InitialPlacement::Kind::topCenter, QRectF()},
            ScreenPlacementEngine::topCenterFrame(placement.mainVisibleFrame(), QSizeF(defaultWidth, Metric::barBand),
                                                  topInset)};
}

bool FloatingPanelController::opensUpwardFor(const QRectF& barFrame, const ScreenPlacementEngine& placement,
                                             std::optional<double> cardExtent) {
    return ScreenPlacementEngine::cardOpensUpward(barFrame, cardExtent, Metric::panelBleed,
                                                  placement.visibleFrameUnder(barFrame));
}

bool FloatingPanelController::isLocationInsideBar(const QPointF& location, const QSizeF& window, bool opensUpward,
                                                  double band) {
    if (location.x() < 0 || location.x() > window.width()) return false;
    // Opening upward, the bar sits at the bottom of the window with the card above.
    return opensUpward ? location.y() >= window.height() - band : location.y() <= band;
}

bool FloatingPanelController::isLocationInsideCard(const QPointF& location, const QSizeF& window, bool opensUpward,
                                                   double band, bool cardOpen, double cardShift) {
    if (!cardOpen) return false;
    const double left = (window.width() - Metric::detailWidth) / 2 + cardShift;
    if (location.x() < left || location.x() > left + Metric::detailWidth) return false;
    return opensUpward ? location.y() >= 0 && location.y() <= window.height() - band
                       : location.y() >= band && location.y() <= window.height();
}

QRectF FloatingPanelController::barFrameWithin(const QRectF& panel, const QSizeF& restingSize, bool opensUpward) {
    const double y = opensUpward ? panel.bottom() - restingSize.height() : panel.top();
    return QRectF(panel.center().x() - restingSize.width() / 2, y, restingSize.width(), restingSize.height());
}

bool FloatingPanelController::passesDragThreshold(const QPointF& press, const QPointF& location) {
    return std::hypot(location.x() - press.x(), location.y() - press.y()) > dragThreshold;
}

bool FloatingPanelController::differsByMoreThanOnePoint(const QSizeF& a, const QSizeF& b) {
    return std::abs(a.width() - b.width()) > 1 || std::abs(a.height() - b.height()) > 1;
}

bool FloatingPanelController::isCardMode(bool cardOpen, double contentHeight) {
    return cardOpen || contentHeight > cardHeightThreshold;
}

FloatingPanelController::TimePoint FloatingPanelController::revealTime(TimePoint now, TimePoint deadline) {
    return std::min(after(now, revealSettleDelay), deadline);
}

// MARK: - Window

void FloatingPanelController::show() {
    if (panel_) {
        panel_->orderFront();
    } else {
        setupPanel();
        if (!panel_) return;
        setupObservers();
        panel_->orderFront();
    }
    armReveal(revealHardDeadlineTime());
}

void FloatingPanelController::setupPanel() {
    const PlacementChoice choice =
        chooseInitialPlacement(preferences_.panelOriginX(), preferences_.panelOriginY(), preferences_.panelWidth(),
                               preferences_.panelHeight(), placement_);
    if (!panelFactory_) return;
    pendingInitialPlacement_ = choice.placement;
    // A place saved partly past a side still shows whole, even before the
    // content's first report re-anchors it.
    const QRectF initialFrame = placement_.clampToScreensAtWholePixels(choice.initialFrame);
    panel_ = panelFactory_(initialFrame);
    if (!panel_) return;
    currentPanelWidth_ = initialFrame.width();
    restingBarFrame_ = initialFrame;
    restingWithCat_ = preferences_.pixelCatEnabled();
    followAvailableWidth();
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        filterInstalled_ = true;
    }
}

void FloatingPanelController::setupObservers() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return;
    auto watch = [this](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, &screenChangeCoalescer_, qOverload<>(&QTimer::start));
        connect(screen, &QScreen::availableGeometryChanged, &screenChangeCoalescer_, qOverload<>(&QTimer::start));
    };
    for (QScreen* s : QGuiApplication::screens()) watch(s);
    connect(app, &QGuiApplication::screenAdded, this, [this, watch](QScreen* s) {
        watch(s);
        screenChangeCoalescer_.start();
    });
    connect(app, &QGuiApplication::screenRemoved, &screenChangeCoalescer_, qOverload<>(&QTimer::start));
    connect(app, &QGuiApplication::primaryScreenChanged, &screenChangeCoalescer_, qOverload<>(&QTimer::start));
}

void FloatingPanelController::screenParametersChanged() {
    if (!panel_) return;
    const QRectF clamped = placement_.clampToScreensAtWholePixels(restingBarFrame_);
    if (clamped.topLeft() != restingBarFrame_.topLeft()) {
        restingBarFrame_.moveTopLeft(clamped.topLeft());
        const QRectF current = panel_->frame();
        if (isCardMode(isCardOpen(), current.height())) {
            // The window also holds the card: moving its origin to the bar's would
            // put the bar where the card was. Re-anchor the whole window instead.
            panel_->setFrame(
                PanelReanchor::frame(restingBarFrame_, current.size(), opensUpward_, PanelHorizontalPin::center));
        } else {
            panel_->setOrigin(restingBarFrame_.topLeft());
        }
        persistRestingFrame();
    }
    // The screen's edges may have moved without the bar: an open card follows
    // them (the content reports its new width, which re-anchors the window).
    if (!isDragging_) setCardShift(placement_.cardShift(restingBarFrame_, Metric::detailWidth));
    followAvailableWidth();
}

// MARK: - Size reports

void FloatingPanelController::updateContentSize(const QSizeF& size) {
    if (!panel_) return;
    if (!std::isfinite(size.width()) || !std::isfinite(size.height())) return;
    if (!(size.width() > 10) || !(size.height() > 10)) return;
    followCatBand();
    if (isDragging_) {
        pendingContentSize_ = size;
        return;
    }
    ++sizeReports_;
    const QSizeF floored(std::floor(size.width()), std::floor(size.height()));
    currentPanelWidth_ = floored.width();
    const QRectF current = panel_->frame();
    const bool cardMode = isCardMode(isCardOpen(), floored.height());

    if (differsByMoreThanOnePoint(floored, current.size())) {
        if (cardMode) {
            // The card grows away from the bar, which stays where it rests: on
            // opening, the card takes the side where it fits (cardShift keeps it
            // inside the screen across).
            if (!cardDirectionSettled_ && !isZero(restingBarFrame_)) {
                const quint64 report = sizeReports_;
                settleCardSide(floored.height() - restingBarFrame_.height());
                // The content answered with a card shortened to its room: that
                // report has placed the window.
                if (sizeReports_ != report) return;
            }
            panel_->setFrame(PanelReanchor::frame(restingBarFrame_, floored, opensUpward_, PanelHorizontalPin::center));
        } else {
            releaseCardSide();
            checkPlacementDirection();
            QRectF anchor;
            PanelHorizontalPin pin = PanelHorizontalPin::center;
            if (!pendingInitialPlacement_) {
                anchor = isZero(restingBarFrame_) ? current : restingBarFrame_;
            } else {
                const InitialPlacement placement = *pendingInitialPlacement_;
                pendingInitialPlacement_.reset();
                pin = PanelHorizontalPin::leading;
                switch (placement.kind) {
                case InitialPlacement::Kind::restored:
                    anchor = placement.savedFrame;
                    break;
                case InitialPlacement::Kind::restoredOrigin:
                    anchor = QRectF(placement.savedFrame.topLeft(), floored);
                    break;
                case InitialPlacement::Kind::topCenter:
                    anchor = ScreenPlacementEngine::topCenterFrame(placement_.mainVisibleFrame(), floored, topInset);
                    break;
                }
            }
            const QRectF next =
                placement_.clampToScreensAtWholePixels(PanelReanchor::frame(anchor, floored, opensUpward_, pin));
            restingBarFrame_ = next;
            panel_->setFrame(next);
            persistRestingFrame();
        }
    } else {
        if (cardMode) return;
        releaseCardSide();
        pendingInitialPlacement_.reset();
        restingBarFrame_ = current;
        persistRestingFrame();
    }
    requestReveal();
}

void FloatingPanelController::checkPlacementDirection() {
    if (!panel_ || isDragging_ || isCardOpen()) return;
    const QRectF bar = isZero(restingBarFrame_) ? panel_->frame() : restingBarFrame_;
    setOpensUpward(opensUpwardFor(bar, placement_));
    setCardShift(placement_.cardShift(bar, Metric::detailWidth));
    followAvailableWidth();
}

void FloatingPanelController::settleCardSide(double cardExtent) {
    cardDirectionSettled_ = true;
    const bool upward = opensUpwardFor(restingBarFrame_, placement_, cardExtent);
    setOpensUpward(upward);
    // Reported before the window takes the card: a card too tall for its side
    // is shortened, and the content's next report fits the room.
    cardRoom_ = ScreenPlacementEngine::cardRoom(restingBarFrame_, Metric::panelBleed,
                                                placement_.visibleFrameUnder(restingBarFrame_), upward);
    Q_EMIT cardRoomChanged(cardRoom_);
}

void FloatingPanelController::releaseCardSide() {
    cardDirectionSettled_ = false;
    if (std::isinf(cardRoom_)) return;
    cardRoom_ = std::numeric_limits<double>::infinity();
    Q_EMIT cardRoomChanged(cardRoom_);
}

void FloatingPanelController::followAvailableWidth() {
    if (!panel_ || isDragging_) return;
    const QRectF bar = isZero(restingBarFrame_) ? panel_->frame() : restingBarFrame_;
    const std::optional<QRectF> visible = placement_.visibleFrameOf(bar);
    const double width = visible ? visible->width() : ScreenPlacementEngine::fallbackVisibleFrame().width();
    if (width == availableWidth_) return;
    availableWidth_ = width;
    Q_EMIT availableWidthChanged(width);
}

void FloatingPanelController::setCardShift(double value) {
    if (value == cardShift_) return;
    cardShift_ = value;
    Q_EMIT cardShiftChanged(value);
}

void FloatingPanelController::followCatBand() {
    const bool withCat = preferences_.pixelCatEnabled();
    if (withCat == restingWithCat_) return;
    restingWithCat_ = withCat;
    if (isZero(restingBarFrame_)) return;
    // The cat's band lies above the bar: the resting frame gains or loses it at
    // its top, so the bar itself stays where it is on screen whichever edge the
    // window is re-anchored by.
    restingBarFrame_.setTop(restingBarFrame_.top() + (withCat ? -Metric::pixelCatBand : Metric::pixelCatBand));
}

void FloatingPanelController::setOpensUpward(bool value) {
    if (value == opensUpward_) return;
    opensUpward_ = value;
    Q_EMIT opensUpwardChanged(value);
}

void FloatingPanelController::persistRestingFrame() {
    const QRectF& r = restingBarFrame_;
    if (preferences_.panelOriginX() == r.x() && preferences_.panelOriginY() == r.y() &&
        preferences_.panelWidth() == r.width() && preferences_.panelHeight() == r.height())
        return;
    preferences_.setPanelOriginX(r.x());
    preferences_.setPanelOriginY(r.y());
    preferences_.setPanelWidth(r.width());
    preferences_.setPanelHeight(r.height());
}

// MARK: - Reveal

FloatingPanelController::TimePoint FloatingPanelController::revealHardDeadlineTime() {
    if (!revealDeadline_) revealDeadline_ = after(clock_.monotonicNow(), revealHardDeadline);
    return *revealDeadline_;
}

void FloatingPanelController::requestReveal() {
    armReveal(revealTime(clock_.monotonicNow(), revealHardDeadlineTime()));
}

void FloatingPanelController::armReveal(TimePoint at) {
    if (!panel_ || panel_->isRevealed()) return;
    if (revealToken_) timers_.cancel(revealToken_);
    revealAt_ = at;
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(at - clock_.monotonicNow());
    revealToken_ = timers_.start(delay, [this] {
        revealToken_ = 0;
        revealPanel();
    });
}

void FloatingPanelController::revealPanel() {
    if (revealToken_) timers_.cancel(revealToken_);
    revealToken_ = 0;
    revealAt_.reset();
    revealDeadline_.reset();
    if (panel_ && !panel_->isRevealed()) {
        panel_->reveal();
        Q_EMIT revealed();
    }
}

std::optional<FloatingPanelController::TimePoint> FloatingPanelController::revealScheduledAt() const { return revealAt_; }

// MARK: - Card and mouse

void FloatingPanelController::cardStateChanged() {
    const bool open = isCardOpen();
    if (globalMonitor_) globalMonitor_->setListening(open);
    // An open card takes the keys, so that Escape closes it.
    if (panel_ && open != takesKeyboard_) {
        takesKeyboard_ = open;
        panel_->setTakesKeyboard(open);
    }
}

void FloatingPanelController::closePopoverIfOpen() {
    if (isCardOpen() && closeCard_) closeCard_();
}

void FloatingPanelController::handleMouseEvent(MouseEventKind kind, const QPointF& globalPosition,
                                               bool inPanelWindow) {
    if (!panel_) return;
    const QRectF panelFrame = panel_->frame();
    const QPointF location = globalPosition - panelFrame.topLeft();
    const bool cardOpen = isCardOpen();
    const double band = barBand();
    const bool insideBar = isLocationInsideBar(location, panelFrame.size(), opensUpward_, band);
    const bool insideCard =
        isLocationInsideCard(location, panelFrame.size(), opensUpward_, band, cardOpen, cardShift_);

    switch (kind) {
    case MouseEventKind::rightDown:
        if (!insideCard) closePopoverIfOpen();
        break;
    case MouseEventKind::leftDown:
        if (isHoveringCat_ || isCatDragging_) break; // the cat owns the press
        if (!inPanelWindow) {
            isMouseDownInBar_ = false;
            closePopoverIfOpen();
        } else if (insideBar) {
            isMouseDownInBar_ = true;
            pressLocationInWindow_ = location;
            hasMovedPastThreshold_ = false;
            const QRectF bar =
                cardOpen ? barFrameWithin(panelFrame, restingBarFrame_.size(), opensUpward_) : panelFrame;
            dragAnchor_ = PanelDragAnchor{globalPosition, bar};
        } else {
            isMouseDownInBar_ = false;
            if (!insideCard) closePopoverIfOpen();
        }
        break;
    case MouseEventKind::leftDragged:
        if (isCatDragging_ || !isMouseDownInBar_ || !inPanelWindow) break;
        if (!hasMovedPastThreshold_) {
            if (!passesDragThreshold(pressLocationInWindow_, location)) break;
            beginDrag();
        }
        if (dragAnchor_) {
            // The bar follows the pointer, unclamped, until the release.
            const QPointF origin = dragAnchor_->barFrame.topLeft() + (globalPosition - dragAnchor_->pointer);
            panel_->setOrigin(origin);
            restingBarFrame_.moveTopLeft(origin);
        }
        break;
    case MouseEventKind::leftUp:
        isMouseDownInBar_ = false;
        if (hasMovedPastThreshold_) {
            isDragging_ = false;
            hasDraggedRecently_ = true;
            if (pendingContentSize_) {
                const QSizeF pending = *pendingContentSize_;
                pendingContentSize_.reset();
                updateContentSize(pending);
            }
            const QPointF origin = placement_.clampToScreensAtWholePixels(restingBarFrame_).topLeft();
            panel_->setOrigin(origin);
            restingBarFrame_.moveTopLeft(origin);
            persistRestingFrame();
            checkPlacementDirection();
            if (cooldownToken_) timers_.cancel(cooldownToken_);
            cooldownToken_ = timers_.start(std::chrono::milliseconds(std::llround(dragCooldown * 1000)), [this] {
                cooldownToken_ = 0;
                if (!isDragging_) hasDraggedRecently_ = false;
            });
        } else {
            isDragging_ = false;
            hasDraggedRecently_ = false;
        }
        endPress();
        break;
    }
}

void FloatingPanelController::beginDrag() {
    hasMovedPastThreshold_ = true;
    isDragging_ = true;
    hasDraggedRecently_ = true;
    pendingInitialPlacement_.reset();
    releaseCardSide();
    if (!dragAnchor_) return;
    restingBarFrame_ = dragAnchor_->barFrame;
    const bool wasSelected = isCardOpen();
    closePopoverIfOpen();
    // The card goes at once; the window shrinks to the bar under the pointer.
    if (wasSelected) panel_->setFrame(dragAnchor_->barFrame);
}

void FloatingPanelController::endPress() {
    hasMovedPastThreshold_ = false;
    dragAnchor_.reset();
}

bool FloatingPanelController::eventFilter(QObject* watched, QEvent* event) {
    // Each mouse event reaches its window first and its widget after; looking at
    // the window's copy sees every event once, before any widget acts on it.
    if (!panel_ || !watched->isWindowType()) return QObject::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && panel_->isWindow(watched) &&
        static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape && isCardOpen()) {
        closePopoverIfOpen();
        return true;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove)
        return QObject::eventFilter(watched, event);
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    std::optional<MouseEventKind> kind;
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) kind = MouseEventKind::leftDown;
    else if (type == QEvent::MouseButtonPress && mouse->button() == Qt::RightButton) kind = MouseEventKind::rightDown;
    else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) kind = MouseEventKind::leftUp;
    else if (type == QEvent::MouseMove && (mouse->buttons() & Qt::LeftButton)) kind = MouseEventKind::leftDragged;
    if (kind) handleMouseEvent(*kind, mouse->globalPosition(), panel_->isWindow(watched));
    return QObject::eventFilter(watched, event); // never swallowed: the widgets still get every click
}

} // namespace meterix
