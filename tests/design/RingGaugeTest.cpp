#include "core/UsageTier.h"
#include "design/CachedPainting.h"
#include "design/RingGauge.h"
#include "design/Surface.h"

#include "support/gui/GrabSupport.h"
#include "support/gui/Looks.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace meterix {
namespace {

using Scheme = Appearance::Scheme;

class Ring : public ::testing::Test {
protected:
    void SetUp() override { test::showLook(Scheme::light); }
    void TearDown() override { test::showLook(std::nullopt); }
};

// A 100-wide ring of line width 10 centred in a 120 x 120 image.
QImage ring(double percentage, const QList<QColor>& colors, bool glow = false, double opacity = 1.0) {
    QImage img(120, 120, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setOpacity(opacity);
    RingGauge::paintRing(p, QPointF(60, 60), 100, percentage, colors, 10, glow);
    return img;
}

bool isRed(const QColor& c) { return c.red() > 200 && c.green() < 60 && c.alpha() > 200; }

// The point on the ring's centre line at a clock angle (0 = 12 o'clock, clockwise).
QPoint onRing(double degreesClockwise) {
    const double a = degreesClockwise * M_PI / 180.0;
    return QPoint(int(std::lround(60 + 50 * std::sin(a))), int(std::lround(60 - 50 * std::cos(a))));
}

// A ring that fades in (a segment arriving) fades with its glow: the glow's
// layers keep the painter's opacity instead of drawing at their own.
TEST_F(Ring, TheGlowFadesWithTheRing) {
    const QList<QColor> red{QColor(255, 0, 0)};
    for (bool glow : {false, true}) {
        const QImage full = ring(100, red, glow), half = ring(100, red, glow, 0.5);
        const QPoint outside = onRing(90) + QPoint(7, 0); // beyond the stroke, inside the glow
        const QPoint onLine = onRing(90);
        EXPECT_LT(half.pixelColor(onLine).alpha(), 160) << glow;
        EXPECT_LE(half.pixelColor(outside).alpha(), (full.pixelColor(outside).alpha() + 1) / 2 + 1) << glow;
    }
}

TEST_F(Ring, PercentagesAreClamped) {
    EXPECT_DOUBLE_EQ(RingGauge::clamped(150), 100);
    EXPECT_DOUBLE_EQ(RingGauge::clamped(-5), 0);
    EXPECT_DOUBLE_EQ(RingGauge::clamped(std::nan("")), 100);
    EXPECT_DOUBLE_EQ(RingGauge::clamped(42.5), 42.5);
    RingGauge g(std::nan(""), {}, 22, 3, false);
    EXPECT_DOUBLE_EQ(g.percentage(), 100);
}

TEST_F(Ring, ZeroStillShowsADotOfOnePointTwoPercent) {
    EXPECT_DOUBLE_EQ(RingGauge::trimFraction(0), 0.012);
    EXPECT_DOUBLE_EQ(RingGauge::trimFraction(0.5), 0.012);
    EXPECT_DOUBLE_EQ(RingGauge::trimFraction(50), 0.5);
    EXPECT_EQ(RingGauge::arc(0).startAngle16, 90 * 16);
    EXPECT_EQ(RingGauge::arc(0).spanAngle16, -69);
    EXPECT_EQ(RingGauge::arc(25).spanAngle16, -90 * 16);
    EXPECT_EQ(RingGauge::arc(100).spanAngle16, -360 * 16);
    EXPECT_EQ(RingGauge::arc(150).spanAngle16, RingGauge::arc(100).spanAngle16);
}

TEST_F(Ring, TheArcStartsAtTwelveAndRunsClockwise) {
    const QList<QColor> red{Qt::red, Qt::red};
    const QImage half = ring(50, red);
    EXPECT_TRUE(isRed(half.pixelColor(onRing(45))));
    EXPECT_TRUE(isRed(half.pixelColor(onRing(90))));   // 3 o'clock
    EXPECT_TRUE(isRed(half.pixelColor(onRing(135))));
    EXPECT_FALSE(isRed(half.pixelColor(onRing(225))));
    EXPECT_FALSE(isRed(half.pixelColor(onRing(270)))); // 9 o'clock: track only
    EXPECT_GT(half.pixelColor(onRing(270)).alpha(), 0);

    const QImage dot = ring(0, red);
    EXPECT_TRUE(isRed(dot.pixelColor(onRing(4))));   // just clockwise of 12
    EXPECT_FALSE(isRed(dot.pixelColor(onRing(-12)))); // counter-clockwise of it: track
    EXPECT_FALSE(isRed(dot.pixelColor(onRing(30))));
}

TEST_F(Ring, FullAndOverfullAreTheSameClosedRing) {
    const QList<QColor> red{Qt::red, Qt::red};
    const QImage full = ring(100, red);
    EXPECT_EQ(full, ring(150, red));
    for (double a = 0; a < 360; a += 15) EXPECT_TRUE(isRed(full.pixelColor(onRing(a)))) << a;
    EXPECT_EQ(ring(-5, red), ring(0, red));
}

TEST_F(Ring, AnEmptyColourListDrawsOnlyTheTrack) {
    const QImage empty = ring(70, {});
    EXPECT_EQ(empty, ring(0, {}));
    EXPECT_EQ(empty.pixelColor(onRing(90)), empty.pixelColor(onRing(270)));
    EXPECT_GT(empty.pixelColor(onRing(90)).alpha(), 0);
    EXPECT_TRUE(RingGauge::sweepStops({}).isEmpty());
}

TEST_F(Ring, TheSweepHoldsTheFirstColourAtItsStart) {
    const QGradientStops stops = RingGauge::sweepStops({Qt::green, Qt::blue});
    ASSERT_EQ(stops.size(), 3);
    // Counter-clockwise positions: the sweep's end first.
    EXPECT_DOUBLE_EQ(stops[0].first, 0.0);
    EXPECT_EQ(stops[0].second, QColor(Qt::blue));
    EXPECT_DOUBLE_EQ(stops[1].first, 0.5);
    EXPECT_EQ(stops[1].second, QColor(Qt::green));
    EXPECT_DOUBLE_EQ(stops[2].first, 1.0);
    EXPECT_EQ(stops[2].second, QColor(Qt::green));
    // Drawn: green at the start of the sweep, blue near its end.
    const QImage img = ring(100, {Qt::green, Qt::blue});
    const QColor start = img.pixelColor(onRing(20));
    const QColor late = img.pixelColor(onRing(320));
    EXPECT_GT(start.green(), start.blue());
    EXPECT_GT(late.blue(), late.green());
}

TEST_F(Ring, GlowOnlyWhenAskedFor) {
    const QList<QColor> red{Qt::red, Qt::red};
    const QImage plain = ring(50, red, false);
    const QImage glowing = ring(50, red, true);
    // Just outside the stroke at 3 o'clock (outer edge at x = 115).
    EXPECT_EQ(plain.pixelColor(117, 60).alpha(), 0);
    EXPECT_GT(glowing.pixelColor(117, 60).alpha(), 0);
    EXPECT_LT(glowing.pixelColor(117, 60).alpha(), 120);
    // Only the arc glows, not the track.
    EXPECT_EQ(glowing.pixelColor(3, 60).alpha(), 0);
    EXPECT_GT(RingGauge::overhang(10, true), RingGauge::overhang(10, false));
}

TEST_F(Ring, TheWidgetCentresItsViewAndGlidesOnlyWhenShown) {
    auto* label = new QLabel(QStringLiteral("42"));
    RingGauge gauge(40, {Qt::red}, 22, 3, false, label);
    EXPECT_EQ(label->parentWidget(), &gauge);
    EXPECT_EQ(gauge.sizeHint(), QSize(25, 25));
    const QRect inner = label->geometry();
    EXPECT_NEAR(inner.center().x(), gauge.rect().center().x(), 1);
    RingGauge at90(90, {Qt::red}, 22, 3, false, new QLabel(QStringLiteral("42")));
    const QImage ninety = at90.grab().toImage();
    gauge.setPercentage(90); // hidden: at once
    EXPECT_EQ(gauge.grab().toImage(), ninety);
    gauge.show();
    gauge.setPercentage(10); // on screen: glides from where it was
    EXPECT_DOUBLE_EQ(gauge.percentage(), 10);
    EXPECT_EQ(gauge.grab().toImage(), ninety);
    gauge.hide();
}

TEST_F(Ring, GrabsAtEveryTierAndFill) {
    for (const Scheme scheme : {Scheme::light, Scheme::dark}) {
        test::showLook(scheme);
        QList<QImage> rows;
        const QColor backdrop = scheme == Scheme::dark ? QColor(30, 32, 38) : QColor(245, 246, 248);
        for (UsageTier tier : {UsageTier::abundant, UsageTier::steady, UsageTier::caution, UsageTier::critical}) {
            QList<QImage> cells;
            for (double p : {0.0, 12.0, 50.0, 80.0, 100.0}) {
                RingGauge gauge(p, toQColors(gradient(tier)), 44, 6, true);
                cells << test::renderWidget(gauge, 2.0);
            }
            rows << test::sheet(cells, backdrop);
        }
        const QImage sheet = test::stack(rows, backdrop);
        EXPECT_FALSE(test::saveGrab(sheet, scheme == Scheme::dark ? QStringLiteral("ring-gauges-dark")
                                                                   : QStringLiteral("ring-gauges-light"))
                         .isEmpty());
    }
}

} // namespace
} // namespace meterix

namespace meterix {
namespace {

// A stamp lands where direct painting draws, at every quarter-pixel position
// and device scale; a change of scheme empties the cache, so a drawing made in
// the old look is never stamped again.
TEST_F(Ring, CachedStampsMatchDirectPaintingAndForgetTheOldScheme) {
    CachedPainting::clear();
    const auto draw = [](QPainter& q, const QPointF& centre) {
        RingGauge::paintRing(q, centre, 19, 42, toQColors(gradient(UsageTier::steady)), 2.4, true);
    };
    struct Row {
        double dpr;
        QPointF centre;
    };
    for (const Row& row : {Row{1, {20, 20}}, Row{1, {20.25, 19.5}}, Row{2, {20.75, 20.5}}}) {
        QImage direct(80, 80, QImage::Format_ARGB32_Premultiplied);
        direct.setDevicePixelRatio(row.dpr);
        direct.fill(Qt::transparent);
        QImage stamped = direct;
        {
            QPainter p(&direct);
            draw(p, row.centre);
        }
        int painted = 0;
        for (int pass = 0; pass < 2; ++pass) { // made, then stamped from the cache
            stamped.fill(Qt::transparent);
            QPainter p(&stamped);
            const QRectF box(row.centre - QPointF(15, 15), QSizeF(30, 30));
            CachedPainting::draw(p, box, "test-ring", [&](QPainter& q) {
                ++painted;
                draw(q, row.centre);
            });
        }
        EXPECT_EQ(painted, 1) << "scale " << row.dpr;
        int worst = 0;
        for (int y = 0; y < direct.height(); ++y)
            for (int x = 0; x < direct.width(); ++x) {
                const QRgb a = direct.pixel(x, y), b = stamped.pixel(x, y);
                worst = std::max({worst, std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)),
                                  std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
        EXPECT_LE(worst, 2) << "scale " << row.dpr << " at " << row.centre.x() << "," << row.centre.y();
    }
    QImage image(80, 80, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    int painted = 0;
    const auto again = [&] { CachedPainting::draw(p, QRectF(5, 5, 30, 30), "test-look", [&](QPainter&) { ++painted; }); };
    again();
    again();
    test::showLook(Scheme::dark);
    again();
    EXPECT_EQ(painted, 2);
}

// The stamps are held to a budget, whatever drawings come and go over weeks:
// the least recently stamped go first, the one just stamped stays, and a
// larger device scale gets a budget that holds as many stamps.
TEST_F(Ring, StampsStayWithinTheirBudget) {
    CachedPainting::clear();
    struct Row {
        double dpr;
        int budget;
    };
    for (const Row& row : {Row{1, 1536 * 1024}, Row{2, 4 * 1536 * 1024}}) {
        QImage image(80, 80, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(row.dpr);
        QPainter p(&image);
        const QRectF box(5, 5, 60, 60);
        int painted = 0;
        const auto fill = [&](QPainter& q) {
            ++painted;
            q.fillRect(box, Qt::red);
        };
        const auto key = [](int i) { return "budget-" + QByteArray::number(i); };
        const int many = 2 * row.budget / int(61 * 61 * row.dpr * row.dpr * 4);
        for (int i = 0; i < many; ++i)
            CachedPainting::draw(p, box, key(i), fill);
        ASSERT_EQ(painted, many);
        // The newest stamps that fit at this scale's budget are stamped, not
        // drawn again, the newest first; the oldest went.
        const int held = row.budget / int(std::pow(std::ceil(60 * row.dpr) + 1, 2) * 4) - 1;
        for (int i = many - 1; i >= many - held; --i)
            CachedPainting::draw(p, box, key(i), fill);
        EXPECT_EQ(painted, many) << row.dpr;
        CachedPainting::draw(p, box, key(0), fill);
        EXPECT_EQ(painted, many + 1) << row.dpr;
    }
    CachedPainting::clear();
}

} // namespace
} // namespace meterix
