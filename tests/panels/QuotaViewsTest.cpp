#include "core/Clock.h"
#include "core/Localization.h"
#include "core/UsageSnapshot.h"
#include "design/AccentColor.h"
#include "design/LiveStreamBadge.h"
#include "design/Surface.h"
#include "panels/GlassActionButton.h"
#include "panels/ModelQuotaCompactRow.h"
#include "panels/QuotaBar.h"
#include "panels/QuotaHeroView.h"
#include "panels/QuotaMeterRow.h"
#include "platform/ui/Appearance.h"

#include "BothLanguages.h"
#include "support/gui/BadgeSupport.h"
#include "support/FakeClock.h"
#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/Looks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace meterix {
namespace {

using Hero = QuotaHeroView;
using Meter = QuotaMeterRow;

// Every text in both languages: the case's parameter is the resolved language.
class QuotaViews : public test::BothLanguages {
  protected:
    // The reset-at text: the time of day and the language's own phrasing around it.
    void expectResetAt(const std::optional<QString>& text) const {
        ASSERT_TRUE(text);
        EXPECT_TRUE(text->contains(QStringLiteral("12:00"))) << text->toStdString();
        EXPECT_TRUE(korean() ? text->endsWith(QStringLiteral("에 리셋됨"))
                             : text->startsWith(QStringLiteral("reset at ")))
            << text->toStdString();
    }

    test::FakeClock clock_;
    const QLocale locale_{QLocale::English, QLocale::UnitedStates};
};

Hero::Inputs hero(double percentage, std::optional<double> countdown = std::nullopt) {
    Hero::Inputs in;
    in.percentage = percentage;
    in.caption = QStringLiteral("Session (5h)");
    in.resetCountdown = countdown;
    return in;
}

// Without a figure the ring names the reason, in its one wording, whatever the
// reason; the capsule beside it says there is no data.
TEST_P(QuotaViews, HeroOfAReadingWithoutAFigureShowsItsReasonAndNoResetLineEvenWithACountdown) {
    using R = UsageUnavailableReason;
    const struct {
        std::optional<R> reason;
        const char *centreKo, *centreEn, *labelKo, *labelEn;
    } rows[] = {
        {std::nullopt, "미연결", "Not connected", "Session (5h), 데이터 없음 (미연결)",
         "Session (5h), no data (Not connected)"},
        {R::notMeasured, "사용량 측정 미지원", "Usage not measurable", "Session (5h), 데이터 없음 (사용량 측정 미지원)",
         "Session (5h), no data (Usage not measurable)"},
        {R::signedInWithAPIKey, "API 키로 로그인됨", "Signed in with an API key",
         "Session (5h), 데이터 없음 (API 키로 로그인됨)", "Session (5h), no data (Signed in with an API key)"},
    };
    for (const auto& r : rows) {
        Hero::Inputs in = hero(80, 7200);
        in.isSimulated = true;
        in.missingReason = r.reason;
        const Hero::Display d = Hero::display(in, locale_);
        EXPECT_TRUE(d.withheld);
        EXPECT_EQ(d.figure, std::nullopt); // "---"
        EXPECT_EQ(d.ringPercentage, 0);
        EXPECT_EQ(d.centreCaption, pick(r.centreKo, r.centreEn));
        EXPECT_EQ(d.withheldBadge, pick("데이터 없음", "No data"));
        EXPECT_EQ(d.resetLine, std::nullopt);
        EXPECT_EQ(d.accessibilityLabel, pick(r.labelKo, r.labelEn));
    }
}

// Every reason's wording stays whole inside the ring's stroke at the card's and
// the screen's ring sizes: no line's ink (a fifth of its box down to near its
// foot) reaches past the stroke's inner edge.
TEST_P(QuotaViews, TheRingsCaptionNeverRunsIntoItsStroke) {
    for (int i = 0; i <= int(UsageUnavailableReason::awaitingFirstReading); ++i) {
        const QString text = displayText(UsageUnavailableReason(i));
        for (double ring : {74.0, 76.0}) {
            const Hero::RingCaption fit = Hero::fitRingCaption(text, ring);
            EXPECT_EQ(fit.lines.join(QLatin1Char(' ')), text) << ring;
            for (const QRectF& box : fit.lineBoxes)
                for (double y : {box.top() + box.height() * 0.2, box.bottom() - box.height() * 0.15})
                    for (double x : {box.left(), box.right()})
                        EXPECT_LE(QLineF(QPointF(ring / 2, ring / 2), QPointF(x, y)).length(),
                                  Hero::ringTextRadius(ring) + 0.5)
                            << text.toStdString() << " in " << ring;
        }
    }
}

TEST_P(QuotaViews, HeroOfAnEndedWindowShowsResetWhateverThePercentage) {
    Hero::Inputs in = hero(80, 7200);
    in.windowEndedAt = clock_.now();
    const Hero::Display d = Hero::display(in, locale_);
    EXPECT_TRUE(d.withheld);
    EXPECT_EQ(d.figure, std::nullopt);
    EXPECT_EQ(d.ringPercentage, 0);
    EXPECT_EQ(d.centreCaption, pick("리셋됨", "Reset"));
    EXPECT_EQ(d.withheldBadge, pick("재측정 대기", "Re-measuring"));
    expectResetAt(d.resetLine);
    EXPECT_TRUE(d.accessibilityLabel.endsWith(pick(", 재측정 대기 중", ", awaiting re-measurement")));
}

TEST_P(QuotaViews, HeroRoundsItsFigureButKeepsTheTierAndRingOfTheUnroundedValue) {
    struct Row {
        double percentage;
        std::optional<qint64> figure;
        UsageTier tier;
        double ring;
    };
    const double inf = std::numeric_limits<double>::infinity();
    for (const Row& r : {Row{74.6, 75, UsageTier::steady, 74.6}, Row{74.4, 74, UsageTier::steady, 74.4},
                         Row{150, 150, UsageTier::abundant, 100}, Row{1e300, 999, UsageTier::abundant, 100},
                         Row{std::nan(""), std::nullopt, UsageTier::abundant, 0},
                         Row{-inf, std::nullopt, UsageTier::critical, 0}}) {
        const Hero::Display d = Hero::display(hero(r.percentage, 4000), locale_);
        EXPECT_EQ(d.figure, r.figure) << r.percentage;
        EXPECT_EQ(d.tier, r.tier) << r.percentage;
        EXPECT_DOUBLE_EQ(d.ringPercentage, r.ring) << r.percentage;
    }
    const Hero::Display d = Hero::display(hero(74.6, 4000), locale_);
    EXPECT_FALSE(d.withheldBadge);
    EXPECT_EQ(d.centreCaption, pick("남음", "left"));
    EXPECT_EQ(d.resetLine, pick("1시간 6분 후", "in 1h 6m"));
    EXPECT_EQ(d.accessibilityLabel,
              pick("Session (5h) 잔여 75 퍼센트, 안정", "Session (5h), 75 percent left, Steady"));
    // A reading that is not a number has no figure to show: the hero says so.
    const Hero::Display nan = Hero::display(hero(std::nan(""), std::nan("")), locale_);
    EXPECT_EQ(nan.withheldBadge, pick("데이터 없음", "No data"));
    EXPECT_EQ(nan.resetLine, QStringLiteral("---"));
}

TEST_P(QuotaViews, HeroShowsTheWorkingBadgeWhileInUse) {
    Hero::Inputs in = hero(50);
    in.isInUse = true;
    EXPECT_TRUE(Hero::display(in, locale_).showsLiveBadge);
    QuotaHeroView view(Appearance::shared(), Localization::shared(), in);
    view.setInputs(hero(50));
    EXPECT_FALSE(view.shown().showsLiveBadge);
    EXPECT_EQ(view.accessibleName(), view.shown().accessibilityLabel);
}

TEST_P(QuotaViews, HeroWorkingBadgeGrowsInAndShrinksAwayOnScreen) {
    Hero::Inputs working = hero(50);
    working.isInUse = true;
    // Working from the start: simply there.
    QuotaHeroView from(Appearance::shared(), Localization::shared(), working);
    from.show();
    EXPECT_TRUE(from.findChild<LiveStreamBadge*>(QStringLiteral("liveBadge"))->isVisible());
    EXPECT_TRUE(test::drawnWhole(*from.findChild<LiveStreamBadge*>(QStringLiteral("liveBadge"))));

    for (const bool reduced : {false, true}) {
        SCOPED_TRACE(reduced ? "reduced motion" : "with motion");
        test::reduceMotion(reduced);
        QuotaHeroView view(Appearance::shared(), Localization::shared(), hero(50));
        view.show();
        LiveStreamBadge* badge = view.findChild<LiveStreamBadge*>(QStringLiteral("liveBadge"));
        EXPECT_FALSE(badge->isVisible());
        view.setInputs(working);
        EXPECT_TRUE(badge->isVisible());
        if (reduced) {
            EXPECT_TRUE(test::drawnWhole(*badge));
        } else {
            EXPECT_TRUE(test::drawnGone(*badge));
            EXPECT_TRUE(test::waitUntil([&] { return test::drawnWhole(*badge); }));
        }
        view.setInputs(hero(50));
        if (reduced) {
            EXPECT_FALSE(badge->isVisible());
        } else {
            EXPECT_TRUE(badge->isVisible()); // shrinking away
            EXPECT_TRUE(test::waitUntil([&] { return !badge->isVisible(); }));
        }
        EXPECT_TRUE(test::drawnGone(*badge));
    }
    test::reduceMotion(std::nullopt);
}

TEST_P(QuotaViews, BarGeometry) {
    struct Row {
        double percentage;
        std::optional<double> pace;
        std::optional<double> fill;
        std::optional<double> marker;
    };
    const double w = 200;
    for (const Row& r :
         {Row{0, std::nullopt, std::nullopt, std::nullopt},
          Row{0.2, std::nullopt, std::nullopt, std::nullopt}, // 0.4 pt: only the track
          Row{0.3, std::nullopt, 0.6, std::nullopt}, Row{100, std::nullopt, 200, std::nullopt},
          Row{150, std::nullopt, 200, std::nullopt}, Row{-20, std::nullopt, std::nullopt, std::nullopt},
          Row{std::nan(""), std::nullopt, std::nullopt, std::nullopt}, Row{40, 0, 80, std::nullopt},
          Row{40, 100, 80, std::nullopt}, Row{40, 50, 80, 99}}) {
        const QuotaBar::Geometry g = QuotaBar::geometry(w, r.percentage, 6.5, r.pace);
        EXPECT_DOUBLE_EQ(g.frameHeight, 10.5);
        EXPECT_EQ(g.fillWidth, r.fill) << r.percentage;
        EXPECT_EQ(g.markerX, r.marker) << r.percentage << " pace " << r.pace.value_or(-1);
    }
    EXPECT_EQ(QuotaBar::paceAccessibility(33.9), pick("권장 페이스 33 퍼센트", "Suggested pace 33 percent"));
    EXPECT_EQ(QuotaBar::paceAccessibility(100), std::nullopt);

    // At 100 % the fill spans the track exactly: no track shows at its end.
    QuotaBar bar(
        Appearance::shared(), 100,
        [] {
            return QList<QColor>{Qt::red, Qt::red};
        },
        6.5);
    bar.resize(200, bar.sizeHint().height());
    const QImage full = test::renderWidget(bar);
    EXPECT_GT(test::pixelAt(full, 197, 5.25).red(), 200);
    QuotaBar empty(
        Appearance::shared(), 0.2,
        [] {
            return QList<QColor>{Qt::red, Qt::red};
        },
        6.5);
    empty.resize(200, empty.sizeHint().height());
    const QImage track = test::renderWidget(empty);
    EXPECT_LT(test::pixelAt(track, 1, 5.25).red(), 100);
}

TEST_P(QuotaViews, MeterRowShowsEmptyAtZeroAndWithholdsAQuotaPastItsReset) {
    const QDateTime now = clock_.now();
    ModelQuotaItem item(QStringLiteral("Opus"), 0, QuotaKind::weeklyLimit, now.addSecs(3600), QString(), 40);
    Meter::Display d = Meter::display(item, now, locale_);
    EXPECT_EQ(d.value, Meter::Value::empty);
    EXPECT_EQ(d.tier, UsageTier::critical);
    EXPECT_TRUE(d.nameSecondary);
    EXPECT_EQ(d.leftText, pick("주간 한도", "Weekly Limit")); // an empty pace text gives the type
    EXPECT_EQ(d.rightText, pick("1시간 후", "in 1h"));
    EXPECT_EQ(d.paceMarker, 40);

    item.remainingPercentage = 62.5;
    item.resetAt = now.addSecs(-60);
    item.paceText = QStringLiteral("On pace");
    d = Meter::display(item, now, locale_);
    EXPECT_EQ(d.value, Meter::Value::withheld); // "---"
    EXPECT_EQ(d.barPercentage, 0);
    EXPECT_TRUE(d.greyBar);
    EXPECT_EQ(d.paceMarker, std::nullopt);
    EXPECT_EQ(d.leftText, QStringLiteral("On pace"));
    item.resetAt = now;
    expectResetAt(Meter::display(item, now, locale_).rightText);

    item.resetAt.reset();
    d = Meter::display(item, now, locale_);
    EXPECT_EQ(d.value, Meter::Value::figure);
    EXPECT_EQ(d.figure, 63);
    EXPECT_EQ(d.accessibilityLabel,
              pick("Opus 주간 한도 잔여 63 퍼센트", "Opus Weekly Limit, 63 percent left"));
    item.remainingPercentage = std::numeric_limits<double>::infinity();
    item.resetAt = addSeconds(now, 1e300);
    d = Meter::display(item, now, locale_);
    EXPECT_EQ(d.value, Meter::Value::withheld);
    EXPECT_TRUE(d.rightText && !d.rightText->isEmpty()); // capped, never undefined

    QuotaMeterRow row(Appearance::shared(),
                      ModelQuotaItem(QStringLiteral("Opus"), 0, QStringLiteral("Weekly Limit")), clock_);
    EXPECT_EQ(row.shown().value, Meter::Value::empty);
}

TEST_P(QuotaViews, CompactRowFigureAndAccessibility) {
    struct Row {
        double percentage;
        const char* text;
        UsageTier tier;
        double bar;
    };
    for (const Row& r :
         {Row{74.6, "75%", UsageTier::steady, 74.6}, Row{150, "150%", UsageTier::abundant, 100},
          Row{19.5, "20%", UsageTier::critical, 19.5}, Row{std::nan(""), "---", UsageTier::abundant, 0}}) {
        ModelQuotaItem item;
        item.name = QStringLiteral("Sonnet");
        item.quotaType = QStringLiteral("Daily");
        item.remainingPercentage = r.percentage;
        const ModelQuotaCompactRow::Display d = ModelQuotaCompactRow::display(item);
        EXPECT_EQ(d.percentText, QString::fromLatin1(r.text));
        EXPECT_EQ(d.tier, r.tier);
        EXPECT_DOUBLE_EQ(d.barPercentage, r.bar);
    }
    ModelQuotaCompactRow row(ModelQuotaItem(QStringLiteral("Sonnet"), 40, QStringLiteral("Daily")));
    EXPECT_EQ(row.accessibleName(), pick("Sonnet Daily 잔여 40 퍼센트", "Sonnet Daily, 40 percent left"));
}

TEST_P(QuotaViews, ActionButtonLooks) {
    const GlassActionButton::Look prominent = GlassActionButton::lookFor(true, 1);
    EXPECT_EQ(prominent.foreground, QColor(Qt::white));
    EXPECT_EQ(prominent.fillTop, accentColor());
    EXPECT_NEAR(prominent.fillBottom.alphaF(), 0.82, 0.01);
    const GlassActionButton::Look rest = GlassActionButton::lookFor(false, 0);
    EXPECT_EQ(rest.foreground, LabelColor::primary());
    EXPECT_EQ(rest.hoverWash.alpha(), 0);
    const GlassActionButton::Look hovered = GlassActionButton::lookFor(false, 1);
    EXPECT_EQ(hovered.foreground.rgb(), accentColor().rgb());
    EXPECT_EQ(hovered.hoverWash, Surface::hoverWash());

    int runs = 0;
    GlassActionButton button(QStringLiteral("Refresh"), QStringLiteral("arrow.clockwise"), true,
                             [&] { ++runs; });
    button.click();
    button.setEnabled(false);
    button.click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Refresh"));
}

METERIX_IN_BOTH_LANGUAGES(QuotaViews);

} // namespace
} // namespace meterix
