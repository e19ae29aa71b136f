#include "accounts/AccountRegistry.h"
#include "accounts/AccountUsageStore.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "platform/ui/Appearance.h"
#include "refresh/ProviderManager.h"
#include "shell/FloatingPanel.h"
#include "shell/BarSelection.h"
#include "shell/FloatingPanelController.h"
#include "design/CachedPainting.h"
#include "design/GrabberHandle.h"
#include "design/MissingFigure.h"
#include "shell/MultiProviderBarView.h"
#include "shell/ProviderSegmentView.h"
#include "shell/ScreenPlacementEngine.h"
#include "design/SoundEffectsEngine.h"
#include "design/Surface.h"
#include "shell/TabBarLoadingBar.h"

#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"
#include "support/QtPrinters.h"
#include "support/Readings.h"
#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"
#include "support/gui/BarServicesOfTests.h"

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using P = AIProviderType;
using State = MultiProviderBarView::State;

class BarTest : public ::testing::Test {
protected:
    BarTest()
        : settings_(std::make_shared<QSettings>(dir_.filePath(QStringLiteral("prefs.conf")), QSettings::IniFormat)),
          prefs_(settings_), engine_([] { return ScreenPlacementEngine::systemScreens(); }),
          controller_(engine_, prefs_, timers_, clock_) {
        prefs_.setPixelCatEnabled(false);
        test::showLook(Appearance::Scheme::light);
        test::speak(ResolvedLanguage::english);
    }
    ~BarTest() override {
        test::showLook(std::nullopt);
        test::speak();
    }

    UsageSnapshot reading(P provider, double percent) const {
        return test::measuredReading(provider, percent, clock_.now());
    }

    // A provider manager over no adapters, on this test's settings and clock.
    struct World {
        explicit World(BarTest& t)
            : registry(AccountRegistry::ResolverList{}, t.prefs_, t.clock_),
              store(t.dir_.filePath(QStringLiteral("usage.json")), t.clock_) {
            ProviderManager::Dependencies d;
            d.accountRegistry = &registry;
            d.usageStore = &store;
            d.preferences = &t.prefs_;
            d.clock = &t.clock_;
            d.timers = &t.timers_;
            d.home = t.dir_.path();
            manager = std::make_unique<ProviderManager>(std::move(d), false);
        }
        AccountRegistry registry;
        AccountUsageStore store;
        std::unique_ptr<ProviderManager> manager;
    };

    State state(QList<P> active, QList<UsageSnapshot> snapshots) const {
        State s;
        s.activeProviders = std::move(active);
        for (const UsageSnapshot& snap : snapshots) s.snapshots.insert(snap.provider, snap);
        return s;
    }

    // Selections the bar asks for, kept and fed back as the manager would.
    void followSelections(MultiProviderBarView& bar) {
        QObject::connect(&bar, &MultiProviderBarView::selectionRequested, [this, &bar](std::optional<P> p) {
            requested_.append(p);
            bar.setSelected(p);
        });
    }

    QTemporaryDir dir_;
    std::shared_ptr<QSettings> settings_;
    MeterixPreferences prefs_;
    ScreenPlacementEngine engine_;
    test::FakeClock clock_;
    test::FakeTimerSource timers_{clock_};
    FloatingPanelController controller_;
    QList<std::optional<P>> requested_;
};

TEST_F(BarTest, OnlyActiveProvidersWithASnapshotGetSegmentsInTheirOrder) {
    State s = state({P::cursor, P::claudeCode, P::openAICodex, P::cursor},
                    {reading(P::claudeCode, 80), reading(P::cursor, 40), reading(P::zed, 10)});
    EXPECT_EQ(MultiProviderBarView::visibleProviders(s), (QList<P>{P::cursor, P::claudeCode}));
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.setState(s);
    ASSERT_EQ(bar.segments().size(), 2);
    EXPECT_EQ(bar.segments()[0]->provider(), P::cursor);
    EXPECT_LT(bar.segments()[0]->x(), bar.segments()[1]->x());
    EXPECT_EQ(bar.segment(P::zed), nullptr);
}

TEST_F(BarTest, EmptyBarHoldsOnlyTheHandleAndDividerAndHasNoTier) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.setState(state({P::claudeCode}, {}));
    EXPECT_TRUE(bar.segments().isEmpty());
    EXPECT_EQ(bar.contentSize(), QSizeF(27.5 + 40, 34 + 40));
    EXPECT_EQ(bar.ambientTier(), std::nullopt);
}

TEST_F(BarTest, ContentSizeGrowsBySeventyOnePerSegmentAndTwentyForTheCat) {
    EXPECT_DOUBLE_EQ(MultiProviderBarView::capsuleWidth(0), 27.5);
    EXPECT_DOUBLE_EQ(MultiProviderBarView::capsuleWidth(3), 240.5);
    auto l = MultiProviderBarView::layout(3, false, std::nullopt, false);
    EXPECT_EQ(l.contentSize, QSizeF(280.5, 74));
    EXPECT_EQ(l.capsule, QRectF(20, 20, 240.5, 34));
    l = MultiProviderBarView::layout(3, true, std::nullopt, false);
    EXPECT_EQ(l.contentSize, QSizeF(280.5, 94));
    EXPECT_EQ(l.capsule, QRectF(20, 40, 240.5, 34));

    // A card below: the stack is as wide as the wider of the two.
    l = MultiProviderBarView::layout(1, false, QSizeF(318, 300), false);
    EXPECT_EQ(l.contentSize, QSizeF(358, 74 + 10 + 300));
    EXPECT_EQ(l.capsule, QRectF(20 + (318 - 98.5) / 2, 20, 98.5, 34));
    EXPECT_EQ(l.card, QRectF(20, 64, 318, 300));
    // Above: the card first, then the bar.
    l = MultiProviderBarView::layout(1, true, QSizeF(318, 300), true);
    EXPECT_EQ(l.card, QRectF(20, 20, 318, 300));
    EXPECT_EQ(l.capsule.top(), 20 + 300 + 10 + 20);
    EXPECT_DOUBLE_EQ(l.contentSize.height(), 40 + 300 + 10 + 54);
}

TEST_F(BarTest, SizeIsReportedAsItChangesAndWhenTheCatIsSwitched) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    QList<QSizeF> reports;
    QObject::connect(&bar, &MultiProviderBarView::contentSizeChanged, [&](QSizeF s) { reports << s; });
    bar.setState(state({P::claudeCode, P::openAICodex}, {reading(P::claudeCode, 80), reading(P::openAICodex, 50)}));
    bar.setState(state({P::claudeCode, P::openAICodex}, {reading(P::claudeCode, 70), reading(P::openAICodex, 50)}));
    prefs_.setPixelCatEnabled(true);
    EXPECT_EQ(reports, (QList<QSizeF>{QSizeF(209.5, 74), QSizeF(209.5, 94)}));
    bar.reportContentSize();
    EXPECT_EQ(reports.size(), 3);
}

// The window is cut to the parts drawn on. The cat tells its cells before it
// repaints them, so a reshape it brings promises that repaint; one from the
// layout (a segment more) does not.
TEST_F(BarTest, TheCatsCellsReshapeWithTheirRepaintToFollowAndTheLayoutWithout) {
    prefs_.setPixelCatEnabled(true);
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    QPointer<QWidget> cat;
    bar.setCatViewFactory([&cat](MultiProviderBarView& b) -> QWidget* { return cat = new QWidget(&b); });
    bar.setState(state({P::claudeCode}, {reading(P::claudeCode, 80)}));
    ASSERT_NE(cat, nullptr);
    QList<std::pair<QRegion, bool>> told;
    QObject::connect(&bar, &MultiProviderBarView::solidRegionChanged,
                     [&](const QRegion& r, bool uncoveredRepainted) {
                         told.append({r, uncoveredRepainted});
                     });
    const QPoint at = cat->pos();
    struct Step {
        QRegion cells; // in the cat view's coordinates
        bool tells;
    };
    for (const Step& step :
         {Step{QRegion(30, 26, 18, 14), true}, Step{QRegion(30, 26, 18, 14), false},
          Step{QRegion(33, 26, 18, 14) + QRegion(35, 42, 17, 4), true}, Step{QRegion(), true}}) {
        told.clear();
        bar.setCatRegion(step.cells);
        ASSERT_EQ(told.size(), step.tells ? 1 : 0);
        if (!step.tells) continue;
        EXPECT_TRUE(told.first().second);
        EXPECT_TRUE((step.cells.translated(at) - told.first().first).isEmpty());
        EXPECT_EQ(told.first().first, bar.solidRegion());
    }
    told.clear();
    bar.setState(
        state({P::claudeCode, P::openAICodex}, {reading(P::claudeCode, 80), reading(P::openAICodex, 50)}));
    ASSERT_FALSE(told.isEmpty());
    EXPECT_FALSE(told.last().second);
}

TEST_F(BarTest, AmbientTintIgnoresPlaceholdersAndResetWindows) {
    const QDateTime now = clock_.now();
    State s = state({P::claudeCode, P::cursor}, {UsageSnapshot::simulatedFallback(P::claudeCode, now),
                                                 UsageSnapshot::simulatedFallback(P::cursor, now)});
    EXPECT_EQ(ambientTier(s.activeProviders, s.snapshots, now), std::nullopt);

    s = state({P::claudeCode, P::openAICodex}, {reading(P::claudeCode, 50), reading(P::openAICodex, 12)});
    EXPECT_EQ(ambientTier(s.activeProviders, s.snapshots, now), UsageTier::critical);
    // The 12 % window reset since the reading: its segment shows "---", so the
    // bar is not tinted red by it either.
    s.snapshots[P::openAICodex].headlineResetAt = now.addSecs(-5);
    EXPECT_EQ(ambientTier(s.activeProviders, s.snapshots, now), UsageTier::steady);
    // Inactive providers do not count.
    s.snapshots.insert(P::zed, reading(P::zed, 1));
    EXPECT_EQ(ambientTier(s.activeProviders, s.snapshots, now), UsageTier::steady);
}

TEST_F(BarTest, TappingSelectsMovesAndClosesTheCard) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    followSelections(bar);
    bar.setState(state({P::claudeCode, P::openAICodex}, {reading(P::claudeCode, 80), reading(P::openAICodex, 50)}));
    bar.select(P::claudeCode);
    bar.select(P::openAICodex);
    bar.select(P::openAICodex);
    EXPECT_EQ(requested_, (QList<std::optional<P>>{P::claudeCode, P::openAICodex, std::nullopt}));
    EXPECT_FALSE(bar.segment(P::openAICodex)->isChecked());
}

TEST_F(BarTest, CardSlotHoldsTheSelectedProvidersCardOnlyWhenItHasASnapshot) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    followSelections(bar);
    std::function<void()> close;
    QList<P> built;
    bar.setCardFactory([&](const UsageSnapshot& s, std::function<void()> onClose) {
        built << s.provider;
        close = std::move(onClose);
        auto* card = new QWidget;
        card->setFixedSize(318, 300);
        return MultiProviderBarView::Card{card, {}};
    });
    State s = state({P::claudeCode, P::cursor}, {reading(P::claudeCode, 80)});
    bar.setState(s);
    bar.setSelected(P::cursor); // active, but nothing read yet
    EXPECT_EQ(bar.card(), nullptr);
    EXPECT_EQ(bar.contentSize(), QSizeF(98.5 + 40, 74));

    bar.select(P::claudeCode);
    ASSERT_NE(bar.card(), nullptr);
    EXPECT_EQ(built, QList<P>{P::claudeCode});
    EXPECT_EQ(bar.contentSize(), QSizeF(358, 384));
    // Closing the card deselects exactly as a second tap does.
    close();
    EXPECT_EQ(requested_.last(), std::nullopt);
    EXPECT_EQ(bar.card(), nullptr);
    EXPECT_EQ(bar.contentSize(), QSizeF(138.5, 74));
}

// A card's close button that, like any button, may still use itself once its
// click has been handled: the bar must not delete the card under it.
class SelfUsingCloseButton final : public QPushButton {
public:
    using QPushButton::QPushButton;
    int releases = 0;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QPushButton::mouseReleaseEvent(event);
        ++releases;
        update();
    }
};

TEST_F(BarTest, TheCardsCloseButtonClosesItAndTheCardGoesOnceTheClickIsOver) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    followSelections(bar);
    QPointer<SelfUsingCloseButton> button;
    bar.setCardFactory([&](const UsageSnapshot&, std::function<void()> onClose) {
        auto* card = new QWidget;
        card->setFixedSize(318, 200);
        button = new SelfUsingCloseButton(QStringLiteral("Close"), card);
        button->setGeometry(280, 10, 28, 28);
        QObject::connect(button, &QAbstractButton::clicked, card,
                         [onClose = std::move(onClose)] { onClose(); });
        return MultiProviderBarView::Card{card, {}};
    });
    bar.setState(state({P::claudeCode}, {reading(P::claudeCode, 80)}));
    bar.show();
    bar.select(P::claudeCode);
    const QPointer<QWidget> card = bar.card();
    ASSERT_FALSE(card.isNull());
    ASSERT_FALSE(button.isNull());
    ASSERT_TRUE(button->isVisible());

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(requested_.last(), std::nullopt);
    // Closed at once: no card in the slot, none on screen, the window back to the bar.
    EXPECT_EQ(bar.card(), nullptr);
    EXPECT_EQ(bar.contentSize(), QSizeF(138.5, 74));
    ASSERT_FALSE(card.isNull()); // still there while its click unwinds
    EXPECT_FALSE(card->isVisible());
    EXPECT_EQ(button->releases, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(card.isNull());
    EXPECT_TRUE(button.isNull());

    // Opened again, the slot holds a new card.
    bar.select(P::claudeCode);
    ASSERT_NE(bar.card(), nullptr);
    EXPECT_TRUE(bar.card()->isVisible());
}

// The bar open while the look changes is drawn as one built in the new look.
TEST_F(BarTest, AnOpenBarFollowsAChangeOfLook) {
    State s = state({P::claudeCode, P::openAICodex, P::cursor},
                    {reading(P::claudeCode, 80), reading(P::openAICodex, 12),
                     UsageSnapshot::simulatedFallback(P::cursor, clock_.now())});
    s.activeInUseProviders = {P::openAICodex};
    const auto draw = [&](MultiProviderBarView& bar) {
        bar.resize(bar.contentSize().toSize());
        return test::renderWidget(bar);
    };
    MultiProviderBarView open(prefs_, &controller_, test::barServices(), clock_);
    open.setState(s);
    open.setSelected(P::claudeCode);
    const QImage light = draw(open);
    for (Appearance::Scheme scheme : {Appearance::Scheme::dark, Appearance::Scheme::light}) {
        test::showLook(scheme);
        const QImage switched = draw(open);
        MultiProviderBarView fresh(prefs_, &controller_, test::barServices(), clock_);
        fresh.setState(s);
        fresh.setSelected(P::claudeCode);
        EXPECT_TRUE(switched == draw(fresh)) << (scheme == Appearance::Scheme::dark ? "dark" : "light");
        if (scheme == Appearance::Scheme::dark) {
            EXPECT_FALSE(switched == light);
        }
    }
}

TEST_F(BarTest, ResetWindowIsWithheldOnceItsTimeHasCome) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    UsageSnapshot s = reading(P::claudeCode, 9);
    s.headlineResetAt = clock_.now().addSecs(3600);
    bar.setState(state({P::claudeCode}, {s}));
    EXPECT_FALSE(bar.segment(P::claudeCode)->isWithheld());
    EXPECT_EQ(bar.ambientTier(), UsageTier::critical);
    clock_.advance(3600);
    bar.refreshForTime();
    EXPECT_TRUE(bar.segment(P::claudeCode)->isWithheld());
    EXPECT_EQ(bar.ambientTier(), std::nullopt);
}

TEST_F(BarTest, RefreshStripShowsWhileRefreshingInTheAmbientTint) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    State s = state({P::claudeCode}, {reading(P::claudeCode, 30)});
    s.isRefreshing = true;
    bar.setState(s);
    const auto* loadingBar = bar.findChild<TabBarLoadingBar*>(QStringLiteral("loadingBar"));
    ASSERT_NE(loadingBar, nullptr);
    EXPECT_TRUE(loadingBar->isRefreshing());
    EXPECT_EQ(loadingBar->tint(), QColor(255, 159, 10)); // caution
    test::reduceMotion(true);
    EXPECT_DOUBLE_EQ(loadingBar->sweepOffset(), 0.25);
    test::reduceMotion(std::nullopt);
    s.isRefreshing = false;
    bar.setState(s);
    EXPECT_FALSE(loadingBar->isRefreshing());
    EXPECT_FALSE(loadingBar->isVisible());
    EXPECT_DOUBLE_EQ(TabBarLoadingBar::sweepWidth(40), 35);
    EXPECT_DOUBLE_EQ(TabBarLoadingBar::sweepWidth(100), 50);
}

// The segment's name and tooltip and the open card's reading, as the manager's
// state is presented to the bar: every address in them masked while masking is
// on, whole when it is off, as the setting changes.
TEST_F(BarTest, MaskingFollowsTheSetting) {
    World world(*this);
    ProviderManager& manager = *world.manager;

    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    std::optional<UsageSnapshot> carded;
    bar.setCardFactory([&](const UsageSnapshot& shown, std::function<void()>) {
        carded = shown;
        auto* card = new QWidget;
        card->setFixedSize(318, 200);
        return MultiProviderBarView::Card{card, [&](const UsageSnapshot& newer) { carded = newer; }};
    });
    bar.observe(manager);
    BarSelection selection;
    bar.followSelection(selection);
    UsageSnapshot s = reading(P::claudeCode, 30);
    s.accountEmail = QStringLiteral("carol@example.com");
    s.planName = QStringLiteral("Team of carol@example.com");
    s.fetchError = QStringLiteral("carol@example.com signed out.");
    manager.apply({s}, P::claudeCode);
    selection.set(P::claudeCode);
    const struct {
        bool mask;
        QString name, tooltipPlan, cardError;
    } rows[] = {
        {true, QStringLiteral("Claude Code, c***@example.com"), QStringLiteral("Team of c***@example.com"),
         QStringLiteral("c***@example.com signed out.")},
        {false, QStringLiteral("Claude Code, carol@example.com"), QStringLiteral("Team of carol@example.com"),
         QStringLiteral("carol@example.com signed out.")},
        {true, QStringLiteral("Claude Code, c***@example.com"), QStringLiteral("Team of c***@example.com"),
         QStringLiteral("c***@example.com signed out.")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mask);
        prefs_.setMaskAccountEmails(row.mask);
        ProviderSegmentView* segment = bar.segment(P::claudeCode);
        ASSERT_TRUE(segment);
        EXPECT_EQ(segment->accessibleName(), row.name);
        EXPECT_TRUE(segment->tooltip().contains(row.tooltipPlan)) << segment->tooltip().toStdString();
        EXPECT_EQ(segment->tooltip().contains(QStringLiteral("carol@")), !row.mask);
        ASSERT_TRUE(carded);
        EXPECT_EQ(carded->fetchError, row.cardError);
        EXPECT_EQ(carded->planName, row.tooltipPlan);
    }
    EXPECT_EQ(bar.capsule()->accessibleName(), QStringLiteral("Meterix usage bar"));
    manager.shutdown(1000);
}

// The language chosen in the settings reaches the bar that is already up: its
// own name, and each segment's spoken value, hint and tooltip, both ways.
TEST_F(BarTest, TextsFollowALanguageChangeWhileShown) {
    Localization& localization = Localization::shared();
    const auto restore = qScopeGuard(
        [&localization, before = localization.preference()] { localization.assignPreference(before); });
    localization.assignPreference(AppLanguage::english);
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.setState(
        state({P::claudeCode, P::cursor},
              {reading(P::claudeCode, 45), UsageSnapshot::simulatedFallback(P::cursor, clock_.now())}));
    // The same segments throughout: the texts change in place.
    const QPointer<ProviderSegmentView> claude = bar.segment(P::claudeCode);
    const QPointer<ProviderSegmentView> cursor = bar.segment(P::cursor);
    ASSERT_TRUE(claude && cursor);

    struct Texts {
        AppLanguage language;
        QString barName, claudeValue, cursorValue, hint, claudeTooltip;
    };
    const Texts table[] = {
        {AppLanguage::korean, QStringLiteral("Meterix 사용량 바"), QStringLiteral("잔여 45 퍼센트, 안정"),
         QStringLiteral("데이터 없음 (미연결)"), QStringLiteral("상세 쿼터 카드를 엽니다"),
         QStringLiteral("Claude Code · 잔여 45%")},
        {AppLanguage::english, QStringLiteral("Meterix usage bar"), QStringLiteral("45 percent left, Steady"),
         QStringLiteral("No data (Not connected)"), QStringLiteral("Opens the detailed quota card"),
         QStringLiteral("Claude Code · 45% left")},
        {AppLanguage::korean, QStringLiteral("Meterix 사용량 바"), QStringLiteral("잔여 45 퍼센트, 안정"),
         QStringLiteral("데이터 없음 (미연결)"), QStringLiteral("상세 쿼터 카드를 엽니다"),
         QStringLiteral("Claude Code · 잔여 45%")},
    };
    for (const Texts& t : table) {
        SCOPED_TRACE(rawValue(t.language).toStdString());
        localization.assignPreference(t.language);
        ASSERT_TRUE(claude && cursor);
        EXPECT_EQ(bar.capsule()->accessibleName(), t.barName);
        EXPECT_EQ(claude->accessibleDescription(), t.claudeValue);
        EXPECT_EQ(cursor->accessibleDescription(), t.cursorValue);
        EXPECT_EQ(claude->whatsThis(), t.hint);
        EXPECT_EQ(cursor->whatsThis(), t.hint);
        EXPECT_EQ(claude->tooltip(), t.claudeTooltip);
    }
}

TEST_F(BarTest, BarFollowsTheProviderManagerAndItsSelection) {
    World world(*this);
    ProviderManager& manager = *world.manager;

    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.observe(manager);
    BarSelection selection;
    bar.followSelection(selection);
    // Before anything is read: the default providers, each a withheld placeholder.
    ASSERT_EQ(bar.visibleProviders(), (QList<P>{P::claudeCode, P::openAICodex, P::antigravity}));
    for (ProviderSegmentView* segment : bar.segments()) EXPECT_TRUE(segment->isWithheld());

    manager.apply({reading(P::claudeCode, 64)}, P::claudeCode);
    EXPECT_FALSE(bar.segment(P::claudeCode)->isWithheld());
    EXPECT_EQ(bar.ambientTier(), UsageTier::steady);

    manager.toggleProvider(P::cursor);
    EXPECT_EQ(bar.visibleProviders().last(), P::cursor);

    bar.select(P::openAICodex);
    EXPECT_EQ(selection.current(), P::openAICodex);
    EXPECT_TRUE(bar.segment(P::openAICodex)->isChecked());
    bar.select(P::openAICodex);
    EXPECT_EQ(selection.current(), std::nullopt);
    manager.shutdown(1000);
}

// The bar in its real window, driven through the application's event filter:
// the release that ends a drag reaches the segment after the filter marked it.
TEST_F(BarTest, ReleaseEndingADragDoesNotSelectTheSegmentUnderThePointer) {
    MultiProviderBarView* bar = nullptr;
    FloatingPanel* window = nullptr;
    controller_.setPanelFactory([&](const QRectF& frame) {
        bar = new MultiProviderBarView(prefs_, &controller_, test::barServices(), clock_);
        auto panel = std::make_unique<FloatingPanel>(frame, bar);
        window = panel.get();
        QObject::connect(bar, &MultiProviderBarView::contentSizeChanged, &controller_,
                         &FloatingPanelController::updateContentSize);
        return panel;
    });
    controller_.show();
    ASSERT_TRUE(bar);
    followSelections(*bar);
    bar->setState(state({P::claudeCode, P::openAICodex}, {reading(P::claudeCode, 80), reading(P::openAICodex, 40)}));
    timers_.advance(0.6);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->size(), QSize(209, 74));

    ProviderSegmentView* codex = bar->segment(P::openAICodex);
    const QPoint onCodex = codex->mapTo(window, QPoint(39, 18));
    QWindow* handle = window->windowHandle();
    const QPoint start = window->pos();
    QTest::mousePress(handle, Qt::LeftButton, {}, onCodex);
    QTest::mouseMove(handle, onCodex + QPoint(0, 12));
    EXPECT_TRUE(controller_.isDragging());
    QTest::mouseRelease(handle, Qt::LeftButton, {}, onCodex);
    EXPECT_EQ(window->pos(), start + QPoint(0, 12));
    EXPECT_TRUE(requested_.isEmpty());

    timers_.advance(PanelDrag::cooldown);
    QTest::mouseClick(handle, Qt::LeftButton, {}, onCodex);
    EXPECT_EQ(requested_, (QList<std::optional<P>>{P::openAICodex}));
    EXPECT_TRUE(bar->segment(P::openAICodex)->isChecked());
    test::saveGrab(test::onBackdrop(test::renderWidget(*bar, 2.0), QColor(70, 90, 120)), QStringLiteral("bar-selected"));
}

// Counts the paints of a widget and everything inside it.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& root) : root_(root) { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            auto* w = qobject_cast<QWidget*>(watched);
            if (w && (w == &root_ || root_.isAncestorOf(w))) ++count;
        }
        return false;
    }

private:
    QWidget& root_;
};

// A poll runs its refresh and files readings with new capture times; when no
// figure changed and the refresh ended within a moment, nothing is painted.
TEST_F(BarTest, APollThatChangesNoFigurePaintsNothing) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.setState(state({P::claudeCode, P::openAICodex}, {reading(P::claudeCode, 80), reading(P::openAICodex, 40)}));
    bar.resize(bar.contentSize().toSize());
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QCoreApplication::processEvents();
    PaintCounter paints(bar);
    const auto poll = [&](double claude) {
        State s = bar.state();
        s.isRefreshing = true;
        bar.setState(s);
        clock_.advance(45);
        s.snapshots.insert(P::claudeCode, reading(P::claudeCode, claude));
        s.snapshots.insert(P::openAICodex, reading(P::openAICodex, 40));
        bar.setState(s);
        s.isRefreshing = false;
        bar.setState(s);
        QCoreApplication::processEvents();
    };
    poll(80);
    EXPECT_EQ(paints.count, 0);
    EXPECT_TRUE(bar.findChild<TabBarLoadingBar*>(QStringLiteral("loadingBar"))->isHidden());
    poll(79);
    EXPECT_GT(paints.count, 0);
}

TEST_F(BarTest, HoveringTheCapsuleWakesTheGrabHandle) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.setState(state({P::claudeCode}, {reading(P::claudeCode, 80)}));
    bar.resize(bar.contentSize().toSize());
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(bar.capsule(), &enter);
    EXPECT_TRUE(bar.isBarHovered());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(bar.capsule(), &leave);
    EXPECT_FALSE(bar.isBarHovered());
}

TEST_F(BarTest, GrabOfABarWithEveryKindOfSegment) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    UsageSnapshot reset = reading(P::groq, 5);
    reset.headlineResetAt = clock_.now().addSecs(-1);
    State s = state({P::claudeCode, P::openAICodex, P::antigravity, P::cursor, P::groq},
                    {reading(P::claudeCode, 82), reading(P::openAICodex, 47), reading(P::antigravity, 23),
                     UsageSnapshot::simulatedFallback(P::cursor, clock_.now()), reset});
    s.activeInUseProviders = {P::openAICodex};
    bar.setState(s);
    bar.setSelected(P::antigravity);
    bar.resize(bar.contentSize().toSize());
    EXPECT_EQ(bar.ambientTier(), UsageTier::caution);
    const QImage image = test::renderWidget(bar, 2.0);
    // The capsule is drawn; the bleed's corners stay clear.
    EXPECT_GT(qAlpha(image.pixel(int(bar.capsuleRect().center().x() * 2), int(bar.capsuleRect().center().y() * 2))),
              200);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    test::saveGrab(test::onBackdrop(image, QColor(236, 238, 242)), QStringLiteral("bar-light"));
    test::showLook(Appearance::Scheme::dark);
    test::saveGrab(test::onBackdrop(test::renderWidget(bar, 2.0), QColor(30, 32, 38)), QStringLiteral("bar-dark"));
}

// The bar's motion: segments arriving and leaving, sliding to new places, the
// ambient tint gliding, the card arriving; and still states without motion.
class BarMotion : public BarTest, public ::testing::WithParamInterface<bool> {
protected:
    BarMotion() { test::reduceMotion(reduceMotion()); }
    ~BarMotion() override { test::reduceMotion(std::nullopt); }
    bool reduceMotion() const { return GetParam(); }
    State stateWith(QList<P> active, QList<UsageSnapshot> snapshots) const {
        return state(std::move(active), std::move(snapshots));
    }
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST(BarPresence, SegmentsScaleFromNinetyTwoPercentAndFade) {
    for (const auto& [presence, scale, opacity] : {std::tuple{0.0, 0.92, 0.0}, std::tuple{0.5, 0.96, 0.5},
                                                   std::tuple{1.0, 1.0, 1.0}, std::tuple{1.05, 1.004, 1.0}}) {
        EXPECT_DOUBLE_EQ(ProviderSegmentView::presenceScale(presence), scale);
        EXPECT_DOUBLE_EQ(ProviderSegmentView::presenceOpacity(presence), opacity);
    }
}

TEST_P(BarMotion, SegmentsArriveAndLeave) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.setState(stateWith({P::claudeCode, P::cursor}, {reading(P::claudeCode, 80), reading(P::cursor, 50)}));
    bar.show();
    bar.setState(stateWith({P::claudeCode, P::cursor, P::groq},
                       {reading(P::claudeCode, 80), reading(P::cursor, 50), reading(P::groq, 30)}));
    ProviderSegmentView* added = bar.segment(P::groq);
    ASSERT_NE(added, nullptr);
    const auto ink = [added] { // the figure's, drawn under the segment's fade
        const QImage drawn = test::renderWidget(*added);
        return test::inkIn(drawn, added->childrenRect());
    };
    if (reduceMotion()) {
        EXPECT_GT(ink(), 0);
    } else {
        EXPECT_EQ(ink(), 0); // it scales and fades in
        EXPECT_TRUE(test::waitUntil([&] { return ink() > 0; }));
    }

    const QPointer<ProviderSegmentView> leaving = bar.segment(P::claudeCode);
    bar.setState(stateWith({P::cursor, P::groq}, {reading(P::cursor, 50), reading(P::groq, 30)}));
    EXPECT_EQ(bar.segments().size(), 2);
    EXPECT_EQ(bar.segment(P::claudeCode), nullptr);
    if (reduceMotion()) {
        flushDeletes();
        EXPECT_TRUE(leaving.isNull()); // gone at once
    } else {
        ASSERT_FALSE(leaving.isNull());
        EXPECT_TRUE(leaving->testAttribute(Qt::WA_TransparentForMouseEvents)); // no taps while it fades
        EXPECT_TRUE(test::waitUntil(
            [&] {
                flushDeletes();
                return leaving.isNull();
            }));
    }
    EXPECT_EQ(bar.findChildren<ProviderSegmentView*>().size(), 2);
}

TEST_P(BarMotion, SegmentsSlideIntoTheRoomLeft) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.setState(stateWith({P::claudeCode, P::cursor}, {reading(P::claudeCode, 80), reading(P::cursor, 50)}));
    bar.show();
    ProviderSegmentView* cursor = bar.segment(P::cursor);
    const int before = cursor->x();
    const int firstPlace = bar.segment(P::claudeCode)->x();
    bar.setState(stateWith({P::cursor}, {reading(P::cursor, 50)}));
    if (reduceMotion()) {
        EXPECT_EQ(cursor->x(), firstPlace);
    } else {
        EXPECT_EQ(cursor->x(), before); // then it slides
        EXPECT_TRUE(test::waitUntil([&] { return cursor->x() == firstPlace; }));
    }
}

TEST_P(BarMotion, AmbientTintGlidesToTheNewTier) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.setState(stateWith({P::claudeCode}, {reading(P::claudeCode, 80)}));
    bar.show();
    const QColor abundant = toQColor(gradient(UsageTier::abundant).constFirst());
    const QColor critical = toQColor(gradient(UsageTier::critical).constFirst());
    EXPECT_EQ(bar.currentTint(), abundant);
    bar.setState(stateWith({P::claudeCode}, {reading(P::claudeCode, 10)}));
    if (reduceMotion()) {
        EXPECT_EQ(bar.currentTint(), critical);
    } else {
        EXPECT_EQ(bar.currentTint(), abundant);
        CachedPainting::clear();
        int frames = 0;
        EXPECT_TRUE(test::waitUntil(
            [&] {
                bar.repaint();
                ++frames;
                return bar.currentTint() == critical;
            }));
        EXPECT_GT(frames, 2);
    }
}

TEST_P(BarMotion, TheCardArrivesFadingInFromTheBar) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.setCardFactory([](const UsageSnapshot&, std::function<void()>) {
        auto* card = new QWidget;
        card->setFixedSize(318, 200);
        return MultiProviderBarView::Card{card, {}};
    });
    bar.setState(stateWith({P::claudeCode}, {reading(P::claudeCode, 80)}));
    bar.show();
    bar.setSelected(P::claudeCode);
    ASSERT_NE(bar.card(), nullptr);
    const int finalY = 20 + 34 + 10; // the bleed, the bar, the gap
    if (reduceMotion()) {
        EXPECT_EQ(bar.card()->graphicsEffect(), nullptr);
        EXPECT_EQ(bar.card()->y(), finalY);
    } else {
        auto* fade = qobject_cast<QGraphicsOpacityEffect*>(bar.card()->graphicsEffect());
        ASSERT_NE(fade, nullptr);
        EXPECT_DOUBLE_EQ(fade->opacity(), 0.0);
        EXPECT_LT(bar.card()->y(), finalY); // a little towards the bar
        EXPECT_TRUE(test::waitUntil([&] { return bar.card()->graphicsEffect() == nullptr; }));
        EXPECT_EQ(bar.card()->y(), finalY);
    }
    // The window is sized for the card at once, whatever the motion.
    EXPECT_EQ(bar.contentSize(), QSizeF(358, 40 + 34 + 10 + 200));
}

TEST_P(BarMotion, TheOpenCardTakesNewerReadingsAndTheEndOfItsWindowInPlace) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    QList<P> built;
    QList<double> updates;
    bar.setCardFactory([&](const UsageSnapshot& s, std::function<void()>) {
        built << s.provider;
        auto* card = new QWidget;
        card->setFixedSize(318, 200);
        return MultiProviderBarView::Card{card, [&](const UsageSnapshot& newer) {
                                              updates << newer.headlineRemainingPercentage;
                                          }};
    });
    UsageSnapshot claude = reading(P::claudeCode, 80);
    claude.headlineResetAt = clock_.now().addSecs(60);
    const QList<P> active{P::claudeCode, P::cursor};
    bar.setState(stateWith(active, {claude, reading(P::cursor, 50)}));
    bar.setSelected(P::claudeCode);
    QWidget* card = bar.card();
    ASSERT_NE(card, nullptr);
    claude.headlineRemainingPercentage = 60;
    bar.setState(stateWith(active, {claude, reading(P::cursor, 50)}));
    EXPECT_EQ(bar.card(), card); // the same card, updated
    EXPECT_EQ(updates, QList<double>{60});
    // Its window ends while it is open: it is told again, to withhold the figure.
    clock_.advance(61);
    bar.refreshForTime();
    EXPECT_EQ(updates, (QList<double>{60, 60}));
    // Another provider's card is a new card.
    bar.setSelected(P::cursor);
    EXPECT_EQ(built, (QList<P>{P::claudeCode, P::cursor}));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutMotion, BarMotion, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ReducedMotion" : "Animated"; });

TEST_F(BarTest, APartialRepaintOfASegmentDrawsWhatLiesInThatPart) {
    MultiProviderBarView bar(prefs_, &controller_, test::barServices(), clock_);
    bar.setState(state({P::claudeCode}, {reading(P::claudeCode, 70)}));
    bar.resize(bar.contentSize().toSize());
    const QImage whole = test::renderWidget(bar);
    ProviderSegmentView* segment = bar.segments().value(0);
    ASSERT_NE(segment, nullptr);
    const QRect s(segment->mapTo(&bar, QPoint()), segment->size());
    // The ring's corner, the figures' corner, the plate's top edge alone.
    const QRect parts[] = {QRect(s.left() + 10, s.top() + 10, 12, 12), QRect(s.right() - 24, s.top() + 12, 12, 12),
                           QRect(s.left(), s.top(), s.width(), 6)};
    for (const QRect& part : parts) {
        QImage image(bar.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        bar.render(&image, part.topLeft(), QRegion(part), QWidget::DrawChildren); // at its own place
        EXPECT_GT(test::inkIn(whole, part), 0);
        int differing = 0;
        for (int y = part.top(); y <= part.bottom(); ++y)
            for (int x = part.left(); x <= part.right(); ++x)
                differing += image.pixel(x, y) != whole.pixel(x, y);
        EXPECT_EQ(differing, 0) << part.x() << "," << part.y();
    }
}

} // namespace
} // namespace meterix
