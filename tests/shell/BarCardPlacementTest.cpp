// The bar's content and its window controller together, on screens given by
// number: where the detail card opens, and where the bar stays while the cat
// comes and goes. The window is a stand-in that resizes the content to its
// frame, as the real window does.
#include "core/MeterixPreferences.h"
#include "design/Metric.h"
#include "shell/FloatingPanelController.h"
#include "shell/PanelHitTest.h"
#include "shell/MultiProviderBarView.h"
#include "shell/ProviderSegmentView.h"
#include "core/Localization.h"
#include "panels/CardScrollBody.h"
#include "panels/DetailGlassCardView.h"
#include "panels/GlassActionButton.h"
#include "platform/ui/Appearance.h"
#include <QLayout>
#include "shell/ScreenPlacementEngine.h"

#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"
#include "support/QtPrinters.h"
#include "support/Readings.h"
#include "support/gui/BarServicesOfTests.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>
#include <QSettings>
#include <QWheelEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using P = AIProviderType;
std::string shown(const QRectF& r) { return ::testing::PrintToString(r); }

// The same place on screen. The window is a whole number of pixels wide and
// centred on the bar, while the bar's content may be a half pixel wider: the
// capsule then stands a quarter pixel to one side or the other.
::testing::AssertionResult samePlace(const QRectF& a, const QRectF& b) {
    if (std::abs(a.x() - b.x()) <= 0.5 && a.y() == b.y() && a.size() == b.size())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << shown(a) << " is not at " << shown(b);
}

// 1440 x 900 with a 25 px panel along the top; the same display at twice the
// scale (logical pixels, the panel 12.5 high); a second display to its right.
const ScreenArea kLaptop{QRectF(0, 0, 1440, 900), QRectF(0, 25, 1440, 875)};
const ScreenArea kLaptopAt2x{QRectF(0, 0, 720, 450), QRectF(0, 12.5, 720, 437.5)};
const ScreenArea kExternal{QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1040)};

class ContentWindow final : public FloatingPanelSurface {
  public:
    ContentWindow(const QRectF& frame, QWidget& content) : frame_(frame), content_(content) { fit(); }
    QRectF frame() const override { return frame_; }
    void setFrame(const QRectF& frame) override { frame_ = frame; fit(); }
    void setOrigin(const QPointF& origin) override { frame_.moveTopLeft(origin); }
    bool isRevealed() const override { return true; }
    void reveal() override {}
    void orderFront() override {}
    bool isWindow(const QObject* window) const override { return window && window == windowObject; }
    void setTakesKeyboard(bool takes) override { takesKeyboard = takes; }

    const QObject* windowObject = nullptr; // stands for the window that events are sent to
    bool takesKeyboard = false;

  private:
    void fit() { content_.resize(frame_.size().toSize()); }
    QRectF frame_;
    QWidget& content_;
};

class BarOnScreens : public ::testing::Test {
  protected:
    BarOnScreens()
        : settings_(std::make_shared<QSettings>(dir_.filePath(QStringLiteral("prefs.conf")), QSettings::IniFormat)),
          prefs_(settings_), engine_([this] { return screens_; }) {}

    // The bar with `providers` segments, its window restored at `saved`.
    void launch(QList<ScreenArea> screens, QPointF saved, int providers, bool cat) {
        screens_ = std::move(screens);
        selected_.reset();
        prefs_.setPixelCatEnabled(cat);
        prefs_.setPanelOriginX(saved.x());
        prefs_.setPanelOriginY(saved.y());
        const QSizeF size = MultiProviderBarView::layout(providers, cat, std::nullopt, false).contentSize;
        prefs_.setPanelWidth(size.width());
        prefs_.setPanelHeight(size.height());
        controller_ = std::make_unique<FloatingPanelController>(engine_, prefs_, timers_, clock_);
        bar_ = std::make_unique<MultiProviderBarView>(prefs_, controller_.get(), test::barServices(), clock_);
        bar_->setCardFactory(cardFactory_ ? cardFactory_ : [](const UsageSnapshot&, std::function<void()>) {
            auto* card = new QWidget;
            card->setContentsMargins(20, 20, 20, 20); // the shadow's room
            card->setFixedSize(int(Metric::detailWidth) + 40, 300 + 40);
            return MultiProviderBarView::Card{card, [](const UsageSnapshot&) {}};
        });
        QObject::connect(bar_.get(), &MultiProviderBarView::contentSizeChanged, controller_.get(),
                         &FloatingPanelController::updateContentSize);
        QObject::connect(bar_.get(), &MultiProviderBarView::selectionRequested,
                         [this](std::optional<P> p) {
                             selected_ = p;
                             bar_->setSelected(p);
                             controller_->cardStateChanged();
                         });
        controller_->setPanelFactory([this](const QRectF& frame) {
            auto window = std::make_unique<ContentWindow>(frame, *bar_);
            window_ = window.get();
            window_->windowObject = &windowObject_;
            return window;
        });
        controller_->setCardHooks([this] { return selected_.has_value(); },
                                  [this] { bar_->select(*selected_); });
        controller_->show();
        MultiProviderBarView::State s;
        const QList<P>& all = allProviderTypes();
        for (int i = 0; i < providers; ++i) {
            s.activeProviders.append(all[i]);
            s.snapshots.insert(all[i], test::measuredReading(all[i], 70, clock_.now()));
        }
        bar_->setState(s);
        bar_->show(); // lays itself out as the window resizes it
        bar_->reportContentSize();
        controller_->checkPlacementDirection();
    }

    QRectF window() const { return window_->frame(); }
    QRectF saved() const {
        return QRectF(prefs_.panelOriginX(), prefs_.panelOriginY(), prefs_.panelWidth(), prefs_.panelHeight());
    }
    ContentWindow* window_ = nullptr;
    MultiProviderBarView::CardFactory cardFactory_; // the stand-in card unless set
    // Never shown: events are sent to it as to the bar's window; it counts the
    // keys that reach it (those the controller does not take).
    struct KeyWindow : QWindow {
        int keys = 0;
        void keyPressEvent(QKeyEvent*) override { ++keys; }
    } windowObject_;
    QRectF onScreen(const QRectF& inContent) const { return inContent.translated(window().topLeft()); }
    QRectF capsule() const { return onScreen(bar_->capsuleRect()); }
    // The card's slot as the window is shaped to it: the drawn parts that lie
    // apart from the capsule (no cat is drawn here).
    QRectF card() const {
        if (!bar_->card()) return QRectF();
        const QRect capsuleBand = bar_->capsuleRect().toAlignedRect();
        QRect slot;
        for (const QRect& band : bar_->solidRegion())
            if (!band.intersects(capsuleBand)) slot |= band;
        return onScreen(QRectF(slot));
    }
    QRectF visibleFrameOfBar() const { return ScreenPlacementEngine::screen(screens_, capsule().center()).visibleFrame; }

    QTemporaryDir dir_;
    std::shared_ptr<QSettings> settings_;
    MeterixPreferences prefs_;
    QList<ScreenArea> screens_;
    ScreenPlacementEngine engine_;
    test::FakeClock clock_;
    test::FakeTimerSource timers_{clock_};
    std::unique_ptr<FloatingPanelController> controller_;
    std::unique_ptr<MultiProviderBarView> bar_;
    std::optional<P> selected_; // as the bar asked for it
};

struct EdgeCase {
    const char* name;
    QList<ScreenArea> screens;
    QPointF saved; // where the bar's window was saved, partly past an edge or corner
    int providers;
};

TEST_F(BarOnScreens, CardOpensWhollyInsideTheScreenFromABarAtEveryEdgeAndCorner) {
    const QList<EdgeCase> cases{
        {"top left", {kLaptop}, {-120, 10}, 1},
        {"top edge", {kLaptop}, {600, -30}, 2},
        {"top right", {kLaptop}, {1330, 0}, 1},
        {"right edge, dragged half past it", {kLaptop}, {1300, 400}, 3},
        {"bottom right", {kLaptop}, {1360, 870}, 1},
        {"bottom edge", {kLaptop}, {600, 880}, 2},
        {"bottom left", {kLaptop}, {-60, 860}, 1},
        {"left edge", {kLaptop}, {-100, 400}, 3},
        {"2x: top left", {kLaptopAt2x}, {-50, 0}, 1},
        {"2x: top right", {kLaptopAt2x}, {690, 5}, 1},
        {"2x: right edge", {kLaptopAt2x}, {600.5, 340}, 2},
        {"2x: bottom right", {kLaptopAt2x}, {650, 430}, 1},
        {"2x: bottom left", {kLaptopAt2x}, {-80, 420}, 3},
        {"second display, its right edge", {kLaptop, kExternal}, {3300, 500}, 2},
        {"second display, its left edge over the first", {kLaptop, kExternal}, {1420, 30}, 1},
    };
    for (const EdgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        launch(c.screens, c.saved, c.providers, true);
        const QRectF visible = visibleFrameOfBar();
        const QRectF resting = capsule();
        EXPECT_TRUE(visible.contains(resting)) << shown(resting) << " in " << shown(visible);
        EXPECT_EQ(saved(), window());

        bar_->select(P::claudeCode);
        ASSERT_TRUE(bar_->card());
        const QRectF opened = card();
        EXPECT_TRUE(visible.contains(opened)) << shown(opened) << " in " << shown(visible);
        EXPECT_TRUE(samePlace(capsule(), resting)) << "the bar moved when its card opened";
        // Clicks on the card count as inside it, wherever it was moved to.
        const QPointF cardMiddle = opened.center() - window().topLeft();
        EXPECT_TRUE(PanelHitTest::isLocationInsideCard(cardMiddle, window().size(),
                                                                  controller_->opensUpward(), controller_->barBand(),
                                                                  true, controller_->cardShift()));

        bar_->select(P::claudeCode); // closed: the window is the bar again
        EXPECT_TRUE(samePlace(capsule(), resting));
        EXPECT_EQ(window(), saved());
    }
}

// Thirteen providers on screens from wide to small, the bar high, in the
// middle and low: every segment lies on the screen (compact where the whole
// bar would not fit across); the card opens inside the screen on the side
// where it fits, or where neither side has room for it, on the roomier one,
// shortened to that room and scrolling; and the bar never moves for it.
TEST_F(BarOnScreens, EverySegmentIsReachableAndTheCardNeverMovesTheBar) {
    const ScreenArea at2x{QRectF(0, 0, 960, 540), QRectF(0, 0, 960, 540)};
    const ScreenArea small{QRectF(0, 0, 800, 600), QRectF(0, 0, 800, 600)};
    using Form = MultiProviderBarView::SegmentForm;
    struct Row { const char* name; ScreenArea screen; double savedY; Form form; bool upward, shortened; };
    const QList<Row> rows{
        {"1440x900, top", kLaptop, 29, Form::full, false, false},
        {"1440x900, middle", kLaptop, 415, Form::full, false, false},
        {"1440x900, bottom", kLaptop, 802, Form::full, true, false},
        {"960x540, top", at2x, 4, Form::snug, false, false},
        {"960x540, middle", at2x, 223, Form::snug, false, true},
        {"960x540, bottom", at2x, 442, Form::snug, true, false},
        {"800x600, top", small, 4, Form::ringOnly, false, false},
        {"800x600, middle", small, 253, Form::ringOnly, false, true},
        {"800x600, bottom", small, 502, Form::ringOnly, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        launch({r.screen}, QPointF(0, r.savedY), 13, true);
        const QRectF visible = r.screen.visibleFrame;
        const QRectF resting = capsule(); // which holds every segment
        EXPECT_DOUBLE_EQ(bar_->capsuleRect().width(), MultiProviderBarView::capsuleWidth(13, r.form));
        for (ProviderSegmentView* segment : bar_->segments()) // figures wherever snug fits
            EXPECT_EQ(segment->showsFigure(), r.form != Form::ringOnly);
        EXPECT_TRUE(visible.contains(resting)) << shown(resting);
        bar_->select(P::claudeCode);
        ASSERT_TRUE(bar_->card());
        EXPECT_EQ(controller_->opensUpward(), r.upward);
        EXPECT_TRUE(samePlace(capsule(), resting)) << "the bar moved when its card opened";
        EXPECT_TRUE(visible.contains(card())) << shown(card());
        EXPECT_EQ(card().height() < 300, r.shortened);
        QWheelEvent down(QPointF(10, 10), QPointF(), {}, QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
        const int top = bar_->card()->y();
        QCoreApplication::sendEvent(bar_->card(), &down);
        EXPECT_EQ(bar_->card()->y() < top, r.shortened); // it scrolled
        bar_->select(P::claudeCode);
        EXPECT_TRUE(samePlace(capsule(), resting)) << "the bar moved when its card closed";
        EXPECT_EQ(window(), saved());
    }
}

// An open card takes its window's keys and Escape closes it; another key leaves
// it open and reaches the window, and without a card no key is taken.
TEST_F(BarOnScreens, EscapeClosesTheCard) {
    struct Row { const char* name; bool cardOpen; int key; bool closes; };
    for (const Row& r : {Row{"Escape", true, Qt::Key_Escape, true}, Row{"a letter", true, Qt::Key_A, false},
                         Row{"no card", false, Qt::Key_Escape, false}}) {
        SCOPED_TRACE(r.name);
        launch({kLaptop}, QPointF(500, 200), 3, true);
        if (r.cardOpen) bar_->select(P::claudeCode);
        EXPECT_EQ(window_->takesKeyboard, r.cardOpen);
        QKeyEvent press(QEvent::KeyPress, r.key, Qt::NoModifier);
        const int reached = windowObject_.keys;
        QCoreApplication::sendEvent(&windowObject_, &press);
        EXPECT_EQ(windowObject_.keys == reached, r.closes); // taken only to close
        EXPECT_EQ(bar_->card() != nullptr, r.cardOpen && !r.closes);
        EXPECT_EQ(window_->takesKeyboard, r.cardOpen && !r.closes);
    }
}

// At 960 x 540 the card of a provider with many quotas keeps its close,
// dashboard and refresh buttons on the screen wherever the bar rests; where it
// is shortened the part between them scrolls, with a thumb.
TEST_F(BarOnScreens, AtNineSixtyByFiveFortyTheCardsButtonsAreOnTheScreen) {
    const ScreenArea screen{QRectF(0, 0, 960, 540), QRectF(0, 0, 960, 540)};
    cardFactory_ = [this](const UsageSnapshot& s, std::function<void()> onClose) {
        auto* card = new DetailGlassCardView(Appearance::shared(), Localization::shared(), s, std::move(onClose), clock_);
        return MultiProviderBarView::Card{card, [card](const UsageSnapshot& n) { card->setSnapshot(n); }};
    };
    for (const auto& [savedY, shortened] : {std::pair{4, false}, {223, true}, {442, false}}) {
        launch({screen}, QPointF(0, savedY), 13, true);
        MultiProviderBarView::State s = bar_->state();
        for (int i = 0; i < 6; ++i)
            s.snapshots[P::antigravity].modelQuotas.append(ModelQuotaItem(QString::number(i), 50, QStringLiteral("Daily")));
        bar_->setState(s);
        bar_->select(P::antigravity);
        auto* view = qobject_cast<DetailGlassCardView*>(bar_->card());
        ASSERT_TRUE(view);
        view->layout()->activate();
        for (const char* name : {"close", "dashboard", "refresh"}) {
            const QWidget* b = view->findChild<QWidget*>(QLatin1String(name));
            const QRectF at = onScreen(QRectF(b->mapTo(bar_.get(), QPoint()), b->size()));
            EXPECT_TRUE(card().contains(at) && screen.visibleFrame.contains(at)) << savedY << ": " << shown(at);
        }
        EXPECT_EQ(view->body()->scrolls(), shortened);
        EXPECT_EQ(view->body()->thumbRect().isEmpty(), !shortened);
    }
}

TEST_F(BarOnScreens, BarStaysPutOnScreenWhenTheCatComesAndGoes) {
    // High on the screen the card opens downward, low on it upward; each with
    // its card closed and open, the cat on first and off first.
    for (const auto& [savedY, opensUpward] : {std::pair{200, false}, std::pair{760, true}})
        for (const bool cardOpen : {false, true})
            for (const bool catFirst : {true, false}) {
                SCOPED_TRACE(::testing::Message() << "y " << savedY << (cardOpen ? ", card open" : "")
                                                  << (catFirst ? ", cat on first" : ", cat off first"));
                launch({kLaptop}, QPointF(500, savedY), 2, catFirst);
                ASSERT_EQ(controller_->opensUpward(), opensUpward);
                if (cardOpen) bar_->select(P::claudeCode);
                const QRectF before = capsule();
                const double height = window().height();

                prefs_.setPixelCatEnabled(!catFirst);
                EXPECT_DOUBLE_EQ(window().height() - height, catFirst ? -20 : 20);
                EXPECT_TRUE(samePlace(capsule(), before));
                prefs_.setPixelCatEnabled(catFirst);
                EXPECT_TRUE(samePlace(capsule(), before));
                if (cardOpen) bar_->select(P::claudeCode);
                EXPECT_TRUE(samePlace(capsule(), before));
                EXPECT_EQ(window(), saved());
            }
}

} // namespace
} // namespace meterix
