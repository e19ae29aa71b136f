#include "shell/MenuBarPanel.h"

#include "shell/ScreenPlacementEngine.h"

#include "design/ShapePainting.h"
#include "platform/ui/X11WindowTraits.h"

#include <QPainterPath>
#include <QRegion>
#include <QWindow>

#include <cmath>

namespace meterix {

MenuBarPanel::MenuBarPanel(const QRectF& frame, QWidget* content, double cardMargin, double cardRadius)
    : QWidget(nullptr, panelFlags()), content_(content), cardMargin_(cardMargin), cardRadius_(cardRadius) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
    setWindowTitle(windowTitleText);
    if (content_) content_->setParent(this);
    animation_.setStartValue(0.0);
    animation_.setEndValue(1.0);
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        const double t = v.toDouble();
        const QRectF f(fromFrame_.x() + (toFrame_.x() - fromFrame_.x()) * t,
                       fromFrame_.y() + (toFrame_.y() - fromFrame_.y()) * t,
                       fromFrame_.width() + (toFrame_.width() - fromFrame_.width()) * t,
                       fromFrame_.height() + (toFrame_.height() - fromFrame_.height()) * t);
        applyFrame(f);
        applyAlpha(fromAlpha_ + (toAlpha_ - fromAlpha_) * t);
    });
    connect(&animation_, &QVariantAnimation::finished, this, &MenuBarPanel::finishAnimation);
    applyFrame(frame);
    if (X11WindowTraits::isAvailable()) {
        winId();
        X11WindowTraits::applyFloatingTraits(windowHandle());
        shaped_ = !X11WindowTraits::compositorRunning();
    }
    reshape();
}

MenuBarPanel::~MenuBarPanel() = default;

Qt::WindowFlags MenuBarPanel::panelFlags() {
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint;
}

QRectF MenuBarPanel::frame() const {
    return QRectF(geometry());
}

void MenuBarPanel::applyFrame(const QRectF& frame) {
    const QRect r = ScreenPlacementEngine::windowRect(frame);
    if (r != geometry()) setGeometry(r);
    if (content_) content_->setGeometry(QRect(QPoint(), r.size()));
}

void MenuBarPanel::setFrame(const QRectF& frame) {
    // A fade under way goes on; its move ends here at once.
    fromFrame_ = toFrame_ = frame;
    applyFrame(frame);
}

void MenuBarPanel::applyAlpha(double alpha) {
    alpha_ = std::clamp(alpha, 0.0, 1.0);
    setWindowOpacity(alpha_);
}

void MenuBarPanel::setAlpha(double alpha) {
    applyAlpha(alpha);
}

void MenuBarPanel::animate(const QRectF& frame, double alpha, double seconds, const QEasingCurve& curve,
                           std::function<void()> done) {
    if (animation_.state() == QAbstractAnimation::Running) {
        animation_.stop(); // its completion runs: cut short, it is over all the same
        finishAnimation();
    }
    fromFrame_ = this->frame();
    toFrame_ = frame;
    fromAlpha_ = alpha_;
    toAlpha_ = alpha;
    done_ = std::move(done);
    animation_.setDuration(std::max(1, int(std::lround(seconds * 1000))));
    animation_.setEasingCurve(curve);
    animation_.start();
}

void MenuBarPanel::finishAnimation() {
    if (animation_.state() == QAbstractAnimation::Running) return;
    auto done = std::move(done_);
    done_ = nullptr;
    if (done) done();
}

void MenuBarPanel::orderFront() {
    if (!isVisible()) show();
    raise();
    activateWindow();
}

void MenuBarPanel::orderOut() {
    QWidget::hide();
}

bool MenuBarPanel::isWindow(const QObject* window) const {
    return window && windowHandle() && window == windowHandle();
}

void MenuBarPanel::resizeEvent(QResizeEvent* event) {
    if (content_) content_->setGeometry(rect());
    reshape();
    QWidget::resizeEvent(event);
}

void MenuBarPanel::reshape() {
    if (!shaped_) return;
    const QRectF card = QRectF(rect()).adjusted(cardMargin_, cardMargin_, -cardMargin_, -cardMargin_);
    setMask(QRegion(roundedRectPath(card, cardRadius_).toFillPolygon().toPolygon()));
}

void MenuBarPanel::setContentHeightLimit(double height) { Q_EMIT contentHeightLimitChanged(height); }

} // namespace meterix
