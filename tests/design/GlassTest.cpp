#include "design/AmbientElevation.h"
#include "design/LiquidGlassStyle.h"
#include "design/LiquidGlassView.h"
#include "design/Metric.h"
#include "design/Radius.h"
#include "design/Surface.h"

#include "support/gui/GrabSupport.h"
#include "support/gui/Looks.h"

#include <QEnterEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace meterix {
namespace {

// Clear tint, elevation 1, tint strength 1: the bar's capsule.
LiquidGlassStyle liquidCapsule(double cornerRadius, bool isHovered) {
    return LiquidGlassStyle{cornerRadius, Qt::transparent, isHovered, 1, 1};
}

using Scheme = Appearance::Scheme;

QImage glass(const LiquidGlassStyle& style, Scheme scheme, QSize size = QSize(200, 80)) {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    style.paint(p, QRectF(30, 20, size.width() - 60, size.height() - 45), scheme);
    return img;
}

class Glass : public ::testing::Test {
protected:
    void TearDown() override { test::showLook(std::nullopt); }
};

TEST_F(Glass, WashOpacityFollowsHoverAndStrength) {
    EXPECT_DOUBLE_EQ(liquidGlass(17, Qt::red, false, 1, 1).washOpacity(), 0.10);
    EXPECT_DOUBLE_EQ(liquidGlass(17, Qt::red, true, 1, 1).washOpacity(), 0.16);
    EXPECT_DOUBLE_EQ(liquidGlass(17, Qt::red, true, 1, 0.5).washOpacity(), 0.08);
    EXPECT_DOUBLE_EQ(liquidGlass(17, Qt::red, false, 1, std::nan("")).washOpacity(), 0.0);
}

TEST_F(Glass, HoveredGlassUsesTheHoveredShellFill) {
    EXPECT_EQ(liquidCapsule(17, true).shellFill(Scheme::light), Surface::color(Surface::Token::shellTintHovered, Scheme::light));
    EXPECT_EQ(liquidCapsule(17, false).shellFill(Scheme::dark), Surface::color(Surface::Token::shellTint, Scheme::dark));
    const QImage idle = glass(liquidCapsule(17, false), Scheme::light);
    const QImage hovered = glass(liquidCapsule(17, true), Scheme::light);
    EXPECT_NE(idle.pixelColor(100, 50), hovered.pixelColor(100, 50));
}

TEST_F(Glass, CapsuleHasNoWashAndTheShadowOfElevationOne) {
    const LiquidGlassStyle capsule = liquidCapsule(Radius::bar, false);
    EXPECT_EQ(capsule.tint.alpha(), 0);
    EXPECT_DOUBLE_EQ(capsule.elevation, 1);
    EXPECT_DOUBLE_EQ(capsule.tintStrength, 1);
    // A clear tint leaves no colour behind however strong it is.
    LiquidGlassStyle strong = capsule;
    strong.tintStrength = 10;
    EXPECT_EQ(glass(strong, Scheme::light), glass(capsule, Scheme::light));
    EXPECT_EQ(capsule.shadowMargins(), AmbientElevation(1).margins());
}

TEST_F(Glass, TintWashesTheTopLeadingCorner) {
    const QImage plain = glass(liquidGlass(17, Qt::transparent, false, 1, 1), Scheme::light);
    const QImage tinted = glass(liquidGlass(17, QColor(255, 0, 0), false, 1, 1), Scheme::light);
    const QColor cornerPlain = plain.pixelColor(40, 28);
    const QColor cornerTinted = tinted.pixelColor(40, 28);
    EXPECT_GT(cornerTinted.red() - cornerTinted.blue(), cornerPlain.red() - cornerPlain.blue());
}

TEST_F(Glass, NegativeElevationDrawsAsZero) {
    EXPECT_EQ(glass(liquidGlass(17, Qt::blue, false, -3, 1), Scheme::dark),
              glass(liquidGlass(17, Qt::blue, false, 0, 1), Scheme::dark));
    EXPECT_NE(glass(liquidGlass(17, Qt::blue, false, 1, 1), Scheme::dark),
              glass(liquidGlass(17, Qt::blue, false, 0, 1), Scheme::dark));
}

TEST_F(Glass, TheViewFollowsThePointer) {
    LiquidGlassView view(liquidCapsule(Radius::bar, false), Metric::panelBleed);
    view.resize(240, int(Metric::barHeight + 2 * Metric::panelBleed));
    EXPECT_EQ(view.glassRect(), QRectF(20, 20, 200, 34));
    QSignalSpy hovered(&view, &LiquidGlassView::hoveredChanged);
    QEnterEvent enter(QPointF(50, 30), QPointF(50, 30), QPointF(50, 30));
    QCoreApplication::sendEvent(&view, &enter);
    EXPECT_TRUE(view.isHovered());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&view, &leave);
    EXPECT_FALSE(view.isHovered());
    EXPECT_EQ(hovered.count(), 2);
}

TEST_F(Glass, GrabsOfCapsulesInLightAndDark) {
    for (const Scheme scheme : {Scheme::light, Scheme::dark}) {
        test::showLook(scheme);
        QList<QImage> images;
        for (bool hovered : {false, true}) {
            LiquidGlassView view(liquidCapsule(Radius::bar, hovered), Metric::panelBleed);
            view.resize(220, int(Metric::barHeight + 2 * Metric::panelBleed));
            images << test::renderWidget(view, 2.0);
            LiquidGlassView tinted(liquidGlass(Radius::card, QColor(10, 132, 255), hovered, 1, 1), Metric::panelBleed);
            tinted.resize(220, 120);
            images << test::renderWidget(tinted, 2.0);
        }
        const QColor backdrop = scheme == Scheme::dark ? QColor(40, 44, 52) : QColor(200, 210, 225);
        const QString name = scheme == Scheme::dark ? QStringLiteral("glass-dark") : QStringLiteral("glass-light");
        EXPECT_FALSE(test::saveGrab(test::sheet(images, backdrop), name).isEmpty());
        // The glass is drawn in its bleed-inset rectangle and nowhere near the corners.
        EXPECT_GT(qAlpha(images[0].pixel(220, 74)), 200);
        EXPECT_EQ(qAlpha(images[0].pixel(0, 0)), 0);
    }
}

} // namespace
} // namespace meterix
