#include "core/L10n.h"
#include "core/Localization.h"
#include "platform/ui/Appearance.h"
#include "design/EndlessPulse.h"
#include "design/GrabberHandle.h"
#include "design/HairlineDivider.h"
#include "design/PressableButton.h"

#include "support/gui/GrabSupport.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace meterix {
namespace {

class Ornaments : public ::testing::Test {
protected:
    void SetUp() override { test::showLook(Appearance::Scheme::light); }
    void TearDown() override {
        test::showLook(std::nullopt);
        test::reduceMotion(std::nullopt);
        test::speak();
    }
};

TEST_F(Ornaments, GrabberGrowsAndDarkensWhenActive) {
    GrabberHandle grabber(false);
    EXPECT_DOUBLE_EQ(grabber.currentHeight(), 12);
    EXPECT_DOUBLE_EQ(grabber.currentOpacity(), 0.22);
    grabber.setActive(true); // not on screen: at once
    EXPECT_DOUBLE_EQ(grabber.currentHeight(), 15);
    EXPECT_DOUBLE_EQ(grabber.currentOpacity(), 0.42);
    EXPECT_EQ(grabber.sizeHint(), QSize(3, 15));

    GrabberHandle shown(false);
    shown.show();
    shown.setActive(true); // on screen: the hover spring carries it
    EXPECT_DOUBLE_EQ(shown.currentHeight(), 12); // not there yet
    shown.hide();
}

TEST_F(Ornaments, GrabberPaintsItsCapsuleOnly) {
    GrabberHandle idle(false);
    const QImage img = test::renderWidget(idle, 4.0);
    // 12 of 15 high: the top row stays clear, the middle is inked.
    EXPECT_EQ(qAlpha(img.pixel(6, 2)), 0);
    EXPECT_GT(qAlpha(img.pixel(6, 30)), 0);
}

// A repaint that misses where a pressable control draws (a neighbour's
// reaching over its margin) leaves its content undrawn.
TEST_F(Ornaments, APressableDrawsOnlyForRepaintsThatReachItsContent) {
    struct Inset final : PressableButton {
        int drawn = 0;
        void paintContent(QPainter&, const QRectF&) override { ++drawn; }
        QRectF contentBounds() const override { return QRectF(rect()).adjusted(0, 10, 0, 0); }
    } button;
    button.resize(40, 30);
    QImage image(button.size(), QImage::Format_ARGB32_Premultiplied);
    struct Row {
        QRegion region;
        int drawn;
    };
    for (const Row& r : {Row{QRegion(0, 0, 40, 4), 0}, Row{QRegion(0, 0, 40, 12), 1}, Row{QRegion(0, 20, 40, 4), 1}}) {
        button.drawn = 0;
        button.render(&image, QPoint(), r.region);
        EXPECT_EQ(button.drawn, r.drawn) << r.region.boundingRect().height();
    }
}

TEST_F(Ornaments, HairlineDividerFadesOutAtBothEnds) {
    HairlineDivider divider(14);
    EXPECT_EQ(divider.sizeHint(), QSize(1, 14));
    const QGradientStops stops = HairlineDivider::opacityStops();
    EXPECT_EQ(stops.constFirst().second.alpha(), 0);
    EXPECT_EQ(stops.constLast().second.alpha(), 0);
    EXPECT_NEAR(stops[1].second.alphaF(), 0.14, 0.01);
    const QImage img = test::renderWidget(divider, 2.0);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(0, img.height() - 1)), 0);
    EXPECT_GT(qAlpha(img.pixel(0, img.height() / 2)) + qAlpha(img.pixel(1, img.height() / 2)), 0);
}

TEST_F(Ornaments, PulsePhases) {
    const QEasingCurve linear(QEasingCurve::Linear);
    EXPECT_DOUBLE_EQ(EndlessPulse::valueAtPhase(0.25, linear, true), 0.5);
    EXPECT_DOUBLE_EQ(EndlessPulse::valueAtPhase(0.5, linear, true), 1.0);
    EXPECT_DOUBLE_EQ(EndlessPulse::valueAtPhase(0.75, linear, true), 0.5);
    EXPECT_DOUBLE_EQ(EndlessPulse::valueAtPhase(0.75, linear, false), 0.75);
    EXPECT_DOUBLE_EQ(EndlessPulse::valueAtPhase(std::nan(""), linear, false), 0.0);
}

} // namespace
} // namespace meterix
