#include "shell/ProviderSegmentView.h"
#include "core/Localization.h"
#include "design/CachedPainting.h"
#include "design/RollingDigitsView.h"
#include "platform/ui/Appearance.h"

#include "support/FakeClock.h"
#include "support/gui/GrabSupport.h"
#include "support/Speaking.h"
#include "support/WaitUntil.h"
#include "support/gui/Looks.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace meterix {
namespace {

using Segment = ProviderSegmentView;

class SegmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::showLook(Appearance::Scheme::light);
        test::speak(ResolvedLanguage::english);
    }
    void TearDown() override {
        test::showLook(std::nullopt);
        test::reduceMotion(std::nullopt);
        test::speak();
    }

    // A real reading of percent, captured now.
    UsageSnapshot reading(double percent, AIProviderType provider = AIProviderType::claudeCode) const {
        UsageSnapshot::Fields f;
        f.provider = provider;
        f.headlineRemainingPercentage = percent;
        f.lastUpdated = clock_.now();
        f.strategyUsed = FetchStrategy::oauthKeychain;
        return UsageSnapshot(f);
    }

    test::FakeClock clock_;
};

TEST_F(SegmentTest, PlaceholdersResetWindowsAndNonNumbersAreWithheld) {
    const QDateTime now = clock_.now();
    EXPECT_TRUE(Segment::isWithheld(UsageSnapshot::simulatedFallback(AIProviderType::zed, now), now));
    UsageSnapshot s = reading(45);
    EXPECT_FALSE(Segment::isWithheld(s, now));
    s.headlineResetAt = now.addSecs(1);
    EXPECT_FALSE(Segment::isWithheld(s, now));
    s.headlineResetAt = now;
    EXPECT_TRUE(Segment::isWithheld(s, now));
    s = reading(45);
    s.headlineRemainingPercentage = std::nan("");
    EXPECT_TRUE(Segment::isWithheld(s, now));
}

TEST_F(SegmentTest, TooltipHasUpToThreeLinesWhileFreshAndAnAgeLineWhenStale) {
    UsageSnapshot s = reading(44.5);
    s.accountEmail = QStringLiteral("alice@example.com");
    s.planName = QStringLiteral("Max");
    EXPECT_EQ(Segment::tooltip(s, clock_), QStringLiteral("Claude Code · 45% left\nalice@example.com\nMax"));
    clock_.advance(900);
    EXPECT_EQ(Segment::tooltip(s, clock_).count(QLatin1Char('\n')), 2);
    clock_.advance(1);
    EXPECT_EQ(Segment::tooltip(s, clock_),
              QStringLiteral("Claude Code · 45% left\nalice@example.com\nMax\nas of 15m ago"));

    UsageSnapshot failed = reading(80);
    failed.fetchError = QStringLiteral("Usage could not be refreshed.");
    EXPECT_EQ(Segment::tooltip(failed, clock_), QStringLiteral("Claude Code · 80% left\nas of just now"));
}

TEST_F(SegmentTest, TooltipSaysTheReasonOrLimitResetForWithheldFigures) {
    // Without a figure the tooltip gives the reading's own reason, in the card's words.
    using R = UsageUnavailableReason;
    const struct {
        AIProviderType provider;
        R reason;
        const char* tooltip;
    } missing[] = {
        {AIProviderType::cursor, R::notConfigured, "Cursor · Not connected (no data)"},
        {AIProviderType::cursor, R::notMeasured, "Cursor · Usage not measurable (no data)"},
        {AIProviderType::groq, R::networkFailure, "Groq · Network error (no data)"},
    };
    for (const auto& m : missing)
        EXPECT_EQ(Segment::tooltip(UsageSnapshot::unavailable(m.provider, m.reason, std::nullopt, std::nullopt,
                                                              std::nullopt, std::nullopt, clock_.now()),
                                   clock_),
                  QString::fromUtf8(m.tooltip));
    UsageSnapshot reset = reading(3);
    reset.headlineResetAt = clock_.now().addSecs(-1);
    EXPECT_EQ(Segment::tooltip(reset, clock_), QStringLiteral("Claude Code · limit reset (re-measuring)"));
    test::speak(ResolvedLanguage::korean);
    EXPECT_EQ(Segment::tooltip(reset, clock_), QStringLiteral("Claude Code · 한도가 리셋됨 (재측정 대기)"));
}

TEST_F(SegmentTest, AccessibilityValueNamesTheReasonTheTierAndWork) {
    const QDateTime now = clock_.now();
    UsageSnapshot limited = UsageSnapshot::simulatedFallback(AIProviderType::groq, now);
    limited.unavailableReason = UsageUnavailableReason::rateLimited;
    EXPECT_EQ(Segment::accessibilityValueText(limited, false, now), QStringLiteral("No data (Rate limited)"));
    limited.unavailableReason.reset();
    EXPECT_EQ(Segment::accessibilityValueText(limited, false, now), QStringLiteral("No data (Not connected)"));
    UsageSnapshot reset = reading(3);
    reset.headlineResetAt = now;
    EXPECT_EQ(Segment::accessibilityValueText(reset, true, now), QStringLiteral("Limit reset, awaiting re-measurement"));
    EXPECT_EQ(Segment::accessibilityValueText(reading(45), false, now), QStringLiteral("45 percent left, Steady"));
    EXPECT_EQ(Segment::accessibilityValueText(reading(19.6), true, now),
              QStringLiteral("20 percent left, Critical, currently working"));
    UsageSnapshot named = reading(45);
    named.accountEmail = QStringLiteral("b***@example.com"); // as the presented state hands it on
    EXPECT_EQ(Segment::accessibilityLabel(named), QStringLiteral("Claude Code, b***@example.com"));
}

TEST_F(SegmentTest, WithheldSegmentShowsDashesAndAnEmptyGreyRing) {
    UsageSnapshot s = reading(88);
    s.headlineResetAt = clock_.now().addSecs(-60); // the short window reset since
    Segment segment(s, Appearance::shared(), clock_);
    EXPECT_TRUE(segment.isWithheld());
    const QImage withheld = test::renderWidget(segment, 2.0);
    Segment shown(reading(88), Appearance::shared(), clock_);
    EXPECT_FALSE(shown.isWithheld());
    const QImage full = test::renderWidget(shown, 2.0);
    // The ring's right-hand side (3 o'clock) is green when full, unfilled when withheld.
    const double ringX = Segment::margin + (Segment::labelWidth - 57) / 2 + 10 + 9.5;
    const double ringY = Segment::margin + 12;
    const QColor filled = test::pixelAt(full, ringX, ringY);
    const QColor empty = test::pixelAt(withheld, ringX, ringY);
    EXPECT_GT(filled.green(), filled.red() + 60);
    EXPECT_LT(std::abs(empty.green() - empty.red()), 30);
    test::saveGrab(test::sheet({full, withheld}, QColor(236, 238, 242)), QStringLiteral("segment-full-and-withheld"));
}

TEST_F(SegmentTest, SelectionWorkAndHoverAreShownOnThePlate) {
    Segment plain(reading(60), Appearance::shared(), clock_);
    Segment selected(reading(60), Appearance::shared(), clock_);
    selected.setSelected(true);
    EXPECT_TRUE(selected.isChecked());
    Segment working(reading(30, AIProviderType::openAICodex), Appearance::shared(), clock_);
    working.setWorking(true);
    test::reduceMotion(true);
    EXPECT_DOUBLE_EQ(working.pulseAmount(), 1.0); // resting in its outward state
    test::reduceMotion(std::nullopt);
    working.setWorking(false);
    EXPECT_DOUBLE_EQ(working.pulseAmount(), 0.0);
    working.setWorking(true);
    const QImage a = test::renderWidget(plain, 2.0);
    const QImage b = test::renderWidget(selected, 2.0);
    const QImage c = test::renderWidget(working, 2.0);
    // Near the plate's right end, past the figure: the selected plate carries the tier tint.
    const QColor plainPlate = test::pixelAt(a, Segment::margin + 63, Segment::margin + 12);
    const QColor selectedPlate = test::pixelAt(b, Segment::margin + 63, Segment::margin + 12);
    EXPECT_GT(selectedPlate.alpha(), plainPlate.alpha());
    test::saveGrab(test::sheet({a, b, c}, QColor(236, 238, 242)), QStringLiteral("segment-plain-selected-working"));
}

// A segment without a figure takes no tier colour when its card opens or its
// tool works: "---" at 0 % is not critical (a figure of 3 % shows the check sees it).
TEST_F(SegmentTest, ASegmentWithoutAFigureStaysGreySelectedOrWorking) {
    UsageSnapshot reset = reading(3);
    reset.headlineResetAt = clock_.now().addSecs(-60);
    const struct {
        UsageSnapshot snapshot;
        bool selected, working;
    } rows[] = {{UsageSnapshot::simulatedFallback(AIProviderType::openAICodex, clock_.now()), true, false},
                {reset, true, false},
                {UsageSnapshot::simulatedFallback(AIProviderType::zed, clock_.now()), false, true},
                {reading(3), true, false}};
    test::reduceMotion(true); // the pulse at rest
    for (const auto& row : rows) {
        Segment segment(row.snapshot, Appearance::shared(), clock_);
        segment.setSelected(row.selected);
        segment.setWorking(row.working);
        const QImage image = test::renderWidget(segment, 2.0);
        int red = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red += c.alpha() > 80 && c.red() > c.green() + 70 && c.red() > c.blue() + 70;
            }
        EXPECT_EQ(red > 20, !segment.isWithheld()) << red;
    }
}

TEST_F(SegmentTest, WithoutMotionFiguresChangeAtOnceAndNothingPulses) {
    Segment segment(reading(50), Appearance::shared(), clock_);
    segment.show();
    auto* digits = segment.findChild<RollingDigitsView*>();
    ASSERT_TRUE(digits);
    segment.setSnapshot(reading(40));
    // The segment draws its digits itself.
    const auto figure = [](Segment& s) {
        return test::renderWidget(s).copy(s.findChild<RollingDigitsView*>()->geometry());
    };
    const QImage rolling = figure(segment); // rolling on the digits spring
    EXPECT_TRUE(test::waitUntil([&] { return figure(segment) != rolling; }));
    test::reduceMotion(true);
    segment.setSnapshot(reading(30));
    EXPECT_EQ(digits->value(), 30);
    Segment resting(reading(30), Appearance::shared(), clock_);
    resting.resize(segment.size());
    // The same figure as a segment that was always at 30 (the plate behind it
    // may still be gliding, a shade off).
    const QImage now = figure(segment), always = figure(resting);
    int worst = 0;
    for (int y = 0; y < now.height(); ++y)
        for (int x = 0; x < now.width(); ++x) {
            const QRgb a = now.pixel(x, y), b = always.pixel(x, y);
            worst = std::max({worst, std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)),
                              std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
        }
    EXPECT_LE(worst, 8);
    EXPECT_TRUE(digits->isVisible());
    segment.setWorking(true);
    EXPECT_DOUBLE_EQ(segment.pulseAmount(), 1.0); // still, in its outward state
}

// A neighbour repaints strips of a segment (the cat on the bar walks along its
// top edge): each strip must come out as a whole paint draws it, while a strip
// that misses the figures leaves them undrawn, and one that misses everything
// the segment draws costs no drawing at all.
TEST_F(SegmentTest, AStripRepaintDrawsWhatAWholePaintDrawsAndSkipsWhatItMisses) {
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++count;
            return false;
        }
    };
    UsageSnapshot reset = reading(88);
    reset.headlineResetAt = clock_.now().addSecs(-60);
    struct Row {
        const char* name;
        UsageSnapshot snapshot;
        bool selected;
        bool working;
    };
    const Row rows[] = {{"reading", reading(70), false, false},
                        {"withheld", reset, false, false},
                        {"selected", reading(40), true, false},
                        {"working", reading(12), false, true}};
    for (const Row& row : rows) {
        for (const qreal scale : {1.0, 2.0}) {
            Segment segment(row.snapshot, Appearance::shared(), clock_);
            segment.setSelected(row.selected);
            segment.setWorking(row.working);
            CachedPainting::clear();
            const QImage whole = test::renderWidget(segment, scale);
            for (int top = 0; top < segment.height(); top += 3) {
                const QRect strip(0, top, segment.width(), 3);
                QImage part = whole.copy();
                {
                    QPainter clear(&part);
                    clear.setCompositionMode(QPainter::CompositionMode_Source);
                    clear.fillRect(strip, Qt::transparent);
                }
                segment.render(&part, strip.topLeft(), QRegion(strip), QWidget::DrawChildren);
                int differing = 0, worst = 0;
                for (int y = 0; y < whole.height(); ++y)
                    for (int x = 0; x < whole.width(); ++x) {
                        const QRgb a = whole.pixel(x, y), b = part.pixel(x, y);
                        const int d =
                            std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                      std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
                        if (d > 0) ++differing;
                        worst = std::max(worst, d);
                    }
                EXPECT_EQ(differing, 0)
                    << row.name << " at " << scale << "x, rows " << top << "+3, worst " << worst;
            }
        }
    }
    // Along the top of a segment at rest: the plate's edge, no figures.
    Segment segment(reading(70), Appearance::shared(), clock_);
    auto* digits = segment.findChild<RollingDigitsView*>();
    ASSERT_TRUE(digits);
    Paints digitPaints;
    digits->installEventFilter(&digitPaints);
    QImage image = test::renderWidget(segment, 1.0);
    EXPECT_GT(digitPaints.count, 0);
    digitPaints.count = 0;
    segment.render(&image, QPoint(), QRegion(0, 0, segment.width(), int(Segment::margin) + 1),
                   QWidget::DrawChildren);
    EXPECT_EQ(digitPaints.count, 0);
}

TEST_F(SegmentTest, OnlyTheLabelTakesClicksAndAClickDoesNotToggleByItself) {
    Segment segment(reading(50), Appearance::shared(), clock_);
    segment.resize(segment.sizeHint());
    EXPECT_EQ(segment.sizeHint(), QSize(78, 36));
    int clicks = 0;
    QObject::connect(&segment, &QAbstractButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(&segment, Qt::LeftButton, {}, QPoint(2, 2)); // the halo margin
    EXPECT_EQ(clicks, 0);
    QTest::mouseClick(&segment, Qt::LeftButton, {}, QPoint(39, 18));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(segment.isChecked()); // the bar decides what is selected
}

// Compact, the segment is its ring on a narrower plate: no figure is drawn,
// while the tooltip (and the accessible value with it) and the click stay.
TEST_F(SegmentTest, CompactSegmentIsTheRingAloneAndKeepsItsTooltipAndClick) {
    Segment segment(reading(64), Appearance::shared(), clock_);
    const QString tooltip = segment.tooltip();
    segment.setForm(Segment::Form::ringOnly);
    EXPECT_EQ(segment.size(), QSize(40, 36));
    EXPECT_FALSE(segment.findChild<RollingDigitsView*>()->isVisible());
    EXPECT_EQ(segment.tooltip(), tooltip);
    int clicks = 0;
    QObject::connect(&segment, &QAbstractButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(&segment, Qt::LeftButton, {}, QPoint(20, 18));
    EXPECT_EQ(clicks, 1);
    // Right of the ring, where the full segment draws its figure, nothing.
    EXPECT_EQ(test::pixelAt(test::renderWidget(segment, 2.0), 36, 18).alpha(), 0);
}

TEST_F(SegmentTest, FiguresAboveAHundredFillTheRingButKeepTheirNumber) {
    UsageSnapshot s = reading(100);
    s.headlineRemainingPercentage = 120; // a stored value is not clamped when read back
    Segment segment(s, Appearance::shared(), clock_);
    EXPECT_FALSE(segment.isWithheld());
    EXPECT_EQ(Segment::tooltip(s, clock_), QStringLiteral("Claude Code · 120% left"));
}

} // namespace
} // namespace meterix

namespace meterix {
namespace {

// The mean red of the figure's inked pixels (black in the light look, white in the dark).
int figureRed(Segment& segment) {
    const QImage image = test::renderWidget(segment, 2.0);
    const auto* digits = segment.findChild<RollingDigitsView*>();
    if (!digits) return -1;
    const QRect r(digits->geometry().topLeft() * 2, digits->geometry().size() * 2);
    qint64 red = 0, count = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 150) continue;
            red += c.red();
            ++count;
        }
    return count ? int(red / count) : -1;
}

TEST_F(SegmentTest, ANewLookRecoloursTheFigureAtOnce) {
    Segment segment(reading(60), Appearance::shared(), clock_);
    const int light = figureRed(segment);
    test::showLook(Appearance::Scheme::dark);
    const int dark = figureRed(segment);
    EXPECT_GE(light, 0);
    EXPECT_LT(light, 60);
    EXPECT_GT(dark, 200);
}

} // namespace
} // namespace meterix
