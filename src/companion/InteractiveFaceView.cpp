#include "companion/InteractiveFaceView.h"

#include "companion/CatRandomSource.h"
#include "companion/FaceBlinkLoop.h"
#include "design/EndlessPulse.h"
#include "design/JellySprings.h"
#include "design/MeterixFont.h"
#include "design/Surface.h"
#include "platform/ui/SymbolImage.h"

#include <QPainter>
#include <QPainterPath>

namespace meterix {

namespace {

constexpr double kBreathDepth = -0.5;

struct Layout {
    double spacing;
    QSizeF eye;
    QSizeF mark;
};

Layout layoutOf(CharacterState s) {
    switch (s) {
    case CharacterState::energetic:
        return {3.5, {3.2, 3.2}, {3.5, 3.0}};
    case CharacterState::focused:
        return {3.0, {2.8, 2.8}, {2.8, 0.8}};
    case CharacterState::tired:
        return {3.0, {3, 3}, {2, 2}};
    case CharacterState::sleeping:
        return {2.5, {3.0, 0.9}, {5, 8}};
    case CharacterState::celebrating:
        return {3.0, {SymbolImage::boxSide(4.5), SymbolImage::boxSide(4.5)}, {4.0, 3.0}};
    }
    return {3, {3, 3}, {3, 3}};
}

QPainterPath smile(QPointF from, QPointF control, QPointF to) {
    QPainterPath p(from);
    p.quadTo(control, to);
    return p;
}

} // namespace

InteractiveFaceView::InteractiveFaceView(CharacterState state, QSizeF pupilOffset, QWidget* parent,
                                         TimerSource* timers, CatRandomSource* random, CatMotion motion)
    : QWidget(parent), state_(state), pupilOffset_(pupilOffset),
      animationClock_(std::chrono::milliseconds(16), std::move(motion)) {
    setAttribute(Qt::WA_TranslucentBackground);
    if (!timers) {
        ownTimers_ = std::make_unique<QtTimerSource>();
        timers = ownTimers_.get();
    }
    blink_ = std::make_unique<FaceBlinkLoop>(
        *timers, random ? *random : CatRandomSource::system(), [this](bool b) {
            eyeScale_.animateTo(b ? 0.1 : 1.0, CatAnimation::easeInOut(JellySprings::blink.duration));
        });
    connect(&eyeScale_, &CatAnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
    breathing_ = new EndlessPulse(this, JellySprings::pulse.duration, EasedSpec::easeInOut(), true);
}

InteractiveFaceView::~InteractiveFaceView() = default;

void InteractiveFaceView::setState(CharacterState state) {
    if (state == state_) return;
    state_ = state;
    update();
}

bool InteractiveFaceView::isBlinking() const {
    return blink_->isBlinking();
}

double InteractiveFaceView::breathingOffset() const {
    return kBreathDepth * breathing_->value();
}

void InteractiveFaceView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    blink_->start();
}

void InteractiveFaceView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    blink_->stop();
}

void InteractiveFaceView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Layout l = layoutOf(state_);
    const double total = 2 * l.eye.width() + 2 * l.spacing + l.mark.width();
    const QPointF origin((width() - total) / 2, height() / 2.0 + breathingOffset());
    const QColor primary = LabelColor::primary();
    const QColor secondary = LabelColor::secondary();
    auto eyeRect = [&](int i) {
        const double x = origin.x() + i * (l.eye.width() + 2 * l.spacing + l.mark.width());
        return QRectF(x, origin.y() - l.eye.height() / 2, l.eye.width(), l.eye.height());
    };
    const QRectF mark(origin.x() + l.eye.width() + l.spacing, origin.y() - l.mark.height() / 2,
                      l.mark.width(), l.mark.height());
    // Eyes that blink are squashed about their centre.
    auto blinking = [&](const QRectF& r) {
        const double h = r.height() * eyeScale_.value();
        return QRectF(r.left(), r.center().y() - h / 2, r.width(), h);
    };
    const QPointF pupils(pupilOffset_.width(), pupilOffset_.height());
    p.setPen(Qt::NoPen);

    switch (state_) {
    case CharacterState::energetic:
        p.setBrush(primary);
        for (int i = 0; i < 2; ++i)
            p.drawEllipse(blinking(eyeRect(i).translated(pupils)));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(primary, 0.9, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(smile(mark.topLeft() + QPointF(0, 1), mark.topLeft() + QPointF(1.75, 3),
                         mark.topLeft() + QPointF(3.5, 1)));
        break;
    case CharacterState::focused:
        p.setBrush(primary);
        for (int i = 0; i < 2; ++i)
            p.drawRoundedRect(blinking(eyeRect(i).translated(pupils)), 1, 1);
        p.setBrush(withOpacity(primary, 0.8));
        p.drawRect(mark);
        break;
    case CharacterState::tired: {
        p.setPen(QPen(withOpacity(primary, 0.8), 0.9, Qt::SolidLine, Qt::RoundCap));
        const QRectF a = eyeRect(0), b = eyeRect(1);
        p.drawLine(a.topLeft() + QPointF(0, 1.5), a.topLeft() + QPointF(3, 2.5));
        p.drawLine(b.topLeft() + QPointF(0, 2.5), b.topLeft() + QPointF(3, 1.5));
        p.setPen(QPen(withOpacity(primary, 0.7), 0.8));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(mark.adjusted(0.4, 0.4, -0.4, -0.4));
        break;
    }
    case CharacterState::sleeping: {
        p.setBrush(secondary);
        for (int i = 0; i < 2; ++i)
            p.drawRoundedRect(eyeRect(i), 0.45, 0.45);
        p.setPen(secondary);
        p.setFont(MeterixFont::rounded(8, QFont::Bold));
        p.drawText(mark.translated(0, -2.5), Qt::AlignCenter, QStringLiteral("z"));
        break;
    }
    case CharacterState::celebrating:
        for (int i = 0; i < 2; ++i)
            SymbolImage::paint(p, eyeRect(i).center(), 4.5, QStringLiteral("star.fill"), primary);
        p.setPen(QPen(primary, 1, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(smile(mark.topLeft() + QPointF(0, 0.5), mark.topLeft() + QPointF(2, 3.5),
                         mark.topLeft() + QPointF(4, 0.5)));
        break;
    }
}

} // namespace meterix
