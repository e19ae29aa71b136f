#include "shell/FloatingPanel.h"

#include "platform/ui/X11WindowTraits.h"
#include "shell/ScreenPlacementEngine.h"

#include <QEvent>
#include <QWindow>

#include <cmath>

namespace meterix {

FloatingPanel::FloatingPanel(const QRectF& contentRect, QWidget* content)
    : QWidget(nullptr, panelFlags()), content_(content) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The bar is never the active window: without this its segments' tooltips
    // would never show.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Meterix"));
    if (content_) {
        content_->setParent(this);
        content_->installEventFilter(this);
    }
    setFrame(contentRect);
    if (X11WindowTraits::isAvailable()) {
        // The window manager reads these when it first manages the window.
        winId();
        X11WindowTraits::applyFloatingTraits(windowHandle());
        shaped_ = !X11WindowTraits::compositorRunning();
    }
}

Qt::WindowFlags FloatingPanel::panelFlags() {
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
           Qt::NoDropShadowWindowHint;
}

void FloatingPanel::setSolidRegion(const QRegion& region, bool uncoveredRepainted) {
    solidRegion_ = region;
    if (!shaped_ || !windowHandle()) return;
    // The shape goes to the X window alone: a widget mask would also make Qt
    // cut every flush of the window into one piece per row of the rounded
    // outline, and upload each piece on its own.
    const auto reshape = [this, &region] {
        windowHandle()->setMask(region.isEmpty() ? QRegion(rect()) : region);
    };
    // Each step of the cat grows the shape by a few cells; their exposure
    // would only flush again the pixels the cat's repaint is about to send.
    if (uncoveredRepainted)
        X11WindowTraits::withoutExposures(windowHandle(), reshape);
    else
        reshape();
}

QRectF FloatingPanel::frame() const { return QRectF(geometry()); }

void FloatingPanel::setFrame(const QRectF& frame) {
    const QRect r = ScreenPlacementEngine::windowRect(frame);
    if (r != geometry()) setGeometry(r);
    // A hidden window gets no resize event; the content follows at once anyway.
    if (content_) content_->setGeometry(QRect(QPoint(), r.size()));
}

void FloatingPanel::setOrigin(const QPointF& origin) {
    const QPoint p = ScreenPlacementEngine::windowRect(QRectF(origin, QSizeF(1, 1))).topLeft();
    if (p != pos()) move(p);
}

void FloatingPanel::reveal() {
    if (revealed_) return;
    revealed_ = true;
    show();
}

void FloatingPanel::orderFront() {
    if (!revealed_) return;
    if (!isVisible()) show();
    raise();
}

void FloatingPanel::setTakesKeyboard(bool takes) {
    QWindow* handle = windowHandle();
    if (!handle) return;
    // The window's own flag: the widget's would unmap and map the window again.
    handle->setFlag(Qt::WindowDoesNotAcceptFocus, !takes);
    if (takes && isVisible()) handle->requestActivate();
}

bool FloatingPanel::isWindow(const QObject* window) const {
    return window && windowHandle() && window == windowHandle();
}

void FloatingPanel::resizeEvent(QResizeEvent* event) {
    if (content_) content_->setGeometry(rect());
    QWidget::resizeEvent(event);
}

bool FloatingPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::Paint && !painted_ && isVisible()) {
        painted_ = true;
        Q_EMIT firstPainted();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace meterix
