#include "shell/MenuBarPanelController.h"

#include "design/AnimationCurves.h"
#include "platform/ui/GlobalMouseMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>

namespace meterix {

MenuBarPanelController::MenuBarPanelController(ScreenPlacementEngine& placement, TimerSource& timers,
                                               const Clock& clock, QObject* parent)
    : QObject(parent), placement_(placement), timers_(timers), clock_(clock) {}

MenuBarPanelController::~MenuBarPanelController() {
    if (panel_ && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
    if (settleToken_) timers_.cancel(settleToken_);
}

void MenuBarPanelController::setGlobalMouseMonitor(std::unique_ptr<GlobalMouseMonitor> monitor) {
    globalMonitor_ = std::move(monitor);
    if (!globalMonitor_) return;
    connect(globalMonitor_.get(), &GlobalMouseMonitor::mouseDown, this,
            &MenuBarPanelController::hideForOutsideClick);
    globalMonitor_->setListening(monitoring_);
}

// MARK: - Pure rules

bool MenuBarPanelController::acceptsContentSize(const QSizeF& size, const QSizeF& current) {
    if (!std::isfinite(size.width()) || !std::isfinite(size.height())) return false;
    if (!(size.width() > 1) || !(size.height() > 1)) return false;
    return std::abs(size.width() - current.width()) > 0.5 || std::abs(size.height() - current.height()) > 0.5;
}

MenuBarPanelController::KeyCommand MenuBarPanelController::keyCommand(int key,
                                                                      Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Escape) return KeyCommand::hide;
    if (!(modifiers & Qt::ControlModifier)) return KeyCommand::none;
    switch (key) {
    case Qt::Key_R:
        return KeyCommand::refreshAll;
    case Qt::Key_Comma:
        return KeyCommand::openSettings;
    case Qt::Key_Q:
        return KeyCommand::quit;
    case Qt::Key_W:
        return KeyCommand::hide;
    default:
        return KeyCommand::none;
    }
}

QRectF MenuBarPanelController::cardFrame(const QRectF& panelFrame) {
    return panelFrame.adjusted(cardMargin, cardMargin, -cardMargin, -cardMargin);
}

QEasingCurve MenuBarPanelController::resizeCurve() {
    return cubicBezierCurve(QPointF(0.22, 1.0), QPointF(0.36, 1.0));
}

// MARK: - Window

QRectF MenuBarPanelController::anchoredFrame(const QSizeF& size) const {
    return ScreenPlacementEngine::statusPanelFrame(size, anchorRect_, placement_.screens());
}

void MenuBarPanelController::limitContentHeight() {
    // Told before the frame is taken: the content reports its shortened size
    // at once, and the panel opens at that size.
    panel_->setContentHeightLimit(ScreenPlacementEngine::statusPanelHeightLimit(anchorRect_, placement_.screens()));
}

void MenuBarPanelController::ensurePanelCreated() {
    if (panel_ || !panelFactory_) return;
    panel_ = panelFactory_(QRectF(QPointF(0, 0), contentSize_));
    if (panel_ && QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

void MenuBarPanelController::toggle(const QRectF& iconFrame) {
    if (isVisible_) {
        hide();
        return;
    }
    // A tray that tells where its icon is shows it in a window of ours, whose
    // clicks never close the panel as outside ones; one that does not is another
    // program, and its click on the icon may just have closed the panel.
    if (iconFrame.isEmpty() && lastOutsideHide_ &&
        std::chrono::duration<double>(clock_.monotonicNow() - *lastOutsideHide_).count() < trayRaceSeconds)
        return;
    const QRectF anchor = iconFrame.isEmpty() ? ScreenPlacementEngine::pointerAnchor(hooks_.pointer ? hooks_.pointer() : QPointF(),
                                                              placement_.screens())
                                              : iconFrame;
    show(anchor);
}

void MenuBarPanelController::show(const QRectF& anchor) {
    ensurePanelCreated();
    if (!panel_) return;
    if (!anchor.isEmpty()) anchorRect_ = anchor;
    if (hooks_.resetNavigation) hooks_.resetNavigation();
    limitContentHeight();

    const QRectF target = anchoredFrame(contentSize_);
    panel_->setFrame(target.translated(0, -slideDistance));
    panel_->setAlpha(0);
    panel_->orderFront();
    const bool wasVisible = isVisible_;
    isVisible_ = true;
    isSettling_ = true;
    panel_->animate(target, 1, showSeconds, easeOutCurve(), {});

    if (settleToken_) timers_.cancel(settleToken_);
    settleToken_ = timers_.start(std::chrono::milliseconds(std::lround(settleSeconds * 1000)), [this] {
        settleToken_ = 0;
        isSettling_ = false;
    });
    stopEventMonitoring();
    startEventMonitoring();
    if (hooks_.refreshOnOpen) hooks_.refreshOnOpen();
    if (!wasVisible) Q_EMIT visibilityChanged(true);
}

void MenuBarPanelController::hide() {
    if (!panel_ || !isVisible_) return;
    stopEventMonitoring();
    isVisible_ = false;
    isSettling_ = false;
    if (settleToken_) timers_.cancel(settleToken_);
    settleToken_ = 0;
    panel_->animate(panel_->frame(), 0, hideSeconds, easeInCurve(), [this] {
        // A show during the fade keeps the panel on screen.
        if (isVisible_ || !panel_) return;
        panel_->orderOut();
        if (hooks_.resetNavigation) hooks_.resetNavigation();
    });
    Q_EMIT visibilityChanged(false);
}

void MenuBarPanelController::hideForOutsideClick() {
    if (!isVisible_) return;
    lastOutsideHide_ = clock_.monotonicNow();
    hide();
}

void MenuBarPanelController::updateContentSize(const QSizeF& size) {
    if (!acceptsContentSize(size, contentSize_)) return;
    contentSize_ = size;
    if (!panel_ || !isVisible_) return;
    const QRectF target = anchoredFrame(size);
    if (isSettling_)
        panel_->setFrame(target);
    else
        panel_->animate(target, 1, resizeSeconds, resizeCurve(), {});
}

// MARK: - Keys and clicks

bool MenuBarPanelController::handleKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    switch (keyCommand(key, modifiers)) {
    case KeyCommand::none:
        return false;
    case KeyCommand::hide:
        hide();
        return true;
    case KeyCommand::refreshAll:
        if (hooks_.refreshAll) hooks_.refreshAll();
        return true;
    case KeyCommand::openSettings:
        if (hooks_.openSettings) hooks_.openSettings();
        return true;
    case KeyCommand::quit:
        if (hooks_.quit) hooks_.quit();
        return true;
    }
    return false;
}

void MenuBarPanelController::handleMouseDown(const QPointF& globalPosition) {
    if (!isVisible_ || !panel_) return;
    // The transparent margin around the card counts as outside.
    if (cardFrame(panel_->frame()).contains(globalPosition)) return;
    // A click on the status item reaches its own toggle, which closes the panel.
    if (hooks_.statusItemFrame) {
        const QRectF item = hooks_.statusItemFrame();
        if (!item.isEmpty() && item.contains(globalPosition)) return;
    }
    hide();
}

void MenuBarPanelController::startEventMonitoring() {
    monitoring_ = true;
    if (globalMonitor_) globalMonitor_->setListening(true);
}

void MenuBarPanelController::stopEventMonitoring() {
    monitoring_ = false;
    if (globalMonitor_) globalMonitor_->setListening(false);
}

bool MenuBarPanelController::eventFilter(QObject* watched, QEvent* event) {
    // Each event reaches its window before any widget: looking at the window's
    // copy sees it once, and a key taken here never reaches the content.
    if (!monitoring_ || !panel_ || !watched->isWindowType()) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (!panel_->isWindow(watched)) break;
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (handleKeyDown(key->key(), key->modifiers())) return true;
        break;
    }
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton)
            handleMouseDown(mouse->globalPosition());
        break; // the press still reaches its target
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace meterix
