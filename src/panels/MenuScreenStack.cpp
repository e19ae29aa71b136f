#include "panels/MenuScreenStack.h"

#include "panels/KeyboardFocus.h"
#include "panels/MenuBarNavigator.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace meterix {

namespace {

void setOpacity(QWidget* view, double opacity) {
    if (!view) return;
    if (opacity >= 1) {
        // At rest the screen is drawn directly: an effect renders through a
        // pixmap and costs every repaint.
        view->setGraphicsEffect(nullptr);
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        view->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

// A screen taken off the stack goes at once from view, and from memory once the
// event loop comes round: the click that moved away may still be running in it.
void discard(QPointer<QWidget>& view) {
    if (!view) return;
    QWidget* w = view.data();
    view = nullptr;
    w->hide();
    w->setParent(nullptr);
    w->deleteLater();
}

} // namespace

MenuScreenStack::MenuScreenStack(QWidget* parent) : QWidget(parent), slide_(JellySprings::popover, 1.0) {
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&slide_, &SpringAnimator::valueChanged, this, &MenuScreenStack::applySlide);
    connect(&slide_, &QAbstractAnimation::finished, this, &MenuScreenStack::finishSlide);
    // The keys move through the screen shown, not the one sliding out.
    new KeyboardFocus(this, [this] { return current_.data(); });
}

void MenuScreenStack::registerScreen(MenuBarScreen::Kind kind, Factory factory) {
    factories_.insert(kind, std::move(factory));
}

void MenuScreenStack::follow(MenuBarNavigator& navigator) {
    connect(&navigator, &MenuBarNavigator::screenChanged, this,
            [this, &navigator](const MenuBarScreen& screen, bool animated) {
                showScreen(screen, animated, navigator.isForward());
            });
    showScreen(navigator.screen(), false, navigator.isForward());
}

QWidget* MenuScreenStack::build(const MenuBarScreen& screen) {
    auto it = factories_.constFind(screen.kind());
    if (it == factories_.constEnd()) it = factories_.constFind(MenuBarScreen::Kind::overview);
    QWidget* view = it == factories_.constEnd() ? nullptr : (*it)(screen);
    if (!view) view = new QWidget();
    return view;
}

void MenuScreenStack::adopt(QWidget* view) {
    view->setParent(this);
    view->installEventFilter(this);
    view->show();
}

void MenuScreenStack::showScreen(const MenuBarScreen& screen, bool animated, bool forward) {
    // A keyboard user who moved on goes on from the new screen's first control.
    const bool keyboard = KeyboardFocus::holdsFocus(this);
    swapTo(screen, animated, forward);
    if (keyboard && current_) KeyboardFocus::focusFirst(current_);
}

void MenuScreenStack::swapTo(const MenuBarScreen& screen, bool animated, bool forward) {
    if (!animated) {
        // Instant: whatever was sliding stops where it should end.
        slide_.setTarget(1.0, false);
        discard(outgoing_);
        if (!current_ || screen != screen_) {
            discard(current_);
            screen_ = screen;
            current_ = build(screen);
            adopt(current_);
        }
        setOpacity(current_, 1);
        placeViews();
        remeasure();
        return;
    }
    if (current_ && screen == screen_) return;
    // A move during a slide: the slide under way ends at once (its outgoing
    // screen goes), and the screen that was coming in leaves.
    slide_.setTarget(1.0, false);
    discard(outgoing_);
    outgoing_ = current_;
    outgoingDy_ = 0;
    screen_ = screen;
    current_ = build(screen);
    adopt(current_);
    transition_ = MenuPushTransition::menuPush(forward);
    slide_.setTarget(0.0, false);
    placeViews();
    applySlide(0.0);
    slide_.setTarget(1.0, isVisible());
    if (!isVisible()) finishSlide();
    remeasure();
}

void MenuScreenStack::rebuildCurrent() {
    slide_.setTarget(1.0, false);
    discard(outgoing_);
    discard(current_);
    current_ = build(screen_);
    adopt(current_);
    placeViews();
    remeasure();
}

void MenuScreenStack::shiftOutgoing(int dy) {
    if (!outgoing_) return;
    outgoingDy_ = dy;
    applySlide(slide_.value());
}

void MenuScreenStack::applySlide(double t) {
    const PushOffsetEffect in = transition_.incomingAt(t);
    if (current_) {
        current_->move(int(std::lround(in.dx)), 0);
        setOpacity(current_, in.opacity);
    }
    if (outgoing_) {
        const PushOffsetEffect out = transition_.outgoingAt(t);
        outgoing_->move(int(std::lround(out.dx)), outgoingDy_);
        setOpacity(outgoing_, out.opacity);
    }
}

void MenuScreenStack::finishSlide() {
    if (slide_.state() == QAbstractAnimation::Running) return;
    discard(outgoing_);
    if (current_) {
        current_->move(0, 0);
        setOpacity(current_, 1);
    }
    remeasure();
}

double MenuScreenStack::heightOf(QWidget* view, int width) {
    if (!view) return 0;
    const int wanted = view->hasHeightForWidth() ? view->heightForWidth(width) : view->sizeHint().height();
    return std::clamp(wanted, view->minimumHeight(), view->maximumHeight());
}

double MenuScreenStack::measuredHeight() const {
    return std::max(heightOf(current_, width()), heightOf(outgoing_, width()));
}

void MenuScreenStack::placeViews() {
    for (QWidget* view : {current_.data(), outgoing_.data()}) {
        if (!view) continue;
        view->resize(width(), std::max(1, int(std::ceil(heightOf(view, width())))));
    }
    if (!isSliding() && current_) current_->move(0, 0);
}

void MenuScreenStack::remeasure() {
    remeasureQueued_ = false;
    placeViews();
    const double h = measuredHeight();
    if (h == reported_) return;
    reported_ = h;
    Q_EMIT measuredHeightChanged(h);
}

void MenuScreenStack::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    remeasure();
}

bool MenuScreenStack::eventFilter(QObject* watched, QEvent* event) {
    // A screen whose content changed asks its layout again; the new height is
    // taken once the event loop comes round, after all of a change's updates.
    if ((watched == current_ || watched == outgoing_) && event->type() == QEvent::LayoutRequest &&
        !remeasureQueued_) {
        remeasureQueued_ = true;
        QTimer::singleShot(0, this, &MenuScreenStack::remeasure);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace meterix
