#include "shell/ProviderSegmentView.h"

#include "design/BaselineEllipsis.h"
#include "core/L10n.h"
#include "design/MissingFigure.h"
#include "core/Numbers.h"
#include "design/TimeTexts.h"
#include "platform/ui/Appearance.h"
#include "design/AnimationCurves.h"
#include "design/CachedPainting.h"
#include "platform/ui/SymbolImage.h"
#include "design/EndlessPulse.h"
#include "design/JellySprings.h"
#include "design/MeterixFont.h"
#include "design/Radius.h"
#include "design/RingGauge.h"
#include "design/RollingDigitsView.h"
#include "design/ShadowCache.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QRadialGradient>
#include <QToolTip>

#include <cmath>

namespace meterix {

namespace {

constexpr double kRingSize = 19;
constexpr double kRingLine = 2.4;
constexpr double kSymbolSize = 8;
constexpr double kHaloSide = 25;
constexpr double kLiveDotSide = 5;
const QColor kLiveGreen(52, 199, 89);

// The "---" of a withheld figure: its font, and the height of its line, made
// once (a segment under the walking cat repaints many times a second).
struct NoFigureType {
    QFont font = [] {
        QFont f = MeterixFont::rounded(11.5, QFont::DemiBold);
        f.setFixedPitch(true);
        return f;
    }();
    double lineHeight = QFontMetricsF(font).height();
};

const NoFigureType& noFigureType() {
    // Kept to the end: fonts must not be destroyed after the application.
    static const NoFigureType* type = new NoFigureType;
    return *type;
}

// Real figures to show: not a placeholder, and a number.
bool hasFigure(const UsageSnapshot& s) {
    return !missingFigureReason(s);
}

QColor tierColor(const UsageSnapshot& s) {
    return toQColor(gradient(usageTierFrom(s.headlineRemainingPercentage)).constFirst());
}

// The colour a segment is picked out in (selected, at work): its tier's, or a
// neutral grey when it shows no figure, for "---" has no tier, least of all
// the critical one of 0 %.
QColor accentOf(const UsageSnapshot& s, bool withheld) {
    return withheld ? LabelColor::secondary() : tierColor(s);
}

void paintShadow(QPainter& p, const QRectF& shape, double cornerRadius, double blur, const QColor& color,
                 double offsetY) {
    if (color.alpha() == 0) return;
    const ShadowCache::Shadow s =
        ShadowCache::roundedRect(shape.size(), cornerRadius, blur, color, p.device()->devicePixelRatioF());
    p.drawPixmap(shape.topLeft() + QPointF(-s.padding, offsetY - s.padding), s.pixmap);
}

} // namespace

ProviderSegmentView::ProviderSegmentView(const UsageSnapshot& snapshot, Appearance& appearance, const Clock& clock,
                                         QWidget* parent)
    : PressableButton(PressableStyle{0.94, 0.75}, parent), appearance_(appearance), clock_(clock),
      snapshot_(snapshot),
      hover_(JellySprings::hover, 0.0), ring_(JellySprings::gauge, 0.0), presence_(JellySprings::layout, 1.0) {
    setCheckable(true); // the accessible "selected" state
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    digits_ = new RollingDigitsView(0, QStringLiteral("%"), MeterixFont::barValue(), LabelColor::primary(),
                                    MeterixFont::rounded(8, QFont::DemiBold), this);
    digits_->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The digits are drawn by this widget, under its press transform; their own
    // paint is skipped, but their updates still repaint this widget beneath.
    digits_->installEventFilter(this);
    settle_.setEasingCurve(easeOutCurve());
    settle_.setDuration(400);
    settle_.setEndValue(0.0);
    connect(&settle_, &QVariantAnimation::valueChanged, this, [this] { update(); });
    connect(&hover_, &SpringAnimator::valueChanged, this, [this] { update(); });
    connect(&ring_, &SpringAnimator::valueChanged, this, [this] { update(); });
    // The digits keep the label colour they were given: a new look gives them a new one.
    connect(&appearance_, &Appearance::changed, this, &ProviderSegmentView::refresh);
    connect(&presence_, &SpringAnimator::valueChanged, this, [this] { update(); });
    resize(sizeHint());
    refresh();
}

ProviderSegmentView::~ProviderSegmentView() = default;

QSize ProviderSegmentView::sizeHint() const {
    return QSize(int(std::ceil(labelWidthFor(form_) + 2 * margin)), int(labelHeight + 2 * margin));
}

QRectF ProviderSegmentView::labelRect() const { return QRectF(margin, margin, labelWidthFor(form_), labelHeight); }

void ProviderSegmentView::setForm(Form form) {
    if (form == form_) return;
    form_ = form;
    resize(sizeHint());
    updateGeometry();
    refresh();
}

QRectF ProviderSegmentView::rowRect() const {
    // Ring cell, gap, percentage: centred in the label as one row; compact, the
    // ring cell alone.
    const QRectF label = labelRect();
    const double row = showsFigure() ? ringCell + spacing + percentWidth : ringCell;
    return QRectF(label.left() + (label.width() - row) / 2, label.top(), row, label.height());
}

bool ProviderSegmentView::hitButton(const QPoint& pos) const { return labelRect().contains(pos); }

void ProviderSegmentView::setSnapshot(const UsageSnapshot& snapshot) {
    snapshot_ = snapshot;
    refresh();
}

void ProviderSegmentView::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    refresh();
}

void ProviderSegmentView::setWorking(bool working) {
    if (working == working_) return;
    working_ = working;
    if (working) {
        settle_.stop();
        if (!pulse_) pulse_ = new EndlessPulse(this, 0.9, EasedSpec::easeInOut(), true);
    } else {
        const double from = pulse_ ? pulse_->value() : 0.0;
        delete pulse_;
        if (from > 0 && !appearance_.reduceMotion()) {
            settle_.setStartValue(from);
            settle_.start();
        }
    }
    refresh();
}

double ProviderSegmentView::pulseAmount() const {
    if (working_) {
        // Without motion the pulse rests in its outward state.
        if (appearance_.reduceMotion()) return 1.0;
        return pulse_ ? pulse_->value() : 0.0;
    }
    return settle_.state() == QAbstractAnimation::Running ? settle_.currentValue().toDouble() : 0.0;
}

void ProviderSegmentView::appear() {
    if (appearance_.reduceMotion()) {
        presence_.setTarget(1.0, false);
        return;
    }
    presence_.setTarget(0.0, false);
    presence_.setTarget(1.0, true);
}

void ProviderSegmentView::leave(std::function<void()> done) {
    if (leaving_) return;
    leaving_ = true;
    setAttribute(Qt::WA_TransparentForMouseEvents); // a leaving segment takes no taps
    if (appearance_.reduceMotion() || !isVisible()) {
        presence_.setTarget(0.0, false);
        if (done) done();
        return;
    }
    connect(&presence_, &QAbstractAnimation::stateChanged, this,
            [this, done = std::move(done)](QAbstractAnimation::State state) {
                if (state == QAbstractAnimation::Stopped && presence_.value() == 0.0 && done) done();
            });
    presence_.setTarget(0.0, true);
}

bool ProviderSegmentView::isWithheld() const { return isWithheld(snapshot_, clock_.now()); }

UsageTier ProviderSegmentView::tier() const { return usageTierFrom(snapshot_.headlineRemainingPercentage); }

QString ProviderSegmentView::tooltip() const { return tooltip(snapshot_, clock_); }

QString ProviderSegmentView::accessibilityValueText() const {
    return accessibilityValueText(snapshot_, working_, clock_.now());
}

void ProviderSegmentView::refresh() {
    const bool withheld = isWithheld();
    const bool animate = isVisible();
    ring_.setTarget(withheld ? 0.0 : clampPercentage(snapshot_.headlineRemainingPercentage), animate);
    if (!withheld && showsFigure()) {
        // The digits roll only while shown: without motion they change unshown.
        if (appearance_.reduceMotion()) digits_->setVisible(false);
        digits_->setReading(snapshot_.headlineRemainingPercentage);
        digits_->setColor(working_ ? tierColor(snapshot_)
                                   : withOpacity(LabelColor::primary(), selected_ ? 1.0 : 0.92));
        digits_->setVisible(true);
    } else {
        digits_->setVisible(false);
    }
    placeChildren();
    hover_.setTarget(hovered_ && !selected_ ? 1.0 : 0.0, animate);
    setChecked(selected_);
    setAccessibleName(accessibilityLabel(snapshot_));
    setAccessibleDescription(accessibilityValueText());
    setWhatsThis(L10n::openQuotaCard().text());
    // A poll that brings the same figure changes nothing on screen: no repaint.
    const QByteArray look = lookKey();
    if (look == paintedLook_) return;
    paintedLook_ = look;
    update();
}

QByteArray ProviderSegmentView::lookKey() const {
    const bool withheld = isWithheld();
    QByteArray key = rawValue(snapshot_.provider).toLatin1();
    key += withheld ? "|w" : "|f";
    if (!withheld) key += '|' + QByteArray::number(clampPercentage(snapshot_.headlineRemainingPercentage), 'g', 17);
    key += '|' + QByteArray::number(int(tier()));
    key += selected_ ? "|s" : "|-";
    key += working_ ? "|b" : "|-";
    key += '|' + QByteArray::number(int(form_));
    return key;
}

void ProviderSegmentView::placeChildren() {
    const QRectF label = labelRect();
    const double textRight = rowRect().right();
    const QSize digits = digits_->sizeHint();
    digits_->move(int(std::lround(textRight - digits.width())),
                  int(std::lround(label.center().y() - digits.height() / 2.0)));
}

bool ProviderSegmentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == digits_ && event->type() == QEvent::Paint && !renderingChildren_) return true;
    return PressableButton::eventFilter(watched, event);
}

bool ProviderSegmentView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tooltip(), this);
        return true;
    }
    return PressableButton::event(event);
}

void ProviderSegmentView::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    hover_.setTarget(selected_ ? 0.0 : 1.0, isVisible());
    update();
    PressableButton::enterEvent(event);
}

void ProviderSegmentView::leaveEvent(QEvent* event) {
    hovered_ = false;
    hover_.setTarget(0.0, isVisible());
    update();
    PressableButton::leaveEvent(event);
}

QRectF ProviderSegmentView::contentBounds() const {
    // The halo, the live dot and the plate's shadow reach into the margin; at
    // rest the plate, grown by the hover and the ring's glow, is all.
    if (working_ || selected_ || pulseAmount() > 0) return rect();
    return labelRect().adjusted(-3, -3, 3, 3);
}

void ProviderSegmentView::paintContent(QPainter& p, const QRectF& rect) {
    const double hoverScale = (1.0 + 0.03 * hover_.value()) * presenceScale(presence_.value());
    p.setOpacity(p.opacity() * presenceOpacity(presence_.value()));
    p.translate(rect.center());
    p.scale(hoverScale, hoverScale);
    p.translate(-rect.center());

    const bool withheld = isWithheld();
    const QColor tint = accentOf(snapshot_, withheld);
    const QRectF label = labelRect();
    paintPlate(p, label, tint, withheld);

    const double rowLeft = rowRect().left();
    // The cat's steps repaint a strip along the top of the plate: the ring and
    // the figures below it are left alone when the repaint misses them.
    const QRegion system = p.paintEngine() ? p.paintEngine()->systemClip() : QRegion();
    const QRectF repainted =
        system.isEmpty() ? QRectF() : p.deviceTransform().inverted().mapRect(QRectF(system.boundingRect()));
    const auto touched = [&](const QRectF& r) { return repainted.isNull() || repainted.intersects(r); };
    const QPointF ringCentre(rowLeft + ringCell / 2, label.center().y());
    // At rest the ring and its glow stay within their stamp; the halo and the
    // live dot of a working segment reach further.
    const double ringReach = working_ ? kHaloSide : kRingSize / 2 + RingGauge::overhang(kRingLine, true) + 1;
    if (touched(QRectF(ringCentre - QPointF(ringReach, ringReach), QSizeF(2 * ringReach, 2 * ringReach))))
        paintRingCell(p, ringCentre, tint, withheld);
    if (!showsFigure()) return;
    const QRectF text(rowLeft + ringCell + spacing, label.top(), percentWidth, label.height());
    // The figures' own line, centred in the label, not the label's height.
    const double line = noFigureType().lineHeight;
    const QRectF figures = withheld ? QRectF(text.left(), text.center().y() - line / 2, text.width(), line)
                                    : QRectF(digits_->geometry());
    if (!touched(figures.adjusted(-2, -2, 2, 2))) return;

    if (withheld) {
        p.setFont(noFigureType().font);
        p.setPen(withOpacity(LabelColor::secondary(), 0.65));
        drawTextLine(p, text, Qt::AlignRight | Qt::AlignVCenter, noFigureText());
    } else if (!digits_->isHidden()) {
        renderingChildren_ = true;
        digits_->render(&p, digits_->pos(), QRegion(), QWidget::DrawChildren);
        renderingChildren_ = false;
    }
}

void ProviderSegmentView::paintPlate(QPainter& p, const QRectF& label, const QColor& tint, bool withheld) const {
    const double pulse = pulseAmount();
    QColor fill;
    QColor stroke;
    if (selected_) {
        fill = withheld ? Surface::pressWash() : withOpacity(tint, 0.18);
        stroke = withheld ? Surface::shellRim() : withOpacity(tint, 0.85);
    } else if (working_) {
        fill = withOpacity(tint, 0.07 + 0.07 * pulse);
        stroke = withOpacity(tint, 0.35 + 0.40 * pulse);
    } else {
        fill = withOpacity(Surface::hoverWash(), hovered_ ? 1.0 : 0.45);
        stroke = withOpacity(Surface::shellRim(), hovered_ ? 1.0 : 0.5);
    }
    if (working_) {
        paintShadow(p, label, Radius::chip, 4, withOpacity(tint, 0.25), 1);
    } else if (selected_) {
        paintShadow(p, label, Radius::chip, 3, QColor(0, 0, 0, qRound(0.15 * 255)), 1);
    }
    const double line = working_ || selected_ ? 1.0 : 0.75;
    const auto paint = [&](QPainter& q) {
        q.setRenderHints(p.renderHints());
        q.fillPath(roundedRectPath(label, Radius::chip), fill);
        strokeInside(q, label, Radius::chip, line, stroke);
    };
    if (working_) {
        paint(p); // the pulse changes it every frame: nothing worth keeping
        return;
    }
    // At rest the plate is the same every frame, and the cat's shadow crossing
    // its top edge repaints it several times a second: stamped.
    QByteArray key = "segment-plate|";
    key += QByteArray::number(qRound(label.width() * 100)) + 'x' +
           QByteArray::number(qRound(label.height() * 100)) + '|' + QByteArray::number(fill.rgba(), 16) +
           '|' + QByteArray::number(stroke.rgba(), 16) + (selected_ ? "|1" : "|0");
    CachedPainting::draw(p, label.adjusted(-1, -1, 1, 1), key, paint);
}

void ProviderSegmentView::paintRingCell(QPainter& p, const QPointF& centre, const QColor& tint, bool withheld) {
    const double pulse = pulseAmount();
    if (working_) {
        const double scale = 1.0 + 0.28 * pulse;
        QRadialGradient glow(centre, 16 * scale);
        glow.setColorAt(0.0, withOpacity(tint, 0.8));
        glow.setColorAt(0.5, withOpacity(tint, 0.8));
        glow.setColorAt(1.0, withOpacity(tint, 0.1));
        p.save();
        p.setOpacity(p.opacity() * (0.35 + 0.55 * pulse));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QBrush(glow), 2 * scale));
        const double r = (kHaloSide / 2 - 1) * scale;
        p.drawEllipse(centre, r, r);
        p.restore();
    }

    const QList<QColor> colors =
        withheld ? withheldGaugeColors() : toQColors(gradient(tier()));
    const QColor symbolColor = selected_ || working_ ? tint
                                                     : withOpacity(LabelColor::primary(), withheld ? 0.45 : 0.82);
    const QString symbol = sfSymbol(snapshot_.provider);
    const double value = ring_.value();
    const auto paintCell = [&](QPainter& q) {
        RingGauge::paintRing(q, centre, kRingSize, value, colors, kRingLine, true);
        SymbolImage::paint(q, centre, kSymbolSize, symbol, symbolColor, SymbolWeight::bold);
    };
    if (ring_.state() == QAbstractAnimation::Running) {
        paintCell(p); // a gliding ring changes every frame: nothing worth keeping
    } else {
        // At rest the ring and its symbol are the same every frame (a pulse
        // repaints the segment many times a second): stamped from a pixmap.
        const double reach = kRingSize / 2 + RingGauge::overhang(kRingLine, true);
        // The key is written out again only when what it names changes.
        RingStamp stamp{value, colors, symbolColor.rgba(), Surface::track().rgba(), symbol, {}};
        if (!ringStamp_ || !ringStamp_->sameAs(stamp)) {
            stamp.key = "segment-ring|" + symbol.toLatin1() + '|' + QByteArray::number(value, 'g', 17);
            for (const QColor& c : colors)
                stamp.key += '|' + QByteArray::number(c.rgba(), 16);
            stamp.key +=
                '|' + QByteArray::number(stamp.symbolColor, 16) + '|' + QByteArray::number(stamp.track, 16);
            ringStamp_ = std::move(stamp);
        }
        CachedPainting::draw(p, QRectF(centre - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach)),
                             ringStamp_->key, paintCell);
    }

    if (working_) {
        const double side = kLiveDotSide * (0.85 + 0.30 * pulse);
        const QRectF dot(centre + QPointF(8 - side / 2, -8 - side / 2), QSizeF(side, side));
        paintShadow(p, dot, side / 2, 3, withOpacity(kLiveGreen, 0.9), 0);
        p.setPen(Qt::NoPen);
        p.setBrush(kLiveGreen);
        p.drawEllipse(dot);
    }
}

// MARK: - Pure rules

bool ProviderSegmentView::isWithheld(const UsageSnapshot& s, const QDateTime& now) {
    return !hasFigure(s) || s.isHeadlineWindowElapsed(now);
}

namespace {
// Who the reading is of, when it says.
std::optional<QString> accountOf(const UsageSnapshot& s) {
    if (!s.accountEmail || s.accountEmail->isEmpty()) return std::nullopt;
    return s.accountEmail;
}
} // namespace

QString ProviderSegmentView::tooltip(const UsageSnapshot& s, const Clock& clock) {
    const QString name = displayName(s.provider);
    // The card's words for why there is no figure, the same for every reason.
    if (const auto missing = missingFigureReason(s))
        return name + QStringLiteral(" \u00b7 ") + L10n::noDataWithReason(displayText(*missing)).text();
    const QDateTime now = clock.now();
    if (isWithheld(s, now)) return L10n::segmentLimitReset(name).text();
    QStringList lines{L10n::segmentRemaining(name, *displayedPercent(s.headlineRemainingPercentage)).text()};
    if (const auto account = accountOf(s)) lines << *account;
    if (const QString plan = labelText(s.planName).value_or(QString()); !plan.isEmpty()) lines << plan;
    if (s.isStale(now)) lines << accountReadingAgeText(s.capturedAt, clock);
    return lines.join(QLatin1Char('\n'));
}

QString ProviderSegmentView::accessibilityValueText(const UsageSnapshot& s, bool working, const QDateTime& now) {
    if (const auto missing = missingFigureReason(s)) return L10n::segmentNoData(displayText(*missing)).text();
    if (isWithheld(s, now)) return L10n::limitResetAwaiting().text();
    const qint64 percent = *displayedPercent(s.headlineRemainingPercentage);
    QString text = L10n::remainingPercentTier(percent, label(usageTierFrom(s.headlineRemainingPercentage))).text();
    if (working) text += L10n::suffixCurrentlyWorking().text();
    return text;
}

QString ProviderSegmentView::accessibilityLabel(const UsageSnapshot& s) {
    QString text = displayName(s.provider);
    if (const auto account = accountOf(s)) text += QStringLiteral(", ") + *account;
    return text;
}

} // namespace meterix
