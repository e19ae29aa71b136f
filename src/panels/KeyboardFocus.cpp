#include "panels/KeyboardFocus.h"

#include "design/AccentColor.h"
#include "design/ShapePainting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace meterix {

namespace {

// Shown within root: the widget and all its parents up to root are visible.
bool shownIn(const QWidget* w, const QWidget* root) {
    return w->isVisibleTo(root) && w->isEnabled() && !w->testAttribute(Qt::WA_TransparentForMouseEvents) &&
           !w->property(KeyboardFocus::passedByProperty).toBool();
}

// Part of another button (a row's leading or trailing view).
bool insideAnotherButton(const QWidget* w, const QWidget* root) {
    for (const QWidget* p = w->parentWidget(); p && p != root; p = p->parentWidget())
        if (qobject_cast<const QAbstractButton*>(p)) return true;
    return false;
}

} // namespace

KeyboardFocus::KeyboardFocus(QWidget* root, std::function<QWidget*()> scope)
    : QObject(root), root_(root), scope_(std::move(scope)) {
    // Only the root's window and the control with focus are watched: the
    // application's other events (a cat's repaints) never pass through here.
    root->installEventFilter(this);
    watchWindow();
    // The ring follows focus: the control that lost it is drawn without.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this, &KeyboardFocus::followFocus);
}

void KeyboardFocus::followFocus(QWidget* old, QWidget* now) {
    if (!root_) return;
    for (QWidget* w : {old, now})
        if (w && root_->isAncestorOf(w)) w->update();
    if (ringed_) ringed_->removeEventFilter(this);
    // Only a control wears the ring (a widget that took focus by itself does not).
    ringed_ = now && root_->isAncestorOf(now) && qobject_cast<QAbstractButton*>(now) ? now : nullptr;
    if (ringed_) ringed_->installEventFilter(this);
    if (now && root_->isAncestorOf(now)) {
        lastIndex_ = chain(scope()).indexOf(now);
        return;
    }
    // Once the change that took it is over (a screen built anew), focus goes
    // to the control in its place.
    if (old && root_->isAncestorOf(old)) {
        lost_ = old;
        QTimer::singleShot(0, this, &KeyboardFocus::restore);
    }
}

void KeyboardFocus::restore() {
    // Only for a control that went; focus taken away on purpose stays away.
    if (lost_ && lost_->isVisibleTo(root_)) return;
    if (!root_ || lastIndex_ < 0 || !root_->isVisible() || !root_->window()->isActiveWindow() ||
        holdsFocus(root_) || (QApplication::focusWidget() && QApplication::focusWidget()->window() == root_->window()))
        return;
    const QList<QWidget*> controls = chain(scope());
    if (controls.isEmpty()) return;
    controls[std::min(lastIndex_, controls.size() - 1)]->setFocus(Qt::OtherFocusReason);
}

QWidget* KeyboardFocus::scope() const {
    QWidget* s = scope_ ? scope_() : nullptr;
    return s ? s : root_.data();
}

KeyboardFocus::~KeyboardFocus() = default;

void KeyboardFocus::watchWindow() {
    QWidget* window = root_ ? root_->window() : nullptr;
    QWindow* handle = window ? window->windowHandle() : nullptr;
    if (handle == window_) return;
    if (window_) window_->removeEventFilter(this);
    window_ = handle;
    if (handle) handle->installEventFilter(this);
}

QList<QWidget*> KeyboardFocus::chain(const QWidget* root) {
    QList<QWidget*> controls;
    if (!root) return controls;
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
        if (shownIn(b, root) && !insideAnotherButton(b, root)) controls.append(b);
    const auto place = [root](const QWidget* w) { return w->mapTo(root, QPoint(0, 0)); };
    std::stable_sort(controls.begin(), controls.end(), [&](const QWidget* a, const QWidget* b) {
        const QPoint pa = place(a), pb = place(b);
        // Controls on one line (their tops a few pixels apart) go left to right.
        const int rowGap = std::min(a->height(), b->height()) / 2;
        if (std::abs(pa.y() - pb.y()) > rowGap) return pa.y() < pb.y();
        return pa.x() < pb.x();
    });
    return controls;
}

bool KeyboardFocus::holdsFocus(const QWidget* root) {
    QWidget* focus = QApplication::focusWidget();
    return root && focus && root->isAncestorOf(focus);
}

bool KeyboardFocus::move(QWidget* root, bool forward) {
    const QList<QWidget*> controls = chain(root);
    if (controls.isEmpty()) return false;
    const qsizetype at = controls.indexOf(QApplication::focusWidget());
    qsizetype next;
    if (at < 0) next = forward ? 0 : controls.size() - 1;
    else next = (at + (forward ? 1 : controls.size() - 1)) % controls.size();
    QWidget* target = controls[next];
    target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    // A control in a scrolling area comes into sight.
    for (QWidget* p = target->parentWidget(); p && p != root; p = p->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(p)) {
            area->ensureWidgetVisible(target, 0, 8);
            break;
        }
    return true;
}

bool KeyboardFocus::focusFirst(QWidget* root) {
    const QList<QWidget*> controls = chain(root);
    if (controls.isEmpty()) return false;
    controls.first()->setFocus(Qt::TabFocusReason);
    return true;
}

QRectF KeyboardFocus::ringRect(const QWidget* control) {
    const double inset = ringWidth / 2;
    return QRectF(control->rect()).adjusted(inset, inset, -inset, -inset);
}

bool KeyboardFocus::handleKey(QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods != Qt::NoModifier) return false; // the panel's shortcuts are not ours
    switch (key->key()) {
    case Qt::Key_Tab:
        return move(scope(), !(key->modifiers() & Qt::ShiftModifier));
    case Qt::Key_Backtab:
    case Qt::Key_Up:
        return move(scope(), false);
    case Qt::Key_Down:
        return move(scope(), true);
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        if (!button || !chain(scope()).contains(button)) return false;
        button->click();
        return true;
    }
    default:
        return false;
    }
}

void KeyboardFocus::paintRing(QWidget* control) {
    QPainter p(control);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = ringRect(control);
    const QVariant asked = control->property(radiusProperty);
    const double radius = asked.isValid() ? asked.toDouble() : std::min(8.0, r.height() / 2);
    p.setPen(QPen(accentColor(), ringWidth));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRectPath(r, std::min(radius, r.height() / 2)));
}

bool KeyboardFocus::eventFilter(QObject* watched, QEvent* event) {
    if (!root_) return QObject::eventFilter(watched, event);
    if (watched == root_ && (event->type() == QEvent::Show || event->type() == QEvent::ParentChange))
        watchWindow();
    if (event->type() == QEvent::KeyPress && watched->isWindowType()) {
        // The window's copy comes first, before any widget takes Tab or the arrows.
        const QWidget* window = root_->window();
        if (root_->isVisible() && window && watched == window->windowHandle() &&
            handleKey(static_cast<QKeyEvent*>(event)))
            return true;
    } else if (event->type() == QEvent::Paint && !painting_ && watched == ringed_ &&
               watched == QApplication::focusWidget()) {
        // The control paints itself first; the ring goes over it.
        auto* control = static_cast<QWidget*>(watched);
        painting_ = true;
        QCoreApplication::sendEvent(control, event);
        painting_ = false;
        paintRing(control);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace meterix
