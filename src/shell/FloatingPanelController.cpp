#include "shell/FloatingPanelController.h"

#include "core/MeterixPreferences.h"
#include "platform/ui/GlobalMouseMonitor.h"
#include "shell/PanelHitTest.h"
#include "shell/ScreenPlacementEngine.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>

namespace meterix {

FloatingPanelController::FloatingPanelController(ScreenPlacementEngine& screens, MeterixPreferences& preferences,
                                                 TimerSource& timers, const Clock& clock, QObject* parent)
    : QObject(parent), screens_(screens), store_(preferences), placement_(screens, store_), cardSide_(screens),
      cat_(preferences), reveal_(window_, timers, clock, [this] { Q_EMIT revealed(); }),
      drag_(window_, screens, store_, timers, dragHooks()) {
    connect(&cardSide_, &PanelCardSide::opensUpwardChanged, this, &FloatingPanelController::opensUpwardChanged);
    connect(&cardSide_, &PanelCardSide::cardShiftChanged, this, &FloatingPanelController::cardShiftChanged);
    connect(&cardSide_, &PanelCardSide::availableWidthChanged, this, &FloatingPanelController::availableWidthChanged);
    connect(&cardSide_, &PanelCardSide::cardRoomChanged, this, &FloatingPanelController::cardRoomChanged);
    connect(&screenWatch_, &PanelScreenWatch::changed, this, &FloatingPanelController::screenParametersChanged);
}

FloatingPanelController::~FloatingPanelController() {
    if (filterInstalled_ && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

PanelDrag::Hooks FloatingPanelController::dragHooks() {
    PanelDrag::Hooks hooks;
    hooks.began = [this] {
        placement_.forget();
        cardSide_.release();
    };
    hooks.closeCard = [this] {
        const bool wasOpen = isCardOpen();
        closer_.closeIfOpen();
        return wasOpen;
    };
    hooks.sizeReleased = [this](const QSizeF& size) { updateContentSize(size); };
    hooks.left = [this] { checkPlacementDirection(); };
    return hooks;
}

void FloatingPanelController::setCardHooks(std::function<bool()> isCardOpen, std::function<void()> closeCard) {
    closer_.setHooks(std::move(isCardOpen), std::move(closeCard));
    cardStateChanged();
}

void FloatingPanelController::setGlobalMouseMonitor(std::unique_ptr<GlobalMouseMonitor> monitor) {
    const bool given = monitor != nullptr;
    closer_.setMonitor(std::move(monitor));
    if (given) cardStateChanged();
}

void FloatingPanelController::cardStateChanged() { closer_.follow(window_.surface.get()); }

bool FloatingPanelController::differsByMoreThanOnePoint(const QSizeF& a, const QSizeF& b) {
    return std::abs(a.width() - b.width()) > 1 || std::abs(a.height() - b.height()) > 1;
}

bool FloatingPanelController::isCardMode(bool cardOpen, double contentHeight) {
    return cardOpen || contentHeight > cardHeightThreshold;
}

// MARK: - Window

void FloatingPanelController::show() {
    if (window_.surface) {
        window_.surface->orderFront();
    } else {
        setupPanel();
        if (!window_.surface) return;
        screenWatch_.start();
        window_.surface->orderFront();
    }
    reveal_.showRequested();
}

void FloatingPanelController::setupPanel() {
    if (!panelFactory_) return;
    const QRectF initialFrame = placement_.firstFrame();
    window_.surface = panelFactory_(initialFrame);
    if (!window_.surface) return;
    window_.resting = initialFrame;
    cat_.restingTaken();
    followAvailableWidth();
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        filterInstalled_ = true;
    }
}

void FloatingPanelController::screenParametersChanged() {
    if (!window_.surface) return;
    const QRectF current = window_.surface->frame();
    const auto move = PanelReanchor::afterScreenChange(window_.resting, current,
                                                       isCardMode(isCardOpen(), current.height()),
                                                       cardSide_.opensUpward(), screens_);
    if (move) {
        window_.resting = move->resting;
        if (move->window)
            window_.surface->setFrame(*move->window);
        else
            window_.surface->setOrigin(window_.resting.topLeft());
        store_.save(window_.resting);
    }
    // The screen's edges may have moved without the bar: an open card follows
    // them (the content reports its new width, which re-anchors the window).
    if (!drag_.isDragging()) cardSide_.followShift(window_.resting);
    followAvailableWidth();
}

void FloatingPanelController::followAvailableWidth() {
    if (!window_.surface || drag_.isDragging()) return;
    cardSide_.followWidth(window_.bar());
}

void FloatingPanelController::checkPlacementDirection() {
    if (!window_.surface || drag_.isDragging() || isCardOpen()) return;
    cardSide_.aim(window_.bar());
}

// MARK: - Size reports

void FloatingPanelController::updateContentSize(const QSizeF& size) {
    if (!window_.surface) return;
    if (!std::isfinite(size.width()) || !std::isfinite(size.height())) return;
    if (!(size.width() > 10) || !(size.height() > 10)) return;
    cat_.followBand(window_);
    if (drag_.isDragging()) {
        drag_.holdSize(size);
        return;
    }
    ++sizeReports_;
    applyContentSize(QSizeF(std::floor(size.width()), std::floor(size.height())));
}

void FloatingPanelController::applyContentSize(const QSizeF& floored) {
    const QRectF current = window_.surface->frame();
    const bool cardMode = isCardMode(isCardOpen(), floored.height());

    if (differsByMoreThanOnePoint(floored, current.size())) {
        if (cardMode) {
            // The card grows away from the bar, which stays where it rests: on
            // opening, the card takes the side where it fits (cardShift keeps it
            // inside the screen across).
            if (!cardSide_.isSettled() && window_.hasResting()) {
                const quint64 report = sizeReports_;
                cardSide_.settle(window_.resting, floored.height() - window_.resting.height());
                // The content answered with a card shortened to its room: that
                // report has placed the window.
                if (sizeReports_ != report) return;
            }
            window_.surface->setFrame(
                PanelReanchor::frame(window_.resting, floored, cardSide_.opensUpward(), PanelHorizontalPin::center));
        } else {
            cardSide_.release();
            checkPlacementDirection();
            const PanelPlacement::Anchor anchor = placement_.anchorFor(floored, window_.hasResting() ? window_.resting : current);
            const QRectF next = screens_.clampToScreensAtWholePixels(
                PanelReanchor::frame(anchor.frame, floored, cardSide_.opensUpward(), anchor.pin));
            window_.resting = next;
            window_.surface->setFrame(next);
            store_.save(window_.resting);
        }
    } else {
        if (cardMode) return;
        cardSide_.release();
        placement_.forget();
        window_.resting = current;
        store_.save(window_.resting);
    }
    reveal_.contentReported();
}

// MARK: - Mouse

void FloatingPanelController::handleMouseEvent(MouseEventKind kind, const QPointF& globalPosition,
                                               bool inPanelWindow) {
    if (!window_.surface) return;
    const QRectF panelFrame = window_.surface->frame();
    const QPointF location = globalPosition - panelFrame.topLeft();
    const bool cardOpen = isCardOpen();
    const bool upward = cardSide_.opensUpward();
    const double band = barBand();
    const bool insideBar = PanelHitTest::isLocationInsideBar(location, panelFrame.size(), upward, band);
    const bool insideCard =
        PanelHitTest::isLocationInsideCard(location, panelFrame.size(), upward, band, cardOpen, cardSide_.cardShift());

    switch (kind) {
    case MouseEventKind::rightDown:
        if (!insideCard) closer_.closeIfOpen();
        break;
    case MouseEventKind::leftDown:
        if (cat_.ownsPress()) break;
        if (!inPanelWindow) {
            drag_.pressElsewhere();
            closer_.closeIfOpen();
        } else if (insideBar) {
            drag_.press(location, globalPosition,
                        cardOpen ? PanelHitTest::barFrameWithin(panelFrame, window_.resting.size(), upward)
                                 : panelFrame);
        } else {
            drag_.pressElsewhere();
            if (!insideCard) closer_.closeIfOpen();
        }
        break;
    case MouseEventKind::leftDragged:
        if (cat_.isCatDragging() || !inPanelWindow) break;
        drag_.move(location, globalPosition);
        break;
    case MouseEventKind::leftUp:
        drag_.release();
        break;
    }
}

bool FloatingPanelController::eventFilter(QObject* watched, QEvent* event) {
    // Each mouse event reaches its window first and its widget after; looking at
    // the window's copy sees every event once, before any widget acts on it.
    if (!window_.surface || !watched->isWindowType()) return QObject::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && window_.surface->isWindow(watched) &&
        static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape && isCardOpen()) {
        closer_.closeIfOpen();
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
    if (kind) handleMouseEvent(*kind, mouse->globalPosition(), window_.surface->isWindow(watched));
    return QObject::eventFilter(watched, event); // never swallowed: the widgets still get every click
}

} // namespace meterix
