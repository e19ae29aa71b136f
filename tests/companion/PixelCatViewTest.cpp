#include "companion/PixelCatView.h"
#include "companion/CatAnimatedValue.h"
#include "companion/PixelCatLoops.h"
#include "companion/PixelCatOverlayController.h"
#include "companion/PixelCatOverlayWindow.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "design/CatColorPalette.h"
#include "platform/ui/Appearance.h"
#include "shell/MultiProviderBarView.h"
#include "shell/ProviderSegmentView.h"

#include "CatTestDoubles.h"
#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"
#include "support/QtPrinters.h"
#include "support/Readings.h"
#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"
#include "support/gui/BarServicesOfTests.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using P = AIProviderType;

class CatViewTest : public ::testing::Test {
  protected:
    CatViewTest()
        : settings(std::make_shared<QSettings>(dir.filePath(QStringLiteral("p.conf")), QSettings::IniFormat)),
          prefs(settings), timers(clock), feedback(false),
          overlay(
              timers,
              [] {
                  return PixelCatOverlayController::Screens{{QRectF(0, 0, 1280, 800)}, std::nullopt};
              },
              [this](PixelCatOverlayController& c) {
                  auto w = std::make_unique<PixelCatOverlayWindow>(c, prefs, CatMotion{.landsAtOnce = true});
                  overlayWindow = w.get();
                  return w;
              },
              SoundEffectsEngine::shared()) {
        test::showLook(Appearance::Scheme::light);
        test::speak(ResolvedLanguage::english);
    }
    ~CatViewTest() override {
        test::showLook(std::nullopt);
        test::speak();
    }

    UsageSnapshot reading(P provider, double percent) const {
        return test::measuredReading(provider, percent, clock.now());
    }

    // How the cats made from now on move: landing at once, unless a test
    // tells the time and steps them itself.
    CatMotion motion{.landsAtOnce = true};

    // A bar with three readings (or the first `providers` of the catalogue)
    // whose cat band is built here.
    std::unique_ptr<MultiProviderBarView> makeBar(int providers = 0) {
        auto bar = std::make_unique<MultiProviderBarView>(prefs, nullptr, test::barServices(), clock);
        MultiProviderBarView::State s;
        s.activeProviders = {P::claudeCode, P::openAICodex, P::cursor};
        for (auto [p, v] : {std::pair{P::claudeCode, 70.0}, {P::openAICodex, 40.0}, {P::cursor, 90.0}})
            s.snapshots.insert(p, reading(p, v));
        if (providers > 0) {
            s.activeProviders = allProviderTypes().mid(0, providers);
            for (qsizetype i = 0; i < s.activeProviders.size(); ++i)
                s.snapshots.insert(s.activeProviders[i], reading(s.activeProviders[i], 90.0 - 5 * double(i)));
        }
        bar->setState(s);
        bar->setCatViewFactory([this](MultiProviderBarView& b) -> QWidget* {
            PixelCatView::Hooks hooks;
            hooks.setCatDragging = [this](bool d) { catDragging = d; };
            hooks.setHoveringCat = [this](bool h) { hoveringCat = h; };
            auto engine = std::make_unique<PixelCatEngine>(PixelCatEngine::Dependencies{
                &random, &timers, &overlay, &SoundEffectsEngine::shared()});
            PixelCatEngine* made = engine.get();
            auto* cat = new PixelCatView(std::move(engine), prefs, Localization::shared(), std::move(hooks), &b,
                                         motion);
            engines.insert(cat, made);
            QObject::connect(&b, &MultiProviderBarView::capsuleRectChanged, cat, &PixelCatView::placeOver);
            QObject::connect(cat, &PixelCatView::paintedRegionChanged, &b,
                             &MultiProviderBarView::setCatRegion);
            cat->placeOver(b.capsuleRect());
            return cat;
        });
        bar->resize(bar->contentSize().toSize());
        bar->show();
        return bar;
    }
    static PixelCatView* catOf(const MultiProviderBarView& bar) {
        return bar.findChild<PixelCatView*>(QStringLiteral("pixelCat"));
    }
    // The engine a cat of this test was made with.
    PixelCatEngine& engineOf(const PixelCatView* cat) const { return *engines.value(cat); }
    QHash<const PixelCatView*, PixelCatEngine*> engines;
    // The cat's ticks and the clock its moves step on, which it holds.
    static PixelCatLoops& loopsOf(PixelCatView& cat) { return *cat.findChild<PixelCatLoops*>(); }
    static CatAnimationClock& clockOf(PixelCatView& cat) { return *cat.findChild<CatAnimationClock*>(); }

    // Opaque pixels within a few steps of a colour inside a rectangle (logical
    // coordinates; the image may be drawn at a higher pixel ratio): how many,
    // and the mean of their x (logical; NaN when none).
    struct Found {
        int count = 0;
        double meanX = std::nan("");
    };
    static Found pixelsLike(const QImage& image, const QColor& c, const QRect& area) {
        Found found;
        double sumX = 0;
        const qreal d = image.devicePixelRatio();
        const QRect device(int(area.x() * d), int(area.y() * d), int(area.width() * d),
                           int(area.height() * d));
        const QRect r = device.intersected(image.rect());
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor p = image.pixelColor(x, y);
                if (p.alpha() > 250 && std::abs(p.red() - c.red()) <= 2 &&
                    std::abs(p.green() - c.green()) <= 2 && std::abs(p.blue() - c.blue()) <= 2) {
                    ++found.count;
                    sumX += (x + 0.5) / d;
                }
            }
        if (found.count > 0) found.meanX = sumX / found.count;
        return found;
    }

    void mouse(QWidget& w, QEvent::Type type, QPointF local, Qt::MouseButtons buttons = Qt::NoButton) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, local, w.mapToGlobal(local), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &e);
    }

    QTemporaryDir dir;
    std::shared_ptr<QSettings> settings;
    MeterixPreferences prefs;
    test::FakeClock clock;
    test::FakeTimerSource timers;
    test::ScriptedRandom random;
    test::FeedbackRecorder feedback;
    PixelCatOverlayWindow* overlayWindow = nullptr;
    PixelCatOverlayController overlay;
    bool catDragging = false;
    bool hoveringCat = false;
};

TEST_F(CatViewTest, TheCatStandsInTheBandAboveTheCapsuleInEachCoat) {
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    ASSERT_NE(cat, nullptr);
    const QRectF capsule = bar->capsuleRect();
    EXPECT_EQ(cat->geometry().topLeft(), QPoint(int(capsule.left()), int(capsule.top()) - 40));
    EXPECT_NEAR(cat->width(), capsule.width(), 1);
    EXPECT_EQ(cat->height(), 50);
    QList<QImage> grabs;
    for (PixelCatBreed breed : allPixelCatBreeds()) {
        prefs.setPixelCatBreed(breed);
        EXPECT_EQ(cat->accessibleName(), QStringLiteral("Cat companion: ") + displayName(breed));
        const QImage image = test::renderWidget(*bar, 4.0);
        const QRect catArea = cat->catFrameRect().translated(cat->pos()).toAlignedRect();
        const QColor body = palette(breed).body;
        EXPECT_GT(pixelsLike(image, body, catArea).count, 40) << rawValue(breed).toStdString();
        // Nothing of the cat outside its frame in the band above the capsule.
        const QRect band(0, 0, image.width(), int(capsule.top()));
        EXPECT_EQ(pixelsLike(image, body, band).count -
                      pixelsLike(image, body, catArea.intersected(band)).count,
                  0);
        QImage look = test::onBackdrop(test::renderWidget(*bar, 2.0), QColor(70, 90, 120));
        look.setDevicePixelRatio(1);
        grabs.append(look.copy(0, 0, look.width(), int(bar->capsuleRect().bottom() + 12) * 2));
    }
    EXPECT_FALSE(test::saveGrab(test::stack(grabs, QColor(70, 90, 120)), "cat-on-bar-five-coats").isEmpty());
    test::speak(ResolvedLanguage::korean);
    prefs.setPixelCatBreed(PixelCatBreed::blackCat);
    EXPECT_EQ(cat->accessibleName(), QStringLiteral("고양이 컴패니언: 검은 고양이"));
}

TEST_F(CatViewTest, ASleepingCatShowsItsBubbleAndAHeldCatIsCarriedByTheOverlay) {
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    ASSERT_NE(cat, nullptr);
    const QRect before = cat->paintedRegion().boundingRect();
    engineOf(cat).setAction(CatAction::sleeping);
    engineOf(cat).tickFrame();
    ASSERT_EQ(engineOf(cat).zBubbleOpacity(), 1);
    const QRect sleeping = cat->paintedRegion().boundingRect();
    EXPECT_LT(sleeping.top(), before.top()); // the bubble rises above the cat
    const QImage asleep = test::renderWidget(*bar);
    const QRect bubbleArea =
        QRect(sleeping.left(), sleeping.top(), sleeping.width(), before.top() - sleeping.top())
            .translated(cat->pos());
    EXPECT_GT(test::inkIn(asleep, bubbleArea), 0);
    test::saveGrab(test::onBackdrop(asleep, QColor(70, 90, 120)), "cat-sleeping");

    // Lifted: nothing of the cat on the bar; the overlay draws it under the pointer.
    engineOf(cat).onDragStarted(QPointF(400, 300));
    engineOf(cat).tickFrame();
    EXPECT_TRUE(catDragging);
    EXPECT_TRUE(cat->paintedRegion().isEmpty());
    const QImage held = test::renderWidget(*bar, 4.0);
    const QRect catArea = before.translated(cat->pos());
    EXPECT_EQ(pixelsLike(held, palette(PixelCatBreed::orangeTabby).body, catArea).count, 0);
    ASSERT_NE(overlayWindow, nullptr);
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_EQ(overlay.currentFrame(), CatSprite::dangle2);
    const QRectF sprite = overlayWindow->spriteRect();
    EXPECT_NEAR(sprite.center().x(), 400, 1e-9);
    EXPECT_NEAR(sprite.bottom(), 300 + 13, 1e-9);
    QImage carried(overlayWindow->size() * 4, QImage::Format_ARGB32_Premultiplied);
    carried.setDevicePixelRatio(4);
    carried.fill(Qt::transparent);
    overlayWindow->render(&carried);
    const QRect around = sprite.toAlignedRect();
    EXPECT_GT(pixelsLike(carried, palette(PixelCatBreed::orangeTabby).body, around).count, 40);
    test::saveGrab(test::sheet({test::onBackdrop(held, QColor(70, 90, 120)),
                                test::onBackdrop(carried.copy(QRect(around.topLeft() * 4, around.size() * 4)
                                                                  .adjusted(-40, -40, 40, 40)),
                                                 QColor(70, 90, 120))},
                               QColor(70, 90, 120)),
                   "cat-held");
    engineOf(cat).onDragEnded(QSizeF(500, 0), QPointF(900, 300));
    timers.advance(0.34);
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_FALSE(catDragging);
    EXPECT_FALSE(cat->paintedRegion().isEmpty());
    // The carried cat landed where the bar cat now stands: no jump at the hand-over.
    EXPECT_NEAR(engineOf(cat).positionX(), bar->capsuleRect().width() - 33.6, 1e-9); // the right end
    const QPointF standing = cat->mapToGlobal(cat->catFrameRect().center());
    EXPECT_NEAR(overlay.catScreenPosition().x(), standing.x(), 1e-6);
    EXPECT_NEAR(overlay.catScreenPosition().y(), standing.y(), 1e-6);
}

// The frames have the head at the left (the stretch has it at the right):
// whichever way the cat faces, its eyes are drawn on that side of its frame,
// on the bar and carried alike, and the sleep bubble and the tap's heart
// stand on that side too.
TEST_F(CatViewTest, TheHeadLeadsTheWayTheCatFaces) {
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    ASSERT_NE(cat, nullptr);
    PixelCatEngine& e = engineOf(cat);
    e.setApplicationVisible(false); // the test ticks the cat
    const CatColorPalette coat = palette(PixelCatBreed::orangeTabby);
    // Open eyes in the coat's eye colour, closed ones a near-black line.
    const auto eyeColor = [&](CatSprite sprite) {
        return PixelCatSprites::frame(sprite).rows.join(QString()).contains(QLatin1Char('E'))
                   ? coat.eye
                   : QColor::fromRgbF(0.15f, 0.15f, 0.18f);
    };
    struct Row {
        CatAction action;
        bool tapped; // then happy, with the heart over it
    };
    for (const Row& row :
         {Row{CatAction::walking, false}, Row{CatAction::idle, false}, Row{CatAction::sitting, false},
          Row{CatAction::grooming, false}, Row{CatAction::layingDown, false}, Row{CatAction::sleeping, false},
          Row{CatAction::stretching, false}, Row{CatAction::sitting, true}}) {
        for (const bool left : {false, true}) {
            e.setAction(row.action);
            if (row.tapped) e.onCatTapped();
            e.tickFrame();
            e.onDragChanged(QSizeF(left ? -5 : 5, 0), QPointF()); // turns it, lifts nothing
            QCoreApplication::processEvents();
            SCOPED_TRACE(std::string(PixelCatSprites::name(e.currentFrame())) +
                         (left ? " facing left" : " facing right"));
            ASSERT_EQ(e.isFacingLeft(), left);
            const QImage image = test::renderWidget(*bar, 4.0);
            const QRectF frame = cat->catFrameRect().translated(cat->pos());
            const auto onItsSide = [&](double x) {
                return left ? x < frame.center().x() : x > frame.center().x();
            };
            const Found eyes = pixelsLike(image, eyeColor(e.currentFrame()), frame.toAlignedRect());
            ASSERT_GT(eyes.count, 4);
            EXPECT_TRUE(onItsSide(eyes.meanX)) << eyes.meanX << " vs centre " << frame.center().x();
            if (row.action == CatAction::sleeping || row.tapped) {
                // The bubble or the heart: what is drawn above the lifted cat's ears.
                const QRect above = (cat->paintedRegion().translated(cat->pos()) &
                                     QRect(0, 0, bar->width(), int(frame.top()) - 3))
                                        .boundingRect();
                ASSERT_FALSE(above.isEmpty());
                EXPECT_TRUE(onItsSide(above.center().x())) << "drawn above at " << above.center().x();
            }
        }
    }

    // Carried: the overlay draws any frame the same way round.
    for (const CatSprite sprite : {CatSprite::walk1, CatSprite::sit1, CatSprite::stretch})
        for (const bool left : {false, true}) {
            SCOPED_TRACE(std::string(PixelCatSprites::name(sprite)) +
                         (left ? " carried left" : " carried right"));
            overlay.startDrag(QPointF(400, 300), left, sprite);
            ASSERT_NE(overlayWindow, nullptr);
            QImage carried(overlayWindow->size() * 4, QImage::Format_ARGB32_Premultiplied);
            carried.setDevicePixelRatio(4);
            carried.fill(Qt::transparent);
            overlayWindow->render(&carried);
            const QRectF drawn = overlayWindow->spriteRect();
            const Found eyes = pixelsLike(carried, eyeColor(sprite), drawn.toAlignedRect());
            ASSERT_GT(eyes.count, 4);
            EXPECT_EQ(eyes.meanX < drawn.center().x(), left)
                << eyes.meanX << " vs centre " << drawn.center().x();
            overlay.endDrag(QPointF(), {});
            timers.advance(1);
        }
}

TEST_F(CatViewTest, BoundsFollowTheBarWidthWithAnEightyPointFloor) {
    struct Row {
        double capsuleWidth;
        double maxX;
    };
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    ASSERT_NE(cat, nullptr);
    bar->show();
    for (const Row& r : {Row{180, 146.4}, Row{80, 46.4}, Row{50, 46.4}, Row{240.5, 206.9}}) {
        cat->placeOver(QRectF(20, 40, r.capsuleWidth, 34));
        // Walking to and fro, it turns at the ends of its range.
        PixelCatEngine& e = engineOf(cat);
        e.setAction(CatAction::walking);
        random.rolls = std::deque<int>(80, 0); // walking on at every end
        double lowest = e.positionX(), highest = e.positionX();
        for (int tick = 0; tick < 200; ++tick) {
            e.tickFrame();
            lowest = std::min(lowest, e.positionX());
            highest = std::max(highest, e.positionX());
        }
        random.rolls.clear();
        EXPECT_EQ(lowest, 12) << r.capsuleWidth;
        EXPECT_NEAR(highest, std::round(std::max(r.capsuleWidth, 80.0)) - 33.6, 0.5) << r.capsuleWidth;
    }
}

// Presses, moves and releases as the pointer makes them: under 1 pt nothing, 1
// to under 4 a tap, 4 and more a lift that any release drops; sideways moves
// over 2 pt turn the cat even in a tap.
TEST_F(CatViewTest, GestureTellsTapsFromLifts) {
    struct Row {
        const char* name;
        std::vector<QPointF> moves; // from the press
        QPointF release;
        bool tapped, lifted;
        bool facingLeft;
    };
    const Row rows[] = {
        {"still", {}, {0, 0}, false, false, false},
        {"under one point", {{0.5, 0.5}}, {0.6, 0.5}, false, false, false},
        {"one point", {{1, 0}}, {1, 0}, true, false, false},
        {"wiggle left", {{-1, 0}, {-2.5, 0}, {-3, 1}}, {-2.5, 0.5}, true, false, true},
        {"wiggle of two", {{-2, 0}}, {-2, 0}, true, false, false},
        {"four points", {{0, 2}, {0, 4}}, {0, 4}, false, true, false},
        {"lift and back", {{30, 0}, {60, 40}, {1, 0}}, {0.5, 0}, false, true, false},
        {"lift far left", {{-200, 200}}, {-200, 200}, false, true, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        overlay.endDrag(QPointF(), {});
        timers.advance(1);
        auto bar = makeBar();
        PixelCatView* cat = catOf(*bar);
        bar->show();
        PixelCatEngine& e = engineOf(cat);
        const QPointF press = cat->catFrameRect().center();
        const QPointF g = cat->mapToGlobal(press);
        CatGesture gesture(e);
        gesture.press(g);
        bool lifted = false;
        for (QPointF m : r.moves) {
            gesture.move(g + m);
            lifted = lifted || e.isBeingHeld();
        }
        EXPECT_EQ(e.isFacingLeft(), r.facingLeft);
        gesture.release(g + r.release);
        EXPECT_EQ(lifted, r.lifted);
        EXPECT_EQ(e.currentAction() == CatAction::happy, r.tapped);
        if (r.lifted) {
            EXPECT_FALSE(overlay.isDragging()); // dropped, springing back
            timers.advance(0.34);
            EXPECT_EQ(e.currentAction(), CatAction::sitting);
            EXPECT_FALSE(e.isBeingHeld());
        }
        if (!r.tapped && !r.lifted) {
            EXPECT_EQ(e.currentAction(), CatAction::walking);
        }
    }
}

TEST_F(CatViewTest, HoverOnTheCatIsClearedWhenTheViewIsHiddenOrGoes) {
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    QWidget* hit = bar->findChild<QWidget*>(QStringLiteral("catHitArea"));
    const QPointF onCat = hit->mapFromGlobal(cat->mapToGlobal(cat->catFrameRect().center()));
    const QPointF beside = onCat + QPointF(40, 0);
    auto enter = [&](QPointF at) {
        QEnterEvent e(at, at, hit->mapToGlobal(at));
        QCoreApplication::sendEvent(hit, &e);
    };
    auto leave = [&] {
        QEvent e(QEvent::Leave);
        QCoreApplication::sendEvent(hit, &e);
    };
    enter(beside);
    EXPECT_FALSE(hoveringCat);
    EXPECT_NE(hit->cursor().shape(), Qt::OpenHandCursor);
    mouse(*hit, QEvent::MouseMove, onCat);
    EXPECT_TRUE(hoveringCat);
    EXPECT_EQ(hit->cursor().shape(), Qt::OpenHandCursor);
    mouse(*hit, QEvent::MouseMove, beside);
    EXPECT_FALSE(hoveringCat);
    enter(onCat);
    EXPECT_TRUE(hoveringCat);
    leave();
    EXPECT_FALSE(hoveringCat);
    enter(onCat);
    ASSERT_TRUE(hoveringCat);
    cat->hide();
    EXPECT_FALSE(hoveringCat);
    cat->show();
    enter(onCat);
    ASSERT_TRUE(hoveringCat);
    prefs.setPixelCatEnabled(false); // the bar lets go of its cat while the pointer rests on it
    EXPECT_EQ(catOf(*bar), nullptr);
    EXPECT_FALSE(hoveringCat);
}

TEST_F(CatViewTest, OnlyTheCatsFrameTakesThePointer) {
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    QWidget* hitWidget = bar->findChild<QWidget*>(QStringLiteral("catHitArea"));
    const QRectF frame = cat->catFrameRect().translated(cat->pos());
    const double capsuleTop = bar->capsuleRect().top();
    // The band above the capsule; the capsule itself stays the bar's.
    EXPECT_EQ(bar->childAt(frame.center().toPoint()), hitWidget);
    EXPECT_EQ(hitWidget->geometry().top(), int(std::floor(frame.top())));
    EXPECT_EQ(hitWidget->geometry().bottom() + 1, int(capsuleTop));
    EXPECT_NE(bar->childAt(QPoint(int(frame.center().x()), int(capsuleTop) + 2)), hitWidget);

    // A press beside the cat goes on to the bar and lifts nothing.
    const QPointF on = hitWidget->mapFromGlobal(bar->mapToGlobal(frame.center()));
    QMouseEvent besidePress(QEvent::MouseButtonPress, on + QPointF(40, 0),
                            hitWidget->mapToGlobal(on + QPointF(40, 0)), Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    QCoreApplication::sendEvent(hitWidget, &besidePress);
    EXPECT_FALSE(besidePress.isAccepted());
    EXPECT_FALSE(hoveringCat);
    mouse(*hitWidget, QEvent::MouseMove, on + QPointF(60, 0), Qt::LeftButton);
    EXPECT_FALSE(engineOf(cat).isBeingHeld());
    mouse(*hitWidget, QEvent::MouseButtonRelease, on + QPointF(60, 0));

    mouse(*hitWidget, QEvent::MouseButtonPress, on, Qt::LeftButton);
    EXPECT_TRUE(hoveringCat); // a press on the cat is the cat's, even without a hover first
    mouse(*hitWidget, QEvent::MouseMove, on + QPointF(10, 0), Qt::LeftButton);
    EXPECT_TRUE(catDragging);
    EXPECT_TRUE(engineOf(cat).isBeingHeld());
    mouse(*hitWidget, QEvent::MouseButtonRelease, on + QPointF(10, 0));
    timers.advance(0.34);
    EXPECT_FALSE(catDragging);
    EXPECT_EQ(engineOf(cat).currentAction(), CatAction::sitting);
}

TEST_F(CatViewTest, TheSettingAddsAndRemovesTheCatAndItsBandAtOnce) {
    auto bar = makeBar();
    bar->show();
    QPointer<PixelCatView> cat = catOf(*bar);
    ASSERT_TRUE(cat);
    EXPECT_TRUE(
        test::waitUntil([&] { return loopsOf(*cat).isRunning(); })); // once the window is exposed
    EXPECT_DOUBLE_EQ(bar->contentSize().height(), 94);
    EXPECT_FALSE(bar->solidRegion().intersected(cat->paintedRegion().translated(cat->pos())).isEmpty());
    // The running frame timer may already have stepped once on a slow machine:
    // count from wherever the cat stands now.
    const double start = engineOf(cat).positionX();
    for (int i = 0; i < 5; ++i)
        engineOf(cat).tickFrame();
    EXPECT_EQ(engineOf(cat).positionX(), start + 15);

    prefs.setPixelCatEnabled(false);
    EXPECT_TRUE(cat.isNull()); // its engine and both timers went with it
    EXPECT_DOUBLE_EQ(bar->contentSize().height(), 74);
    EXPECT_LT(bar->solidRegion().boundingRect().top(), 21);
    EXPECT_GE(bar->solidRegion().boundingRect().top(), 20);

    prefs.setPixelCatEnabled(true);
    ASSERT_NE(catOf(*bar), nullptr);
    EXPECT_EQ(engineOf(catOf(*bar)).positionX(), 60); // a fresh cat
    EXPECT_DOUBLE_EQ(bar->contentSize().height(), 94);
}

// Whatever the bar's width, each change of the cat (a walking step, a hop with
// its heart, a sleeping tick with its bubble) repaints, of every widget in the
// bar, only the cat's own rectangles before and after it: the same pixels on
// the narrow bar and on the widest.
TEST_F(CatViewTest, EachChangeRepaintsOnlyTheCatsRectanglesWhateverTheBarsWidth) {
    struct Recorder : QObject {
        QWidget* bar = nullptr;
        QRegion painted;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(e)->region().translated(static_cast<QWidget*>(o)->mapTo(bar, QPoint()));
            return false;
        }
    };
    QList<qint64> areas;
    for (const int providers : {3, 14}) {
        auto bar = makeBar(providers);
        PixelCatView* cat = catOf(*bar);
        QCoreApplication::processEvents();
        // Only the ticks made here are measured: the cat's own timer, which a
        // loaded machine lets fire between them, ticks no more.
        QObject::disconnect(cat->findChild<QTimer*>(QStringLiteral("catFrameTimer")), nullptr, nullptr, nullptr);
        Recorder rec;
        rec.bar = bar.get();
        QList<QWidget*> all = bar->findChildren<QWidget*>();
        for (QWidget* w : all << bar.get())
            w->installEventFilter(&rec);
        const auto catRect = [&] {
            return (cat->paintedRegion().boundingRect() | cat->catFrameRect().toAlignedRect()).translated(cat->pos());
        };
        qint64 area = 0;
        for (const auto& [action, tap] : {std::pair{CatAction::walking, false}, {CatAction::sitting, true},
                                          {CatAction::sleeping, false}}) {
            engineOf(cat).setAction(action);
            for (int i = 0; i < 4; ++i) {
                rec.painted = QRegion();
                const QRect was = catRect();
                tap && i == 0 ? engineOf(cat).onCatTapped() : loopsOf(*cat).frameTick(); // as its timer ticks
                QCoreApplication::processEvents();
                EXPECT_TRUE(rec.painted.isEmpty() ||
                            QRegion((was | catRect()).adjusted(-1, -1, 1, 1)).contains(rec.painted.boundingRect()))
                    << providers << " providers, " << int(action) << ": " << ::testing::PrintToString(QRectF(rec.painted.boundingRect()));
                for (const QRect& r : rec.painted)
                    area += qint64(r.width()) * r.height();
            }
        }
        areas << area;
    }
    EXPECT_EQ(areas.value(0), areas.value(1));
}

// Counts the paint events a widget receives from now on.
struct PaintCounter : QObject {
    explicit PaintCounter(QObject* widget) { widget->installEventFilter(this); }
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(CatViewTest, ACatThatStaysPutRepaintsNothingOfTheCapsuleAndAStepOnlyTheStripItsShadowCrosses) {
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    ASSERT_NE(cat, nullptr);
    QCoreApplication::processEvents();
    // What each widget in the capsule (segments, handle, divider, strip)
    // repaints, in the bar's coordinates.
    struct Recorder : QObject {
        QWidget* bar = nullptr;
        QRegion capsule;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                capsule += static_cast<QPaintEvent*>(e)->region().translated(
                    static_cast<QWidget*>(o)->mapTo(bar, QPoint()));
            return false;
        }
    } rec;
    rec.bar = bar.get();
    const QList<QWidget*> inCapsule = bar->capsule()->findChildren<QWidget*>();
    ASSERT_GE(inCapsule.size(), 4);
    for (QWidget* w : inCapsule)
        w->installEventFilter(&rec);
    const QRect capsule = bar->capsuleRect().toAlignedRect();

    PaintCounter catPaints(cat);
    for (const CatAction action :
         {CatAction::sitting, CatAction::grooming, CatAction::idle, CatAction::sleeping, CatAction::walking}) {
        engineOf(cat).setAction(action);
        engineOf(cat).tickFrame();
        QCoreApplication::processEvents();
        rec.capsule = QRegion();
        catPaints.paints = 0;
        for (int i = 0; i < 8; ++i) {
            engineOf(cat).tickFrame();
            QCoreApplication::processEvents();
        }
        EXPECT_GT(catPaints.paints, 0) << int(action); // the frames did change
        // At most its paws on the capsule's top edge, and its shadow's strip
        // a few pixels below it.
        const QRect repainted = rec.capsule.boundingRect();
        EXPECT_TRUE(repainted.isEmpty() ||
                    (repainted.top() >= capsule.top() && repainted.bottom() <= capsule.top() + 7))
            << int(action) << ": rows " << repainted.top() << " to " << repainted.bottom();
    }
}

TEST_F(CatViewTest, ALoopTickIsDrawnAndToldOnceWhenItIsDone) {
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    ASSERT_NE(cat, nullptr);
    QCoreApplication::processEvents();
    PaintCounter rec(cat);
    // The bare widget that takes the pointer over the band draws nothing and
    // is skipped by the repaints that cross it.
    PaintCounter hitAreaPaints(bar->findChild<QWidget*>(QStringLiteral("catHitArea")));
    QList<QRegion> told;
    QObject::connect(cat, &PixelCatView::paintedRegionChanged, cat,
                     [&](const QRegion& r) { told.append(r); });
    // A walking tick moves the cat and changes its frame: one new shape for
    // the window and one repaint, both before the tick returns; a loafing cat
    // tick after tick, and a behaviour tick that changes nothing, neither.
    struct Row {
        CatAction action;
        bool behaviour; // enough frame ticks to carry the 1 s tick
        bool changes;
    };
    for (const Row& row : {Row{CatAction::walking, false, true}, Row{CatAction::layingDown, false, false},
                           Row{CatAction::layingDown, true, false}}) {
        engineOf(cat).setAction(row.action);
        loopsOf(*cat).frameTick();
        QCoreApplication::processEvents();
        // Nine frame ticks carry a behaviour tick.
        for (int i = 0; i < (row.behaviour ? 9 : 4); ++i) {
            told.clear();
            rec.paints = 0;
            const QRegion was = cat->paintedRegion();
            loopsOf(*cat).frameTick();
            EXPECT_FALSE(loopsOf(*cat).isTicking());
            if (row.changes) {
                EXPECT_NE(cat->paintedRegion(), was);
                ASSERT_EQ(told.size(), 1) << int(row.action);
                EXPECT_EQ(told.first(), cat->paintedRegion());
                EXPECT_EQ(rec.paints, 1);
            } else {
                EXPECT_TRUE(told.isEmpty()) << int(row.action);
                EXPECT_EQ(rec.paints, 0) << int(row.action);
            }
            QCoreApplication::processEvents(); // nothing left to tell or draw
            EXPECT_LE(told.size(), 1);
            EXPECT_EQ(rec.paints, row.changes ? 1 : 0);
        }
    }
    EXPECT_EQ(hitAreaPaints.paints, 0);
    // The window's shape follows: the bar's solid parts hold the cat's cells.
    EXPECT_TRUE((cat->paintedRegion().translated(cat->pos()) - bar->solidRegion()).isEmpty());
}

TEST_F(CatViewTest, EachStepOfTheCatsMovesIsDrawnOnceBeforeTheStepReturns) {
    qint64 now = 0;
    motion = CatMotion{[&now] { return now; }};
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    ASSERT_NE(cat, nullptr);
    QCoreApplication::processEvents();
    PaintCounter rec(cat);
    int told = 0;
    QObject::connect(cat, &PixelCatView::paintedRegionChanged, cat, [&] { ++told; });
    // The test steps the cat itself: a frame tick of the running loops on a
    // slow machine would add a paint of its own.
    engineOf(cat).setApplicationVisible(false);
    ASSERT_FALSE(loopsOf(*cat).isRunning());
    CatAnimationClock& clock = clockOf(*cat);
    // Each step repaints and reshapes the bar's window: never at the display's rate.
    EXPECT_GE(clock.interval(), std::chrono::milliseconds(33));

    const auto stepUntilStill = [&](int maxSteps) {
        int drawnSteps = 0;
        for (int step = 0; step < maxSteps && clock.isRunning(); ++step) {
            const int paints = rec.paints;
            now += clock.interval().count();
            clock.step();
            EXPECT_LE(rec.paints, paints + 1) << "step " << step;
            if (rec.paints > paints) ++drawnSteps;
            const int drawn = rec.paints;
            QCoreApplication::processEvents(); // nothing was left for the event loop
            EXPECT_EQ(rec.paints, drawn) << "step " << step;
        }
        EXPECT_FALSE(clock.isRunning()); // no timer once all is still
        return drawnSteps;
    };

    // A behaviour tick turns the walking cat: the turn's spring.
    random.waits = {0};
    random.rolls = {90};
    for (int i = 0; i < 9 && !engineOf(cat).isFacingLeft(); ++i) // the frame tick that carries one
        loopsOf(*cat).frameTick();
    QCoreApplication::processEvents();
    ASSERT_TRUE(engineOf(cat).isFacingLeft());
    EXPECT_GT(stepUntilStill(100), 3);
    EXPECT_GE(told, 2); // both ways round while it turns, one way at rest

    // A tap: the hop and the heart's rise and fade move together, drawn once a step.
    engineOf(cat).onCatTapped();
    QCoreApplication::processEvents();
    EXPECT_GT(stepUntilStill(100), 5);
}

// Each walking step glides to its new place over its frame tick, stepped on
// the view's clock with one repaint a step; the steps chain into an even
// 25 pt/s whichever way the cat walks, and once it stops the glide under way
// lands and the clock stops.
TEST_F(CatViewTest, AWalkGlidesEvenlyOnTheViewsClock) {
    qint64 now = 0;
    motion = CatMotion{[&now] { return now; }};
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    ASSERT_NE(cat, nullptr);
    QCoreApplication::processEvents();
    PixelCatEngine& e = engineOf(cat);
    e.setApplicationVisible(false); // the test ticks and steps the cat
    CatAnimationClock& clock = clockOf(*cat);
    const qint64 tickMs = std::lround(PixelCatEngine::frameInterval * 1000);
    const qint64 stepMs = clock.interval().count();
    PaintCounter paints(cat);
    for (const bool left : {false, true}) {
        SCOPED_TRACE(left ? "walking left" : "walking right");
        e.onDragChanged(QSizeF(left ? -5 : 5, 0), QPointF());
        e.setAction(CatAction::walking);
        for (int i = 0; i < 100 && clock.isRunning(); ++i) { // the turn settles first
            now += stepMs;
            clock.step();
        }
        const double start = cat->catFrameRect().x();
        const qint64 startMs = now;
        int steps = 0, stepPaints = 0;
        for (int tick = 0; tick < 3; ++tick) {
            const qint64 tickAt = now;
            loopsOf(*cat).frameTick();
            EXPECT_TRUE(clock.isRunning());
            for (now = tickAt + stepMs; now < tickAt + tickMs; now += stepMs) {
                const int before = paints.paints;
                clock.step();
                ++steps;
                EXPECT_LE(paints.paints, before + 1);
                stepPaints += paints.paints - before;
                const double walked = 25.0 * double(now - startMs) / 1000;
                EXPECT_NEAR(cat->catFrameRect().x(), start + (left ? -walked : walked), 0.126) << now;
            }
            now = tickAt + tickMs;
        }
        EXPECT_EQ(steps, 3 * ((tickMs - 1) / stepMs));
        EXPECT_EQ(stepPaints, steps); // every step moved it
        e.setAction(CatAction::sitting);
        loopsOf(*cat).frameTick();
        for (int i = 0; i < 10 && clock.isRunning(); ++i) {
            now += stepMs;
            clock.step();
        }
        EXPECT_FALSE(clock.isRunning());
        EXPECT_EQ(cat->catFrameRect().x(), start + (left ? -9 : 9));
    }
}

TEST(CatAnimatedValueTest, MovesLandOnTheirTargetsWithoutJumps) {
    qint64 now = 0;
    CatAnimationClock clock(std::chrono::milliseconds(33), CatMotion{[&now] { return now; }});
    const auto run = [&](int steps) {
        for (int i = 0; i < steps && clock.isRunning(); ++i) {
            now += 33;
            clock.step();
        }
    };
    struct Row {
        const char* name;
        CatAnimation how;
    };
    for (const Row& row :
         {Row{"spring", CatAnimation::withSpring(SpringSpec{0.22, 0.82})},
          Row{"ease out", CatAnimation::easeOut(0.3)}, Row{"ease in-out", CatAnimation::easeInOut(0.8)},
          Row{"linear", CatAnimation::linear(0.12)}}) {
        SCOPED_TRACE(row.name);
        CatAnimatedValue v(clock, 0);
        double last = 0, biggest = 0;
        QObject::connect(&v, &CatAnimatedValue::valueChanged, [&](double x) {
            biggest = std::max(biggest, std::abs(x - last));
            last = x;
        });
        v.animateTo(10, row.how);
        EXPECT_TRUE(v.isMoving());
        v.animateTo(std::nan(""), row.how); // ignored
        run(3);
        // Turned back halfway: the value goes on from where it stands.
        const double before = v.value();
        EXPECT_GT(before, 0) << "still on its way to 10";
        v.animateTo(-10, row.how);
        now += 33;
        clock.step();
        EXPECT_LT(std::abs(v.value() - before), 6) << "no jump on a new target";
        run(200);
        EXPECT_FALSE(v.isMoving());
        EXPECT_EQ(v.value(), -10);
        EXPECT_LT(biggest, 10);
    }
    EXPECT_FALSE(clock.isRunning());

    // A value whose listener deletes another that moves in the same step.
    auto* a = new CatAnimatedValue(clock, 0);
    auto* b = new CatAnimatedValue(clock, 0);
    QObject::connect(a, &CatAnimatedValue::valueChanged, [&] { delete std::exchange(b, nullptr); });
    a->animateTo(1, CatAnimation::easeOut(0.2));
    b->animateTo(1, CatAnimation::easeOut(0.2));
    run(20);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(a->value(), 1);
    delete a;
    EXPECT_FALSE(clock.isRunning());
}

TEST_F(CatViewTest, ATickThatChangesNothingDrawnRepaintsNothingAndFramesAreStamped) {
    auto bar = makeBar();
    PixelCatView* cat = catOf(*bar);
    ASSERT_NE(cat, nullptr);
    QCoreApplication::processEvents();
    PaintCounter rec(cat);
    // A loafing cat told to loaf again keeps its one frame tick after tick; a
    // walking one takes a step and a new frame on each.
    struct Row {
        CatAction action;
        int ticks;
        bool repaints; // on every tick
    };
    for (const Row& row : {Row{CatAction::layingDown, 6, false}, Row{CatAction::walking, 6, true}}) {
        engineOf(cat).setAction(row.action);
        engineOf(cat).tickFrame();
        QCoreApplication::processEvents();
        rec.paints = 0;
        for (int i = 0; i < row.ticks; ++i) {
            engineOf(cat).setAction(row.action);
            engineOf(cat).tickFrame();
            QCoreApplication::processEvents();
        }
        if (row.repaints)
            EXPECT_GE(rec.paints, row.ticks) << int(row.action);
        else
            EXPECT_EQ(rec.paints, 0) << int(row.action);
    }

    // Days of hops and drops pass through ever new offsets within a pixel:
    // the outline in use is right. (A
    // loafing cat keeps its frame whatever the running loops do meanwhile.)
    engineOf(cat).setAction(CatAction::layingDown);
    engineOf(cat).tickFrame();
    // (Narrowed bounds move the cat: its right end from above, facing left,
    // its left end from below, facing right.)
    engineOf(cat).updateBounds(0, 40.3);
    QCoreApplication::processEvents();
    const QRegion at40 = cat->paintedRegion();
    for (int i = 1; i <= 200; ++i) {
        engineOf(cat).updateBounds(0, 40.3 - i * 0.0731);
        QCoreApplication::processEvents();
    }
    engineOf(cat).updateBounds(45, 100);
    engineOf(cat).updateBounds(0, 40.3);
    QCoreApplication::processEvents();
    EXPECT_DOUBLE_EQ(engineOf(cat).positionX(), 40.3);
    EXPECT_EQ(cat->paintedRegion(), at40);
}

} // namespace
} // namespace meterix
