#include "shell/MultiProviderBarView.h"

#include "core/L10n.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "platform/ui/Appearance.h"
#include "refresh/ProviderManager.h"
#include "shell/BarSelection.h"
#include "shell/FloatingPanelController.h"
#include "design/CachedPainting.h"
#include "design/GrabberHandle.h"
#include "design/JellySprings.h"
#include "design/HairlineDivider.h"
#include "design/LiquidGlassStyle.h"
#include "design/MissingFigure.h"
#include "design/Metric.h"
#include "shell/ProviderSegmentView.h"
#include "design/Radius.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"
#include "shell/TabBarLoadingBar.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace meterix {

namespace {

constexpr double kGrabberSlot = MultiProviderBarView::leadingInset + GrabberHandle::capsuleWidth;
constexpr double kDividerSlot = HairlineDivider::lineWidth + MultiProviderBarView::dividerTrailingGap;
constexpr double kCardArrivalTravel = 8; // how far from its place the card arrives
constexpr double kCardScrollStep = 40;   // a wheel notch moves a shortened card this far

QRect outward(const QRectF& r) {
    const int left = int(std::floor(r.left()));
    const int top = int(std::floor(r.top()));
    return QRect(left, top, int(std::ceil(r.right())) - left, int(std::ceil(r.bottom())) - top);
}

QRegion roundedRegion(const QRectF& rect, double radius) {
    return QRegion(roundedRectPath(rect, radius).toFillPolygon().toPolygon());
}

} // namespace

MultiProviderBarView::MultiProviderBarView(MeterixPreferences& preferences,
                                           FloatingPanelController* controller, BarServices services,
                                           const Clock& clock, QWidget* parent)
    : QWidget(parent), preferences_(preferences), controller_(controller), services_(services), clock_(clock),
      tintMix_(JellySprings::gauge, 1.0), arrival_(JellySprings::popover, 1.0),
      catEnabled_(preferences.pixelCatEnabled()) {
    setAttribute(Qt::WA_TranslucentBackground);
    capsule_ = new QWidget(this);
    capsule_->setAttribute(Qt::WA_TranslucentBackground);
    capsule_->installEventFilter(this);
    grabber_ = new GrabberHandle(false, capsule_);
    divider_ = new HairlineDivider(dividerHeight, capsule_);
    loadingBar_ = new TabBarLoadingBar(services_.appearance, capsule_);
    loadingBar_->setObjectName(QStringLiteral("loadingBar"));

    tintFrom_ = tintTo_ = toQColor(gradient(UsageTier::abundant).constFirst());
    connect(&tintMix_, &SpringAnimator::valueChanged, this, [this] {
        loadingBar_->setTint(currentTint());
        update();
    });
    connect(&arrival_, &SpringAnimator::valueChanged, this, &MultiProviderBarView::placeCard);
    resetWatch_.setSingleShot(true);
    connect(&resetWatch_, &QTimer::timeout, this, &MultiProviderBarView::refreshForTime);
    connect(&preferences_, &MeterixPreferences::pixelCatEnabledChanged, this, [this] {
        catEnabled_ = preferences_.pixelCatEnabled();
        syncCat();
        relayout();
    });
    connect(&services_.localization, &Localization::preferenceChanged, this, &MultiProviderBarView::applyTexts);
    if (controller_) {
        connect(controller_, &FloatingPanelController::opensUpwardChanged, this, &MultiProviderBarView::relayout);
        connect(controller_, &FloatingPanelController::cardShiftChanged, this, &MultiProviderBarView::relayout);
        connect(controller_, &FloatingPanelController::availableWidthChanged, this,
                &MultiProviderBarView::followAvailableWidth);
        connect(controller_, &FloatingPanelController::cardRoomChanged, this, &MultiProviderBarView::relayout);
    }
    applyTexts();
    rebuild();
}

MultiProviderBarView::~MultiProviderBarView() = default;

void MultiProviderBarView::setState(State state) {
    state_ = std::move(state);
    rebuild();
}

MultiProviderBarView::State MultiProviderBarView::stateOf(const ProviderManager& manager) const {
    return PresentedState::of(manager, PresentedState::masksEmails(&preferences_));
}

void MultiProviderBarView::observe(ProviderManager& manager) {
    // Applied at once: the bar's size follows the state in the same turn.
    PresentedState::observe(
        manager, &preferences_, this, [this](State state) { setState(std::move(state)); },
        PresentedState::Delivery::atOnce);
    setState(stateOf(manager));
}

void MultiProviderBarView::setSelected(std::optional<AIProviderType> provider) {
    if (provider == selected_) return;
    selected_ = provider;
    rebuild();
}

void MultiProviderBarView::followSelection(BarSelection& selection) {
    connect(this, &MultiProviderBarView::selectionRequested, &selection, &BarSelection::set);
    connect(&selection, &BarSelection::changed, this, &MultiProviderBarView::setSelected);
    setSelected(selection.current());
}

void MultiProviderBarView::setCatViewFactory(CatViewFactory factory) {
    catFactory_ = std::move(factory);
    delete catView_;
    syncCat();
    relayout();
}

void MultiProviderBarView::syncCat() {
    const bool wanted = catFactory_ && catEnabled_;
    if (!wanted) {
        // Switching the cat off releases it, its timers with it.
        delete catView_;
        catRegion_ = QRegion();
        return;
    }
    if (catView_) return;
    catRegion_ = QRegion();
    catView_ = catFactory_(*this);
    if (!catView_) return;
    catView_->setParent(this);
    catView_->setObjectName(QStringLiteral("pixelCat"));
    reportedCapsule_ = QRectF(); // the new view is placed by the next layout
    catView_->show();
}

void MultiProviderBarView::setCatRegion(const QRegion& region) {
    if (region == catRegion_) return;
    catRegion_ = region;
    // The cat tells its cells before it repaints them.
    reportSolidRegion(true);
}

void MultiProviderBarView::setCardFactory(CardFactory factory) {
    cardFactory_ = std::move(factory);
    cardSnapshot_.reset();
    rebuild();
}

// MARK: - Derived values

QList<AIProviderType> MultiProviderBarView::visibleProviders(const State& state) {
    QList<AIProviderType> visible;
    for (AIProviderType p : state.activeProviders)
        if (state.snapshots.contains(p) && !visible.contains(p)) visible.append(p);
    return visible;
}

std::optional<UsageTier> MultiProviderBarView::ambientTier() const {
    return meterix::ambientTier(state_.activeProviders, state_.snapshots, clock_.now());
}

double MultiProviderBarView::capsuleWidth(int segmentCount, SegmentForm form) {
    const int n = std::max(0, segmentCount);
    return kGrabberSlot + kDividerSlot + n * ProviderSegmentView::labelWidthFor(form) + (n + 1) * itemSpacing +
           trailingInset;
}

MultiProviderBarView::SegmentForm MultiProviderBarView::segmentFormFor(int segmentCount, double availableWidth) {
    for (const SegmentForm form : {SegmentForm::full, SegmentForm::snug})
        if (capsuleWidth(segmentCount, form) + 2 * Metric::panelBleed <= availableWidth) return form;
    return SegmentForm::ringOnly;
}

MultiProviderBarView::Layout MultiProviderBarView::layout(int segmentCount, bool catEnabled,
                                                          std::optional<QSizeF> cardSize, bool opensUpward,
                                                          double cardShift, SegmentForm form) {
    const double bleed = Metric::panelBleed;
    const double catBand = catEnabled ? Metric::pixelCatBand : 0;
    const double barWidth = capsuleWidth(segmentCount, form);
    const double barStack = catBand + Metric::barHeight;
    double width = barWidth;
    double height = barStack;
    if (cardSize) {
        width = std::max(width, cardSize->width() + 2 * std::abs(cardShift));
        height += Metric::stackGap + cardSize->height();
    }
    Layout l;
    l.contentSize = QSizeF(width + 2 * bleed, height + 2 * bleed);
    double barTop = bleed;
    if (cardSize) {
        double cardTop = bleed + barStack + Metric::stackGap;
        if (opensUpward) {
            cardTop = bleed;
            barTop = bleed + cardSize->height() + Metric::stackGap;
        }
        l.card = QRectF(bleed + (width - cardSize->width()) / 2 + cardShift, cardTop, cardSize->width(),
                        cardSize->height());
    }
    l.capsule = QRectF(bleed + (width - barWidth) / 2, barTop + catBand, barWidth, Metric::barHeight);
    return l;
}

MultiProviderBarView::Layout MultiProviderBarView::currentLayout() const {
    std::optional<QSizeF> cardSize;
    if (card_) {
        const QSize hint = card_->sizeHint().expandedTo(card_->minimumSize()).boundedTo(card_->maximumSize());
        const QMargins shadow = card_->contentsMargins();
        cardSize = QSizeF(std::max(0, hint.width() - shadow.left() - shadow.right()),
                          std::max(0, hint.height() - shadow.top() - shadow.bottom()));
        // Where neither side has room for the whole card, its slot is the room
        // there is, and the card scrolls in it.
        if (controller_)
            cardSize->setHeight(std::max(0.0, std::min(cardSize->height(), controller_->cardRoom() - Metric::stackGap)));
    }
    const bool upward = controller_ && controller_->opensUpward();
    return layout(int(segments_.size()), catEnabled_, cardSize, upward, controller_ ? controller_->cardShift() : 0,
                  form_);
}

QPointF MultiProviderBarView::contentOrigin(const Layout& l) const {
    // The window may be a fraction smaller than the content (it is floored):
    // centre across, and keep the bar's edge of the window when opening upward.
    const bool upward = controller_ && controller_->opensUpward();
    const double x = (width() - l.contentSize.width()) / 2;
    const double y = upward && card_ ? height() - l.contentSize.height() : 0;
    return QPointF(x, y);
}

QRectF MultiProviderBarView::capsuleRect() const {
    const Layout l = currentLayout();
    return l.capsule.translated(contentOrigin(l));
}

ProviderSegmentView* MultiProviderBarView::segment(AIProviderType provider) const {
    const auto it = segments_.find(provider);
    return it == segments_.end() ? nullptr : it->second;
}

QList<ProviderSegmentView*> MultiProviderBarView::segments() const {
    QList<ProviderSegmentView*> ordered;
    for (AIProviderType p : visibleProviders())
        if (ProviderSegmentView* s = segment(p)) ordered.append(s);
    return ordered;
}

// MARK: - Selection

void MultiProviderBarView::select(AIProviderType provider) {
    // The click that ends a drag of the bar never opens a card.
    if (controller_ && (controller_->isDragging() || controller_->hasDraggedRecently())) return;
    if (controller_) controller_->checkPlacementDirection();
    const std::optional<AIProviderType> next =
        selected_ == provider ? std::nullopt : std::optional<AIProviderType>(provider);
    Q_EMIT selectionRequested(next);
}

// MARK: - Building

void MultiProviderBarView::followAvailableWidth() {
    const SegmentForm form = controller_ ? segmentFormFor(int(visibleProviders().size()), controller_->availableWidth())
                                         : SegmentForm::full;
    if (form == form_) return;
    form_ = form;
    for (auto& [provider, view] : segments_) view->setForm(form);
    relayout();
}

void MultiProviderBarView::rebuild() {
    syncSegments();
    followAvailableWidth();
    syncCard();
    loadingBar_->setRefreshing(state_.isRefreshing);
    followAmbientTint();
    relayout();
    scheduleResetWatch();
}

void MultiProviderBarView::refreshForTime() {
    for (auto& [provider, view] : segments_) view->setSnapshot(state_.snapshots.value(provider));
    // The open card's short window may have ended too.
    if (card_ && updateCard_ && cardSnapshot_) updateCard_(*cardSnapshot_);
    followAmbientTint();
    scheduleResetWatch();
    updateIfLookChanged();
}

void MultiProviderBarView::updateIfLookChanged() {
    // The glass is all this widget paints itself: a state change that leaves
    // its place and tint alone (a poll with the same figures) repaints nothing.
    if (capsuleRect() != paintedCapsule_ || currentTint() != paintedTint_) update();
}

QColor MultiProviderBarView::currentTint() const {
    const double t = std::clamp(tintMix_.value(), 0.0, 1.0);
    auto channel = [t](float a, float b) { return a + (b - a) * float(t); };
    return QColor::fromRgbF(channel(tintFrom_.redF(), tintTo_.redF()), channel(tintFrom_.greenF(), tintTo_.greenF()),
                            channel(tintFrom_.blueF(), tintTo_.blueF()), channel(tintFrom_.alphaF(), tintTo_.alphaF()));
}

void MultiProviderBarView::followAmbientTint() {
    const QColor target = ambientTint(ambientTier());
    if (target == tintTo_) return;
    tintFrom_ = currentTint();
    tintTo_ = target;
    tintMix_.setTarget(0.0, false);
    tintMix_.setTarget(1.0, isVisible() && !services_.appearance.reduceMotion());
    loadingBar_->setTint(currentTint());
}

void MultiProviderBarView::syncSegments() {
    const QList<AIProviderType> visible = visibleProviders();
    for (auto it = segments_.begin(); it != segments_.end();) {
        if (visible.contains(it->first)) {
            ++it;
        } else {
            // It fades where it stands while the others slide into its room.
            ProviderSegmentView* view = it->second;
            QPointer<ProviderSegmentView> guard(view);
            view->leave([guard] {
                if (guard) guard->deleteLater();
            });
            slide_.erase(it->first);
            it = segments_.erase(it);
        }
    }
    for (AIProviderType p : visible) {
        const UsageSnapshot& snapshot = state_.snapshots[p];
        ProviderSegmentView*& view = segments_[p];
        if (!view) {
            view = new ProviderSegmentView(snapshot, services_.appearance, clock_, capsule_);
            view->setForm(form_);
            connect(view, &QAbstractButton::clicked, this, [this, p] { select(p); });
            view->show();
            if (isVisible()) view->appear();
        } else {
            view->setSnapshot(snapshot);
        }
        view->setSelected(selected_ == p);
        view->setWorking(state_.activeInUseProviders.contains(p));
    }
}

void MultiProviderBarView::syncCard() {
    std::optional<UsageSnapshot> wanted;
    if (cardFactory_ && selected_) {
        const auto it = state_.snapshots.constFind(*selected_);
        // The reading comes as masking has it (a change of the setting is a
        // new reading for the card).
        if (it != state_.snapshots.constEnd()) wanted = *it;
    }
    if (wanted == cardSnapshot_ && (card_ || !wanted)) return;
    // A newer reading of the provider whose card is open updates that card.
    if (wanted && card_ && cardSnapshot_ && cardSnapshot_->provider == wanted->provider && updateCard_) {
        cardSnapshot_ = wanted;
        updateCard_(*wanted);
        return;
    }
    if (QWidget* old = card_.data()) {
        // The close comes from inside the card's own click: it goes at once from
        // sight and from the layout, and is deleted once that click has unwound.
        old->removeEventFilter(this);
        old->hide();
        old->deleteLater();
        card_ = nullptr;
    }
    updateCard_ = {};
    cardScroll_ = 0;
    cardSnapshot_ = wanted;
    if (!wanted) return;
    const AIProviderType provider = wanted->provider;
    Card card = cardFactory_(*wanted, [this, provider] { select(provider); });
    card_ = card.widget;
    updateCard_ = std::move(card.update);
    if (card_) {
        card_->setParent(this);
        card_->installEventFilter(this);
        // Its shadow's room may reach over the capsule: the capsule stays on top
        // for clicks.
        card_->lower();
        card_->show();
        // It arrives from the bar's side, fading in; without motion it is simply there.
        const bool animate = isVisible() && !services_.appearance.reduceMotion();
        arrival_.setTarget(animate ? 0.0 : 1.0, false);
        if (animate) {
            auto* fade = new QGraphicsOpacityEffect(card_);
            fade->setOpacity(0);
            card_->setGraphicsEffect(fade);
            arrival_.setTarget(1.0, true);
        }
    }
}

void MultiProviderBarView::relayout() {
    const Layout l = currentLayout();
    const QPointF origin = contentOrigin(l);
    const QRectF capsule = l.capsule.translated(origin);
    capsule_->setGeometry(outward(capsule));
    const QPointF inner = capsule.topLeft() - QPointF(capsule_->pos());

    const double h = Metric::barHeight;
    grabber_->setGeometry(int(std::lround(inner.x() + leadingInset)), int(std::lround(inner.y())),
                          int(GrabberHandle::capsuleWidth), int(h));
    double x = inner.x() + kGrabberSlot + itemSpacing;
    divider_->setGeometry(int(std::lround(x)), int(std::lround(inner.y())), 1, int(h));
    x += kDividerSlot + itemSpacing;
    const bool animate = isVisible() && !services_.appearance.reduceMotion();
    for (ProviderSegmentView* view : segments()) {
        const QSize size = view->sizeHint();
        const double left = x - ProviderSegmentView::margin;
        const int top = int(std::lround(inner.y() + (h - size.height()) / 2));
        SpringAnimator*& slide = slide_[view->provider()];
        if (!slide) {
            // A new segment starts in its place; the others slide there.
            slide = new SpringAnimator(JellySprings::layout, left, view);
            connect(slide, &SpringAnimator::valueChanged, view,
                    [view](double at) { view->move(int(std::lround(at)), view->y()); });
        }
        slide->setTarget(left, animate);
        view->setGeometry(int(std::lround(slide->value())), top, size.width(), size.height());
        x += ProviderSegmentView::labelWidthFor(form_) + itemSpacing;
    }
    const double stripTop = h - TabBarLoadingBar::bottomInset - TabBarLoadingBar::stripHeight;
    loadingBar_->setGeometry(int(std::lround(inner.x() + TabBarLoadingBar::sideInset)),
                             int(std::floor(inner.y() + stripTop)),
                             std::max(1, int(std::lround(capsule.width() - 2 * TabBarLoadingBar::sideInset))),
                             int(std::ceil(TabBarLoadingBar::stripHeight + 0.5)));
    placeCard();

    if (l.capsule.width() > 0 && l.capsule.width() != actualBarWidth_) {
        actualBarWidth_ = l.capsule.width();
        Q_EMIT barWidthChanged(actualBarWidth_);
    }
    if (capsule != reportedCapsule_) {
        reportedCapsule_ = capsule;
        Q_EMIT capsuleRectChanged(capsule);
    }
    if (catView_) catView_->raise(); // over the segments
    layoutRegion_ = roundedRegion(capsule, Radius::bar);
    if (card_) layoutRegion_ += roundedRegion(l.card.translated(origin), Radius::card);
    reportSolidRegion();
    if (!reportedSize_ || *reportedSize_ != l.contentSize) reportContentSize();
    updateIfLookChanged();
}

void MultiProviderBarView::reportSolidRegion(bool uncoveredRepainted) {
    // The cat reports its cells on every step: the capsule's and card's shapes
    // are kept from the last layout.
    QRegion solid = layoutRegion_;
    if (catView_ && !catRegion_.isEmpty()) solid += catRegion_.translated(catView_->pos());
    if (solid != reportedRegion_) {
        reportedRegion_ = solid;
        Q_EMIT solidRegionChanged(solid, uncoveredRepainted);
    }
}

void MultiProviderBarView::placeCard() {
    if (!card_) return;
    const Layout l = currentLayout();
    const bool upward = controller_ && controller_->opensUpward();
    // While arriving it stands a little towards the bar and fades in.
    const double t = std::clamp(arrival_.value(), 0.0, 1.2);
    const double shift = (1.0 - t) * kCardArrivalTravel * (upward ? 1.0 : -1.0);
    const QRectF slot = l.card.translated(contentOrigin(l) + QPointF(0, shift));
    const QMargins shadow = card_->contentsMargins();
    QRect at = outward(slot).marginsAdded(shadow);
    // A card that can be shortened takes its slot's height and scrolls within
    // itself, its buttons in sight.
    const int least = std::max(card_->minimumSizeHint().height(), card_->minimumHeight());
    if (least <= at.height()) {
        cardScroll_ = 0;
        card_->clearMask();
        card_->setGeometry(at);
        fadeCardIn(t);
        return;
    }
    // Else the card keeps its own height; a slot shorter than it shows the
    // part scrolled to, cut off at the slot's edges.
    const int full = card_->sizeHint().expandedTo(card_->minimumSize()).boundedTo(card_->maximumSize()).height();
    const double overflow = std::max(0.0, full - shadow.top() - shadow.bottom() - slot.height());
    cardScroll_ = std::clamp(cardScroll_, 0.0, overflow);
    at.setTop(at.top() - int(std::lround(cardScroll_)));
    at.setHeight(full);
    card_->setGeometry(at);
    if (overflow > 0) {
        const int top = cardScroll_ > 0 ? shadow.top() + int(std::lround(cardScroll_)) : 0;
        card_->setMask(QRect(0, top, at.width(), shadow.top() + int(std::lround(cardScroll_ + slot.height())) - top));
    } else {
        card_->clearMask();
    }
    fadeCardIn(t);
}

void MultiProviderBarView::fadeCardIn(double t) {
    if (auto* fade = qobject_cast<QGraphicsOpacityEffect*>(card_->graphicsEffect())) {
        if (arrival_.state() == QAbstractAnimation::Running) fade->setOpacity(std::clamp(t, 0.0, 1.0));
        else card_->setGraphicsEffect(nullptr); // arrived: drawn directly again
    }
}

void MultiProviderBarView::reportContentSize() {
    const QSizeF size = contentSize();
    reportedSize_ = size;
    Q_EMIT contentSizeChanged(size);
}

void MultiProviderBarView::applyTexts() {
    capsule_->setAccessibleName(L10n::usageBar().text());
    for (auto& [provider, view] : segments_) view->setSnapshot(view->snapshot()); // texts follow the language
}

void MultiProviderBarView::scheduleResetWatch() {
    // A reading whose short window resets later is withheld from that moment;
    // wake once then rather than ticking while idle.
    const QDateTime now = clock_.now();
    std::optional<QDateTime> next;
    for (AIProviderType p : visibleProviders()) {
        const UsageSnapshot& s = state_.snapshots[p];
        if (s.headlineResetAt && *s.headlineResetAt > now && (!next || *s.headlineResetAt < *next)) next = s.headlineResetAt;
    }
    if (!next) {
        resetWatch_.stop();
        return;
    }
    const qint64 ms = std::clamp<qint64>(now.msecsTo(*next) + 50, 0, 3600 * 1000);
    resetWatch_.start(int(ms));
}

// MARK: - Events

void MultiProviderBarView::resizeEvent(QResizeEvent* event) {
    relayout();
    QWidget::resizeEvent(event);
}

bool MultiProviderBarView::eventFilter(QObject* watched, QEvent* event) {
    // The card's contents changed size: the stack and the window follow.
    if (watched == card_ && event->type() == QEvent::LayoutRequest)
        QMetaObject::invokeMethod(this, &MultiProviderBarView::relayout, Qt::QueuedConnection);
    // A card shortened to its slot scrolls under the wheel.
    if (watched == card_ && event->type() == QEvent::Wheel && !card_->mask().isEmpty()) {
        cardScroll_ -= static_cast<QWheelEvent*>(event)->angleDelta().y() / 120.0 * kCardScrollStep;
        placeCard();
        return true;
    }
    if (watched == capsule_ && (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        barHovered_ = event->type() == QEvent::Enter;
        grabber_->setActive(barHovered_);
        update();
        Q_EMIT barHoveredChanged(barHovered_);
    }
    return QWidget::eventFilter(watched, event);
}

void MultiProviderBarView::paintEvent(QPaintEvent* event) {
    const QColor tint = currentTint();
    const QRectF capsule = capsuleRect();
    if (!glass_ || glass_->capsule != capsule || glass_->tint != tint || glass_->hovered != barHovered_) {
        Glass g;
        g.capsule = capsule;
        g.tint = tint;
        g.hovered = barHovered_;
        g.style = liquidGlass(Radius::bar, tint, barHovered_, barHovered_ ? 1.0 : 0.85, 1.0);
        g.box = g.capsule.marginsAdded(g.style.shadowMargins() + QMarginsF(3, 3, 3, 3));
        g.key = "bar-glass|" + QByteArray::number(g.capsule.width(), 'f', 2) + 'x' +
                QByteArray::number(g.capsule.height(), 'f', 2) + '|' + QByteArray::number(tint.rgba(), 16) +
                (barHovered_ ? "|hover" : "|rest");
        glass_ = std::move(g);
    }
    // The cat's steps repaint a corner of the band above the capsule: one that
    // misses the glass and its shadow leaves nothing here to draw.
    if (!event->region().intersects(glass_->box.toAlignedRect())) return;
    paintedTint_ = tint;
    paintedCapsule_ = capsule;
    QPainter p(this);
    // While the tint glides every frame has a glass of its own, drawn once:
    // stamping each would only push the lasting stamps out of the cache.
    if (tintMix_.state() == QAbstractAnimation::Running) {
        glass_->style.paint(p, glass_->capsule);
        return;
    }
    // Stamped: the cat repaints a corner of the glass on every step it takes,
    // and drawing the glass anew (its shadow, fills and rims) costs far more.
    CachedPainting::draw(p, glass_->box, glass_->key,
                         [&](QPainter& q) { glass_->style.paint(q, glass_->capsule); });
}

} // namespace meterix
