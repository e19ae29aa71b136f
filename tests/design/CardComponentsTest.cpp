#include "core/Localization.h"
#include "core/UsageTier.h"
#include "design/AppOpenBadge.h"
#include "design/CapsuleBadge.h"
#include "design/EndlessPulse.h"
#include "design/IconTile.h"
#include "design/InsetSection.h"
#include "design/LiveStreamBadge.h"
#include "design/RowSeparator.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "design/TierBadge.h"

#include "support/gui/BadgeSupport.h"
#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <QLayout>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using Scheme = Appearance::Scheme;

class Cards : public ::testing::Test {
protected:
    void SetUp() override { test::showLook(Scheme::light); }
    void TearDown() override {
        test::showLook(std::nullopt);
        test::reduceMotion(std::nullopt);
        test::speak();
    }
};

// A fixed-size row for sections.
QWidget* row(int height = 20) {
    auto* w = new QWidget();
    w->setMinimumHeight(height);
    w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return w;
}

TEST_F(Cards, IconTileGeometry) {
    // A rounded square: its corners are cut, yet it never becomes a circle.
    EXPECT_GT(IconTile::cornerRadius(22), 0);
    EXPECT_LT(IconTile::cornerRadius(22), 22 / 2.0);
    EXPECT_DOUBLE_EQ(IconTile::symbolPointSize(22), 11);
    IconTile tile(QStringLiteral("bolt.fill"), {Qt::green, Qt::darkGreen}, 22);
    const QRectF r = tile.tileRect();
    EXPECT_DOUBLE_EQ(r.width(), 22);
    EXPECT_EQ(tile.sizeHint().width(), 22 + 2 * IconTile::shadowMargin());
    EXPECT_NEAR(r.center().x(), tile.width() / 2.0, 0.01);
}

TEST_F(Cards, IconTileWithoutColoursStillShowsSymbolAndRimButNoShadow) {
    EXPECT_EQ(IconTile::shadowColor({}).alpha(), 0);
    EXPECT_NEAR(IconTile::shadowColor({Qt::red, Qt::blue}).alphaF(), 0.32, 0.01);
    EXPECT_EQ(IconTile::shadowColor({Qt::red, Qt::blue}).blue(), 255);

    IconTile clear(QStringLiteral("bolt.fill"), {}, 40);
    const QImage img = test::renderWidget(clear);
    const QRectF r = clear.tileRect();
    EXPECT_GT(img.pixelColor(int(r.center().x()), int(r.center().y())).alpha(), 0); // the white symbol
    EXPECT_GT(img.pixelColor(int(r.center().x()), int(r.top())).alpha(), 0);        // the rim
    EXPECT_EQ(img.pixelColor(int(r.center().x()), int(r.bottom()) + 3).alpha(), 0); // no shadow

    IconTile coloured(QStringLiteral("bolt.fill"), {Qt::red, Qt::blue}, 40);
    const QImage withShadow = test::renderWidget(coloured);
    EXPECT_GT(withShadow.pixelColor(int(r.center().x()), int(r.bottom()) + 3).alpha(), 0);
}

TEST_F(Cards, SectionWithoutTitleOrFootnoteIsOnlyThePlate) {
    InsetSection section(std::nullopt, std::nullopt, false, {row()});
    EXPECT_EQ(section.findChild<TextView*>(QStringLiteral("sectionTitle"), Qt::FindDirectChildrenOnly), nullptr);
    EXPECT_EQ(section.findChild<TextView*>(QStringLiteral("footnote"), Qt::FindDirectChildrenOnly), nullptr);
    EXPECT_EQ(section.layout()->count(), 1);
}

TEST_F(Cards, TitleIsUpperCaseSecondaryAndFootnoteWraps) {
    InsetSection section(QStringLiteral("Quota detail"), QStringLiteral("A long footnote that has to wrap onto more lines"),
                         false, {row()});
    InsetSection capitals(QStringLiteral("QUOTA DETAIL"), std::nullopt, false, {row()});
    auto* title = section.findChild<TextView*>(QStringLiteral("sectionTitle"), Qt::FindDirectChildrenOnly);
    auto* written = capitals.findChild<TextView*>(QStringLiteral("sectionTitle"), Qt::FindDirectChildrenOnly);
    ASSERT_NE(title, nullptr);
    ASSERT_NE(written, nullptr);
    // Drawn in capitals: the same pixels as the title written in capitals.
    ASSERT_EQ(title->sizeHint(), written->sizeHint());
    title->resize(title->sizeHint());
    written->resize(written->sizeHint());
    EXPECT_EQ(title->grab().toImage(), written->grab().toImage());
    ASSERT_NE(section.findChild<TextView*>(QStringLiteral("footnote"), Qt::FindDirectChildrenOnly), nullptr);
    EXPECT_TRUE(section.findChild<TextView*>(QStringLiteral("footnote"), Qt::FindDirectChildrenOnly)->hasHeightForWidth());
    EXPECT_GT(section.findChild<TextView*>(QStringLiteral("footnote"), Qt::FindDirectChildrenOnly)->heightForWidth(60), section.findChild<TextView*>(QStringLiteral("footnote"), Qt::FindDirectChildrenOnly)->heightForWidth(600));
}

TEST_F(Cards, FlushRowsTouchThePlatesSides) {
    auto* inset = row();
    InsetSection spaced(std::nullopt, std::nullopt, false, {inset, row()});
    spaced.resize(300, spaced.sizeHint().height());
    test::renderWidget(spaced);
    EXPECT_EQ(inset->geometry().left(), 10);
    EXPECT_EQ(inset->geometry().top(), 9);

    auto* first = row();
    auto* second = row();
    InsetSection flush(std::nullopt, std::nullopt, true, {first, second});
    flush.resize(300, flush.sizeHint().height());
    test::renderWidget(flush);
    EXPECT_EQ(first->geometry().left(), 0);
    EXPECT_EQ(first->geometry().width(), flush.plate()->width());
    EXPECT_EQ(first->geometry().top(), 4);
    EXPECT_EQ(second->geometry().top(), first->geometry().bottom() + 1); // no spacing
}

TEST_F(Cards, RowSeparatorIsIndentedOnTheLeadingEdge) {
    RowSeparator separator(30);
    separator.resize(100, 1);
    QImage img(200, 2, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(2);
    img.fill(Qt::transparent);
    separator.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qAlpha(img.pixel(40, 0)), 0);
    EXPECT_GT(qAlpha(img.pixel(80, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(80, 1)), 0); // half a point high
}

TEST_F(Cards, TierBadgeCompactIsSmallerWithTheSameColoursAndSymbol) {
    for (UsageTier tier : {UsageTier::abundant, UsageTier::steady, UsageTier::caution, UsageTier::critical}) {
        const BadgeLook regular = TierBadge::lookFor(tier, false);
        const BadgeLook compact = TierBadge::lookFor(tier, true);
        EXPECT_EQ(regular.symbol, symbol(tier));
        EXPECT_EQ(compact.symbol, regular.symbol);
        EXPECT_EQ(compact.foreground, toQColor(accent(tier)));
        EXPECT_EQ(compact.fill, regular.fill);
        EXPECT_EQ(compact.rim, regular.rim);
        EXPECT_LT(compact.font.pointSizeF(), regular.font.pointSizeF());
        EXPECT_LT(compact.symbolPointSize, regular.symbolPointSize);
        const QSizeF small = CapsuleBadge::measure(compact);
        const QSizeF large = CapsuleBadge::measure(regular);
        EXPECT_LT(small.width(), large.width());
        EXPECT_LT(small.height(), large.height());
    }
}

TEST_F(Cards, BadgesSpeakTheResolvedLanguage) {
    test::speak(ResolvedLanguage::korean);
    EXPECT_EQ(TierBadge(Localization::shared(), UsageTier::caution, false).accessibleName(), QStringLiteral("주의"));
    EXPECT_EQ(LiveStreamBadge(Localization::shared()).accessibleName(), QStringLiteral("AI 작업 진행 중"));
    EXPECT_EQ(AppOpenBadge(Localization::shared()).accessibleName(), QStringLiteral("데스크톱 앱 실행 중"));
    test::speak(ResolvedLanguage::english);
    EXPECT_EQ(TierBadge(Localization::shared(), UsageTier::caution, false).accessibleName(), QStringLiteral("Caution"));
    EXPECT_EQ(LiveStreamBadge(Localization::shared()).accessibleName(), QStringLiteral("AI task in progress"));
    EXPECT_EQ(AppOpenBadge(Localization::shared()).accessibleName(), QStringLiteral("Desktop app running"));
}

TEST_F(Cards, TheWorkingBadgeBreathesOnlyOnScreenAndWithMotion) {
    EXPECT_EQ(LiveStreamBadge::live(), QColor(48, 209, 88));
    EXPECT_DOUBLE_EQ(LiveStreamBadge::dotScale(0), 0.86);
    EXPECT_DOUBLE_EQ(LiveStreamBadge::dotScale(1), 1.18);
    EXPECT_DOUBLE_EQ(LiveStreamBadge::glowRadius(1), 3.5);
    LiveStreamBadge badge(Localization::shared());
    const EndlessPulse* pulse = badge.findChild<EndlessPulse*>();
    EXPECT_FALSE(pulse->isRunning());
    badge.show();
    EXPECT_TRUE(pulse->isRunning());
    test::reduceMotion(true);
    EXPECT_FALSE(pulse->isRunning());
    EXPECT_DOUBLE_EQ(pulse->value(), 0.0);
    test::reduceMotion(false);
    EXPECT_TRUE(pulse->isRunning());
    badge.hide();
    EXPECT_FALSE(pulse->isRunning());
}

TEST_F(Cards, ABadgeIsDrawnAtItsPresenceFromNearNothing) {
    const struct {
        double presence, scale, opacity;
    } rows[] = {{0, 0.00001, 0}, {0.000001, 0.00001, 0.000001}, {0.4, 0.4, 0.4}, {1, 1, 1}, {1.06, 1.06, 1}};
    for (const auto& r : rows) {
        EXPECT_DOUBLE_EQ(CapsuleBadge::presenceScale(r.presence), r.scale) << r.presence;
        EXPECT_DOUBLE_EQ(CapsuleBadge::presenceOpacity(r.presence), r.opacity) << r.presence;
    }
}

TEST_F(Cards, ABadgeGrowsInAndShrinksAwayOnScreenUnlessMotionIsReduced) {
    for (const bool reduced : {false, true}) {
        SCOPED_TRACE(reduced ? "reduced motion" : "with motion");
        test::reduceMotion(reduced);
        QWidget host;
        host.resize(120, 40);
        host.show();
        auto* badge = new AppOpenBadge(Localization::shared(), &host);
        badge->resize(badge->sizeHint());
        const QRect all(QPoint(), badge->size());
        badge->appear();
        EXPECT_TRUE(badge->isVisible());
        if (reduced) {
            EXPECT_TRUE(test::drawnWhole(*badge));
        } else {
            EXPECT_TRUE(test::drawnGone(*badge));
            EXPECT_EQ(test::inkIn(test::renderWidget(*badge), all), 0); // nothing drawn yet
            EXPECT_TRUE(test::waitUntil([&] { return test::drawnWhole(*badge); }));
        }
        const qint64 full = test::inkIn(test::renderWidget(*badge), all);
        EXPECT_GT(full, 0);

        int gone = 0;
        badge->leave([&gone] { ++gone; });
        if (reduced) {
            EXPECT_EQ(gone, 1);
            EXPECT_FALSE(badge->isLeaving());
        } else {
            EXPECT_EQ(gone, 0);
            EXPECT_TRUE(badge->isLeaving());
            // Coming back before it is gone turns it round; it is never reported gone.
            EXPECT_TRUE(test::waitUntil([&] { return !test::drawnWhole(*badge); }));
            badge->appear();
            EXPECT_FALSE(badge->isLeaving());
            EXPECT_TRUE(test::waitUntil([&] { return test::drawnWhole(*badge); }));
            EXPECT_EQ(gone, 0);
            badge->leave([&gone] { ++gone; });
            EXPECT_TRUE(test::waitUntil([&] { return gone == 1; }));
            EXPECT_TRUE(test::drawnGone(*badge));
            EXPECT_EQ(test::inkIn(test::renderWidget(*badge), all), 0);
        }
    }
    test::reduceMotion(std::nullopt);
}

TEST_F(Cards, ABadgeOutOfSightIsThereOrGoneAtOnce) {
    QWidget host; // never shown
    auto* badge = new LiveStreamBadge(Localization::shared(), &host);
    badge->appear();
    EXPECT_FALSE(badge->isHidden());
    EXPECT_TRUE(test::drawnWhole(*badge));
    bool gone = false;
    badge->leave([&gone] { gone = true; });
    EXPECT_TRUE(gone);
    EXPECT_TRUE(test::drawnGone(*badge));
}

// What the sheets show, in both looks: each tile in its top colour over a
// shadow beneath it (none for a tile without colours), each tier badge's
// symbol and label in the tier's colour, the compact one narrower.
TEST_F(Cards, Grabs) {
    const auto near = [](const QColor& a, const QColor& b, int tolerance) {
        return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
               std::abs(a.blue() - b.blue()) <= tolerance;
    };
    const auto count = [&near](const QImage& image, const QColor& colour) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 200 && near(image.pixelColor(x, y), colour, 40)) ++n;
        return n;
    };
    // Device pixels of the band just under a tile, where its shadow falls.
    const auto underTile = [](const IconTile& tile) {
        const QRectF r = tile.tileRect();
        return QRect(int(2 * (r.center().x() - 4)), int(2 * r.bottom()) + 1, 16, 4);
    };
    for (const Scheme scheme : {Scheme::light, Scheme::dark}) {
        SCOPED_TRACE(int(scheme));
        test::showLook(scheme);
        const QColor backdrop = scheme == Scheme::dark ? QColor(30, 32, 38) : QColor(245, 246, 248);
        QList<QImage> tiles;
        for (const char* s : {"sparkles", "sparkle", "atom", "curlybraces", "fish", "cat.fill", "gearshape"}) {
            IconTile tile(QString::fromLatin1(s), {QColor(10, 132, 255), QColor(0, 80, 199)}, 29);
            tiles << test::renderWidget(tile, 2.0);
            const QRectF r = tile.tileRect();
            EXPECT_TRUE(
                near(test::pixelAt(tiles.last(), r.left() + 4, r.top() + 5), QColor(10, 132, 255), 24))
                << s;
            EXPECT_GT(test::inkIn(tiles.last(), underTile(tile)), 0) << s;
        }
        IconTile clear(QStringLiteral("globe"), {}, 29);
        tiles << test::renderWidget(clear, 2.0);
        EXPECT_EQ(test::inkIn(tiles.last(), underTile(clear)), 0);
        QList<QImage> badges;
        for (UsageTier tier : {UsageTier::abundant, UsageTier::steady, UsageTier::caution, UsageTier::critical}) {
            int widths[2] = {};
            for (bool compact : {false, true}) {
                TierBadge badge(Localization::shared(), tier, compact);
                badges << test::renderWidget(badge, 2.0);
                widths[compact] = badge.width();
                EXPECT_GT(count(badges.last(), toQColor(accent(tier))), 20) << label(tier).toStdString();
            }
            EXPECT_LT(widths[1], widths[0]);
        }
        LiveStreamBadge live(Localization::shared());
        badges << test::renderWidget(live, 2.0);
        EXPECT_GT(count(badges.last(), LiveStreamBadge::live()), 20);
        AppOpenBadge open(Localization::shared());
        badges << test::renderWidget(open, 2.0);
        EXPECT_EQ(count(badges.last(), LiveStreamBadge::live()), 0);
        const QString suffix = scheme == Scheme::dark ? QStringLiteral("-dark") : QStringLiteral("-light");
        test::saveGrab(test::sheet(tiles, backdrop), QStringLiteral("icon-tiles") + suffix);
        test::saveGrab(test::sheet(badges, backdrop), QStringLiteral("badges") + suffix);
    }
}

} // namespace
} // namespace meterix
