#include "panels/MenuBarPopoverView.h"

#include "accounts/AccountRegistry.h"
#include "core/L10n.h"
#include "design/IconTile.h"
#include "design/LiquidGlassStyle.h"
#include "design/MissingFigure.h"
#include "design/MeterixFont.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "design/TierBadge.h"
#include "design/TimeTexts.h"
#include "panels/MenuActivitySpinner.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuBarAboutScreen.h"
#include "panels/MenuBarOverviewScreen.h"
#include "panels/MenuBarProviderDetailScreen.h"
#include "panels/MenuBarSettingsScreen.h"
#include "panels/MenuScreenStack.h"
#include "refresh/ProviderManager.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

namespace meterix {

namespace {

// A 0.5-pt rule across the card.
class Hairline final : public QWidget {
  public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return QSize(1, 1); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintHairlineRule(p, QRectF(rect()));
    }
};


void makeClear(QWidget* w) {
    w->setAutoFillBackground(false);
    w->setAttribute(Qt::WA_TranslucentBackground);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Qt::transparent);
    pal.setColor(QPalette::Base, Qt::transparent);
    w->setPalette(pal);
}

} // namespace

MenuBarPopoverView::MenuBarPopoverView(MenuScreenContext context, QWidget* parent)
    : QWidget(parent), context_(std::move(context)), tintBlend_(JellySprings::gauge, 1.0),
      scrollHeight_(JellySprings::popover, 1.0) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(int(cardWidth + 2 * margin));
    state_ = context_.presentedState();
    tier_ = ambientTier(state_.activeProviders, state_.snapshots, context_.clock->now());
    tintFrom_ = tintTo_ = ambientTint(tier_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(int(margin), int(margin), int(margin), int(margin));
    column->setSpacing(0);
    column->setSizeConstraint(QLayout::SetNoConstraint);

    column->addWidget(makeTitleBar());

    column->addWidget(new Hairline(this));

    // The scrolling screen area.
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("scroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(false);
    makeClear(scroll_);
    makeClear(scroll_->viewport());
    stackHolder_ = new QWidget();
    makeClear(stackHolder_);
    stack_ = new MenuScreenStack(stackHolder_);
    stack_->setObjectName(QStringLiteral("screenStack"));
    stack_->move(int(stackInsetH), int(stackInsetV));
    scroll_->setWidget(stackHolder_);
    scroll_->setFixedHeight(1);
    column->addWidget(scroll_);

    connect(&tintBlend_, &SpringAnimator::valueChanged, this, [this] { update(); });
    connect(&scrollHeight_, &SpringAnimator::valueChanged, this, &MenuBarPopoverView::applyScrollHeight);
    connect(stack_, &MenuScreenStack::measuredHeightChanged, this, &MenuBarPopoverView::stackMeasured);

    if (ProviderManager* m = context_.manager)
        PresentedState::observe(*m, context_.preferences, this, [this](PresentedState s) { setState(std::move(s)); });
    followAccounts();
    registerScreens();
    stack_->resize(int(cardWidth - 2 * stackInsetH), 1);
    // Where the screen that leaves was scrolled to is read before the stack
    // changes its height; the new screen's place is set once it is there.
    connect(context_.navigator, &MenuBarNavigator::screenChanged, this,
            [this] { scrolledBefore_ = scroll_->verticalScrollBar()->value(); });
    stack_->follow(*context_.navigator);
    shown_ = context_.navigator->screen();
    connect(context_.navigator, &MenuBarNavigator::screenChanged, this, &MenuBarPopoverView::scrollForScreen);
    applyState();
}

MenuBarPopoverView::~MenuBarPopoverView() = default;

// The title bar: the app's tile and name, the activity line and the ambient
// tier's badge.
QWidget* MenuBarPopoverView::makeTitleBar() {
    auto* title = new QWidget(this);
    auto* bar = new QHBoxLayout(title);
    bar->setContentsMargins(13, 11, 13, 11);
    bar->setSpacing(9);
    bar->addWidget(new IconTile(QStringLiteral("sparkles"),
                                {QColor(0x0A, 0x84, 0xFF), QColor(0x00, 0x50, 0xC7)}, 26, title),
                   0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(1);
    texts->addWidget(new TextView(
        QStringLiteral("Meterix"), MeterixFont::rounded(14, QFont::Bold),
        [] { return LabelColor::primary(); }, false, title));
    auto* statusLine = new QHBoxLayout();
    statusLine->setSpacing(4);
    // The platform's mini spinner at 0.58 scale fills about 11 x 11 pt.
    spinner_ = new MenuActivitySpinner(*context_.appearance, 9, title);
    spinner_->setObjectName(QStringLiteral("spinner"));
    statusLine->addWidget(spinner_, 0, Qt::AlignVCenter);
    summary_ = new TextView(
        QString(), MeterixFont::rounded(9.5, QFont::Medium), [] { return LabelColor::secondary(); }, false,
        title);
    summary_->setObjectName(QStringLiteral("summary"));
    statusLine->addWidget(summary_, 0, Qt::AlignVCenter);
    statusLine->addStretch(1);
    texts->addLayout(statusLine);
    bar->addLayout(texts, 1);
    bar->addSpacing(4);
    titleLayout_ = bar;
    badge_ = new TierBadge(*context_.localization, tier_.value_or(UsageTier::abundant), true, title);
    badge_->setObjectName(QStringLiteral("tierBadge")); // the ambient tier's; hidden while there is none
    badge_->setVisible(tier_.has_value());
    bar->addWidget(badge_, 0, Qt::AlignVCenter);
    return title;
}

void MenuBarPopoverView::registerScreens() {
    const MenuScreenContext ctx = context_;
    stack_->registerScreen(MenuBarScreen::Kind::overview, [this, ctx](const MenuBarScreen&) {
        auto* overview = new MenuBarOverviewScreen(ctx);
        overview->setState(state_);
        return overview;
    });
    stack_->registerScreen(MenuBarScreen::Kind::providerDetail, [ctx](const MenuBarScreen& screen) {
        return new MenuBarProviderDetailScreen(ctx, screen.provider().value_or(AIProviderType{}));
    });
    stack_->registerScreen(MenuBarScreen::Kind::settings,
                           [ctx](const MenuBarScreen&) { return new MenuBarSettingsScreen(ctx); });
    stack_->registerScreen(MenuBarScreen::Kind::about,
                           [ctx](const MenuBarScreen&) { return new MenuBarAboutScreen(ctx); });
}

QString MenuBarPopoverView::statusSummary(const PresentedState& state, const ConnectedProviders& connected,
                                          const Clock& clock) {
    if (state.isRefreshing) return L10n::updating().text();
    if (state.activeProviders.isEmpty()) return L10n::noProvidersConnected().text();
    if (connected.providers.isEmpty()) return L10n::nothingReadYet().text();
    // The time told is that of a reading, never a placeholder's.
    std::optional<QDateTime> newest;
    for (AIProviderType p : connected.providers) {
        const auto it = state.snapshots.constFind(p);
        if (it == state.snapshots.constEnd() || !countsAsConnected(*it)) continue;
        if (it->lastUpdated.isValid() && (!newest || it->lastUpdated > *newest)) newest = it->lastUpdated;
    }
    const QString time = newest ? relativeUpdateText(*newest, clock) : L10n::waiting().text();
    return L10n::connectedCount(connected.providers.size(), time).text();
}

void MenuBarPopoverView::setState(PresentedState state) {
    state_ = std::move(state);
    applyState();
}

void MenuBarPopoverView::applyState() {
    if (auto* overview = qobject_cast<MenuBarOverviewScreen*>(stack_->currentView()))
        overview->setState(state_);
    spinner_->setVisible(state_.isRefreshing);
    summary_->setText(statusSummary(state_, context_.connected(state_), *context_.clock));
    const std::optional<UsageTier> tier = ambientTier(state_.activeProviders, state_.snapshots, context_.clock->now());
    if (tier != tier_) {
        tintFrom_ = glassTint();
        tintTo_ = ambientTint(tier);
        tintBlend_.setTarget(0.0, false);
        tintBlend_.setTarget(1.0, isVisible());
        tier_ = tier;
        if (tier_ && tier_ != badge_->tier()) {
            auto* next = new TierBadge(*context_.localization, *tier_, true, badge_->parentWidget());
            next->setObjectName(badge_->objectName());
            delete titleLayout_->replaceWidget(badge_, next);
            delete badge_;
            badge_ = next;
        }
        badge_->setVisible(tier_.has_value());
    }
    update();
}

QColor MenuBarPopoverView::glassTint() const {
    return mixColors(tintFrom_, tintTo_, tintBlend_.value());
}

double MenuBarPopoverView::scrollLimit() const {
    // What the card holds besides the scrolling area keeps its height.
    layout()->activate();
    return heightLimit_ - (layout()->sizeHint().height() - scroll_->height());
}

void MenuBarPopoverView::setHeightLimit(double height) {
    if (height == heightLimit_) return;
    heightLimit_ = height;
    applyScrollHeight(scrollHeight_.value());
}

double MenuBarPopoverView::scrollHeight() const {
    return scroll_->height();
}

void MenuBarPopoverView::scrollForScreen(const MenuBarScreen& screen, bool animated) {
    // A pushed screen opens at its top, its header and back button in sight;
    // going back finds the overview where it was left; the panel opening
    // afresh shows it from the top.
    int target = 0;
    if (screen.isOverview())
        target = animated ? overviewScroll_ : 0;
    else if (shown_.isOverview())
        overviewScroll_ = scrolledBefore_;
    shown_ = screen;
    QScrollBar* bar = scroll_->verticalScrollBar();
    bar->setValue(target);
    stack_->shiftOutgoing(bar->value() - scrolledBefore_);
}

void MenuBarPopoverView::stackMeasured(double height) {
    const double full = height + 2 * stackInsetV;
    stackHolder_->resize(int(cardWidth), std::max(1, int(std::ceil(full))));
    stack_->resize(int(cardWidth - 2 * stackInsetH), std::max(1, int(std::ceil(height))));
    if (const auto next = tracker_.accept(full)) scrollHeight_.setTarget(*next, isVisible());
}

void MenuBarPopoverView::applyScrollHeight(double height) {
    const int h = int(std::lround(StackHeightTracker::scrollHeight(height, scrollLimit())));
    if (h == scroll_->height()) return;
    scroll_->setFixedHeight(h);
    reportContentSize();
}

QSizeF MenuBarPopoverView::contentSize() const {
    layout()->activate();
    return QSizeF(cardWidth + 2 * margin, layout()->sizeHint().height());
}

void MenuBarPopoverView::reportContentSize() {
    const QSizeF size = contentSize();
    reported_ = size;
    resize(size.toSize());
    Q_EMIT contentSizeChanged(size);
}

bool MenuBarPopoverView::event(QEvent* e) {
    const bool handled = QWidget::event(e);
    // The title bar's texts changed size: the card's height may follow.
    if (e->type() == QEvent::LayoutRequest && contentSize() != reported_) reportContentSize();
    return handled;
}

void MenuBarPopoverView::followAccounts() {
    // The count follows the accounts found, as the settings' list does.
    if (AccountRegistry* r = context_.accounts)
        connect(r, &AccountRegistry::accountsByProviderChanged, this, &MenuBarPopoverView::refreshForTime);
}

void MenuBarPopoverView::refreshForTime() {
    summary_->setText(statusSummary(state_, context_.connected(state_), *context_.clock));
}

void MenuBarPopoverView::rebuildTexts() {
    applyState();
    stack_->rebuildCurrent();
}

void MenuBarPopoverView::showEvent(QShowEvent* event) {
    refreshForTime();
    QWidget::showEvent(event);
}

void MenuBarPopoverView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
    liquidGlass(cornerRadius, glassTint(), false, elevation, tintStrength).paint(p, card);
}

} // namespace meterix
