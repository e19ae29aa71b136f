#include "shell/TabBarLoadingBar.h"

#include "platform/ui/Appearance.h"
#include "design/AnimationCurves.h"
#include "design/EndlessPulse.h"
#include "design/JellySprings.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QLinearGradient>
#include <QPainter>

namespace meterix {

TabBarLoadingBar::TabBarLoadingBar(const Appearance& appearance, QWidget* parent)
    : QWidget(parent), appearance_(appearance), sweep_(new EndlessPulse(this, 1.1, EasedSpec::easeInOut(), false)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    fade_.setDuration(200);
    fade_.setEasingCurve(easeOutCurve());
    connect(&fade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        shown_ = v.toDouble();
        update();
    });
    connect(&fade_, &QVariantAnimation::finished, this, [this] {
        if (!refreshing_) hide();
    });
    showDelay_.setSingleShot(true);
    showDelay_.setInterval(showDelayMs);
    connect(&showDelay_, &QTimer::timeout, this, [this] {
        if (refreshing_) fadeTo(true);
    });
    hide();
}

void TabBarLoadingBar::setRefreshing(bool refreshing) {
    if (refreshing == refreshing_) return;
    refreshing_ = refreshing;
    if (refreshing && isHidden() && parentWidget() && parentWidget()->isVisible()) {
        showDelay_.start(); // shown only if the refresh is still running then
        return;
    }
    showDelay_.stop();
    fadeTo(refreshing);
}

void TabBarLoadingBar::fadeTo(bool shown) {
    fade_.stop();
    if (shown) {
        hide(); // a fresh show restarts the sweep from beyond the leading edge
        show();
    }
    const double target = shown ? 1.0 : 0.0;
    if (!parentWidget() || !parentWidget()->isVisible()) {
        shown_ = target;
        setVisible(shown);
        return;
    }
    fade_.setStartValue(shown_);
    fade_.setEndValue(target);
    fade_.start();
}

void TabBarLoadingBar::setTint(const QColor& tint) {
    if (tint == tint_) return;
    tint_ = tint;
    update();
}

double TabBarLoadingBar::sweepOffset() const {
    if (appearance_.reduceMotion()) return 0.25;
    return -0.5 + (1.1 - -0.5) * sweep_->value();
}

void TabBarLoadingBar::paintEvent(QPaintEvent*) {
    if (shown_ <= 0) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(shown_);
    const double w = width();
    const QRectF strip(0, height() - stripHeight, w, stripHeight);
    const QPainterPath capsule = roundedRectPath(strip, stripHeight / 2);
    p.setClipPath(capsule);
    p.fillPath(capsule, withOpacity(tint_, 0.18));
    const double sweepW = sweepWidth(w);
    const QRectF sweep(w * sweepOffset(), strip.top(), sweepW, stripHeight);
    QLinearGradient g(sweep.topLeft(), sweep.topRight());
    const double stops[] = {0, 0.4, 1, 0.7, 0};
    for (int i = 0; i < 5; ++i) g.setColorAt(i / 4.0, withOpacity(tint_, stops[i]));
    p.fillPath(roundedRectPath(sweep, stripHeight / 2), g);
}

} // namespace meterix
