#include "design/AmbientElevation.h"
#include "design/MeterixFont.h"
#include "design/ShadowCache.h"
#include "design/Surface.h"

#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/Looks.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QRawFont>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

namespace meterix {
namespace {

using Scheme = Appearance::Scheme;

class Tokens : public ::testing::Test {
protected:
    void TearDown() override { test::showLook(std::nullopt); }
};

TEST_F(Tokens, SurfacesResolveByAppearance) {
    test::showLook(Scheme::dark);
    EXPECT_EQ(Surface::plateFill(), Surface::color(Surface::Token::plateFill, Scheme::dark));
    test::showLook(Scheme::light);
    EXPECT_EQ(Surface::plateFill(), Surface::color(Surface::Token::plateFill, Scheme::light));
}

TEST_F(Tokens, WithoutAnyAppearanceMatchEverySurfaceIsLight) {
    const Scheme unmatched = Appearance::resolve(std::nullopt, std::nullopt);
    for (int i = 0; i <= int(Surface::Token::shadowContact); ++i) {
        const auto token = Surface::Token(i);
        EXPECT_EQ(Surface::color(token, unmatched), toQColor(Surface::adaptive(token).light)) << i;
        EXPECT_NE(Surface::adaptive(token).light, Surface::adaptive(token).dark) << i;
    }
}

TEST_F(Tokens, ColourHelpers) {
    EXPECT_EQ(toQColor(Rgb::fromHex(0x28CD41)), QColor(40, 205, 65));
    EXPECT_NEAR(withOpacity(QColor::fromRgbF(0, 0, 0, 0.5f), 0.5).alphaF(), 0.25, 0.005);
    EXPECT_EQ(withOpacity(Qt::red, 3).alpha(), 255);
    EXPECT_EQ(withOpacity(Qt::red, -1).alpha(), 0);
    EXPECT_NE(LabelColor::secondary(Scheme::light), LabelColor::secondary(Scheme::dark));
    EXPECT_LT(LabelColor::tertiary(Scheme::light).alphaF(), LabelColor::secondary(Scheme::light).alphaF());
}

TEST_F(Tokens, FontSizesAreLogicalPixels) {
    EXPECT_DOUBLE_EQ(MeterixFont::pointSizeForPixels(11.5, 96), 8.625);
    EXPECT_DOUBLE_EQ(MeterixFont::pointSizeForPixels(11.5, 120), 6.9);
    EXPECT_DOUBLE_EQ(MeterixFont::pointSizeForPixels(9.5, 0), 9.5 * 72 / 96);   // no DPI: 96
    EXPECT_DOUBLE_EQ(MeterixFont::pointSizeForPixels(-3, 96), 72.0 / 96);       // never a null size
    const double dpi = MeterixFont::logicalDpi();
    for (const auto& [font, pixels] : {std::pair{MeterixFont::hero(), 28.0}, std::pair{MeterixFont::barValue(), 11.5},
                                       std::pair{MeterixFont::sectionHeader(), 9.5}}) {
        EXPECT_NEAR(font.pointSizeF() * dpi / 72.0, pixels, 1e-9);
        // Rendered at the requested pixel size, not a third larger.
        EXPECT_NEAR(QFontInfo(font).pixelSize(), pixels, 1.0);
    }
}

TEST_F(Tokens, TheRoundedFaceCoversHangul) {
    const QFont font = MeterixFont::row();
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("NanumSquareRound")) << "fonts-nanum is not installed";
    const QRawFont raw = QRawFont::fromFont(font);
    EXPECT_TRUE(raw.supportsCharacter(QChar(0xD55C))); // 한
    EXPECT_TRUE(raw.supportsCharacter(QChar('%')));
}

TEST_F(Tokens, SectionHeaderStyle) {
    const QFont f = MeterixFont::sectionHeaderStyle();
    EXPECT_EQ(f.capitalization(), QFont::AllUppercase);
    EXPECT_EQ(f.pointSizeF(), MeterixFont::sectionHeader().pointSizeF());
    // Mixed case is shown upper-cased: it measures like the upper-case text.
    const QFontMetricsF fm(f);
    EXPECT_DOUBLE_EQ(fm.horizontalAdvance(QStringLiteral("Quota")), fm.horizontalAdvance(QStringLiteral("QUOTA")));
}

TEST_F(Tokens, ElevationIsClampedBelowAtZero) {
    for (const double below : {-2.0, std::nan("")})
        EXPECT_EQ(AmbientElevation(below).layers(Scheme::light), AmbientElevation(0).layers(Scheme::light)) << below;
    EXPECT_TRUE(std::isfinite(AmbientElevation(INFINITY).margins().bottom()));
}

TEST_F(Tokens, ElevationLayers) {
    const auto one = AmbientElevation(1).layers(Scheme::light);
    EXPECT_GT(one[0].radius, 0);
    EXPECT_EQ(one[0].color, Surface::color(Surface::Token::shadowDiffuse, Scheme::light));
    // The contact layer stays at elevation 0; the others collapse under the surface.
    const auto zero = AmbientElevation(0).layers(Scheme::dark);
    EXPECT_DOUBLE_EQ(zero[0].radius, 0);
    EXPECT_DOUBLE_EQ(zero[1].offsetY, 0);
    EXPECT_DOUBLE_EQ(zero[2].radius, one[2].radius);
    EXPECT_EQ(zero[2].color, Surface::color(Surface::Token::shadowContact, Scheme::dark));
}

QImage shadowOf(double elevation) {
    QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    AmbientElevation(elevation).paint(p, QRectF(60, 60, 80, 40), 10);
    return img;
}

TEST_F(Tokens, ShadowsFallBelowAndOutsideTheSurface) {
    test::showLook(Scheme::light);
    const QImage img = shadowOf(1);
    EXPECT_EQ(qAlpha(img.pixel(100, 80)), 0); // nothing drawn on the surface itself
    const int below = qAlpha(img.pixel(100, 108));
    const int above = qAlpha(img.pixel(100, 52));
    EXPECT_GT(below, 0);
    EXPECT_GT(below, above);
    // A negative lift draws exactly what elevation 0 draws.
    EXPECT_EQ(shadowOf(-2), shadowOf(0));
    EXPECT_NE(shadowOf(0), shadowOf(1));
    EXPECT_GT(AmbientElevation(1).margins().bottom(), AmbientElevation(1).margins().top());
}

TEST_F(Tokens, ShadowsAreBlurredOnceAndReused) {
    ShadowCache::clear();
    const auto first = ShadowCache::roundedRect(QSizeF(40, 20), 5, 6, QColor(0, 0, 0, 100), 1.0);
    const auto again = ShadowCache::roundedRect(QSizeF(40, 20), 5, 6, QColor(0, 0, 0, 100), 1.0);
    EXPECT_EQ(first.pixmap.cacheKey(), again.pixmap.cacheKey());
    const auto sharper = ShadowCache::roundedRect(QSizeF(40, 20), 5, 6, QColor(0, 0, 0, 100), 2.0); // another pixel ratio
    EXPECT_NE(sharper.pixmap.cacheKey(), first.pixmap.cacheKey());
    // Both are held.
    EXPECT_EQ(ShadowCache::roundedRect(QSizeF(40, 20), 5, 6, QColor(0, 0, 0, 100), 1.0).pixmap.cacheKey(),
              first.pixmap.cacheKey());
    EXPECT_DOUBLE_EQ(first.padding, ShadowCache::paddingFor(6));
    EXPECT_EQ(first.pixmap.width(), qCeil(40 + 2 * first.padding));
}

TEST_F(Tokens, LargeShadowsAreLetGoOnceNoneIsAskedForAndBlurredAlikeWhenAskedAgain) {
    ShadowCache::clear();
    const QColor ink(0, 0, 0, 100);
    const auto small = ShadowCache::roundedRect(QSizeF(40, 20), 5, 6, ink, 1.0);    // ~10 KB
    const auto large = ShadowCache::roundedRect(QSizeF(400, 60), 17, 15, ink, 1.0); // ~190 KB
    // The grace runs on the application's timer; its end is brought forward
    // rather than waited for.
    auto* release = QCoreApplication::instance()->findChild<QTimer*>(QStringLiteral("shadowCacheRelease"));
    ASSERT_NE(release, nullptr);
    EXPECT_TRUE(release->isActive());
    EXPECT_EQ(release->interval(), 10000);
    release->start(0);
    EXPECT_TRUE(test::waitUntil([&] { return !release->isActive(); }));
    EXPECT_EQ(ShadowCache::roundedRect(QSizeF(40, 20), 5, 6, ink, 1.0).pixmap.cacheKey(),
              small.pixmap.cacheKey());
    const auto again = ShadowCache::roundedRect(QSizeF(400, 60), 17, 15, ink, 1.0);
    EXPECT_NE(again.pixmap.cacheKey(), large.pixmap.cacheKey());
    EXPECT_EQ(again.pixmap.toImage(), large.pixmap.toImage());
    EXPECT_EQ(ShadowCache::roundedRect(QSizeF(400, 60), 17, 15, ink, 1.0).pixmap.cacheKey(), again.pixmap.cacheKey());
    EXPECT_EQ(release->interval(), 10000); // asked for again: the whole grace anew
}

TEST_F(Tokens, ANewLookForgetsEveryCachedShadow) {
    test::showLook(Scheme::light);
    const auto shadow = [] { return ShadowCache::roundedRect(QSizeF(40, 20), 5, 6, QColor(0, 0, 0, 100), 1.0); };
    const qint64 light = shadow().pixmap.cacheKey();
    ASSERT_EQ(shadow().pixmap.cacheKey(), light);
    test::showLook(Scheme::dark);
    EXPECT_NE(shadow().pixmap.cacheKey(), light);
}

TEST_F(Tokens, TheBlurSpreadsInkSymmetricallyAndKeepsIt) {
    QImage a(41, 41, QImage::Format_Alpha8);
    a.fill(0);
    for (int y = 15; y <= 25; ++y)
        for (int x = 15; x <= 25; ++x) a.scanLine(y)[x] = 255;
    qint64 before = 0;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) before += a.scanLine(y)[x];
    ShadowCache::blurAlpha(a, 3.0);
    qint64 after = 0;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) after += a.scanLine(y)[x];
    EXPECT_NEAR(double(after), double(before), before * 0.02);
    EXPECT_LT(a.scanLine(20)[20], 255);
    EXPECT_GT(a.scanLine(20)[12], 0);
    EXPECT_NEAR(a.scanLine(20)[12], a.scanLine(20)[28], 2);
    EXPECT_NEAR(a.scanLine(12)[20], a.scanLine(28)[20], 2);
    // Too small a blur, or the wrong kind of image, is left alone.
    QImage tiny = a;
    ShadowCache::blurAlpha(tiny, 0.1);
    EXPECT_EQ(tiny, a);
    QImage rgb(4, 4, QImage::Format_RGB32);
    rgb.fill(Qt::white);
    ShadowCache::blurAlpha(rgb, 3);
    EXPECT_EQ(rgb.pixel(0, 0), QColor(Qt::white).rgb());
}

TEST_F(Tokens, HairlineRuleIsHalfAPointAtTheTop) {
    test::showLook(Scheme::light);
    QImage img(20 * 2, 10 * 2, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(2);
    img.fill(Qt::transparent);
    QPainter p(&img);
    paintHairlineRule(p, QRectF(0, 0, 20, 10));
    p.end();
    EXPECT_GT(qAlpha(img.pixel(10, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(10, 1)), 0);
}

} // namespace
} // namespace meterix
