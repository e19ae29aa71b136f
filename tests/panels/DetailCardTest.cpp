#include "core/Localization.h"
#include "core/UsageSnapshot.h"
#include "design/InsetSection.h"
#include "design/MeterixFont.h"
#include "panels/DetailGlassCardView.h"
#include "panels/GlassActionButton.h"
#include "panels/ModelQuotaCompactRow.h"
#include "panels/QuotaHeroView.h"
#include "platform/ui/Appearance.h"

#include "BothLanguages.h"
#include "support/FakeClock.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/LinkCatcher.h"
#include "support/gui/Looks.h"

#include <QAbstractButton>
#include <QLayout>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using Card = DetailGlassCardView;
using Hero = QuotaHeroView;
using P = AIProviderType;

GlassActionButton* button(const Card& card, const char* name) {
    return card.findChild<GlassActionButton*>(QLatin1String(name));
}

class DetailCard : public test::BothLanguages {
  protected:
    // A measured reading taken two minutes ago: 74.6 % of the session left,
    // 42 % of the week, two model quotas.
    UsageSnapshot measured(P provider = P::claudeCode) const {
        UsageSnapshot::Fields f;
        f.provider = provider;
        f.headlineRemainingPercentage = 74.6;
        f.weeklyRemainingPercentage = 42;
        f.modelQuotas = {ModelQuotaItem(QStringLiteral("Opus"), 18, QuotaKind::weeklyLimit),
                         ModelQuotaItem(QStringLiteral("Sonnet"), 64, QuotaKind::weeklyLimit)};
        f.planName = QStringLiteral("Max");
        f.lastUpdated = clock_.now().addSecs(-120);
        f.headlineResetAt = f.lastUpdated.addSecs(7500);
        f.weeklyResetAt = f.lastUpdated.addSecs(3 * 86400 + 7200);
        f.strategyUsed = FetchStrategy::cliStatusProbe;
        return UsageSnapshot(f);
    }
    UsageSnapshot simulated(P provider = P::claudeCode) const {
        return UsageSnapshot::unavailable(provider, UsageUnavailableReason::authenticationFailed,
                                          std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                          clock_.now());
    }
    UsageSnapshot ended() const {
        UsageSnapshot s = measured();
        s.headlineResetAt = clock_.now().addSecs(-30);
        return s;
    }

    test::FakeClock clock_;
};

TEST_P(DetailCard, SourceAndErrorLines) {
    UsageSnapshot s = measured();
    Card::Display d = Card::display(s, {}, clock_);
    EXPECT_EQ(d.sourceLine, pick("CLI 조회 · 2분 전 업데이트", "CLI probe · Updated 2m ago"));
    EXPECT_EQ(d.errorLine, std::nullopt);
    EXPECT_EQ(d.plan, QStringLiteral("Max"));
    s.fetchError = QStringLiteral("HTTP 500");
    EXPECT_EQ(Card::display(s, {}, clock_).errorLine,
              pick("갱신 실패: HTTP 500 마지막 측정값입니다.",
                   "Refresh failed: HTTP 500 Showing the last measurement."));

    // A placeholder has no last measurement: the sentence is left out.
    UsageSnapshot placeholder = simulated();
    placeholder.fetchError = QStringLiteral("HTTP 500");
    d = Card::display(placeholder, {}, clock_);
    EXPECT_EQ(d.errorLine, pick("갱신 실패: HTTP 500", "Refresh failed: HTTP 500"));
    EXPECT_EQ(d.sourceLine, pick("인증 실패 (데이터 없음)", "Authentication failed (no data)"));
    ASSERT_TRUE(d.notice);
    EXPECT_TRUE(d.notice->isFault);
    EXPECT_FALSE(d.weekly);
    EXPECT_TRUE(d.models.isEmpty());
    EXPECT_TRUE(d.hero.isSimulated);
    EXPECT_DOUBLE_EQ(d.tintStrength, 0.2);
    // No reason at all reads as not configured.
    placeholder.unavailableReason.reset();
    EXPECT_EQ(Card::display(placeholder, {}, clock_).sourceLine,
              pick("미연결 (데이터 없음)", "Not connected (no data)"));
}

TEST_P(DetailCard, EndedShortWindowIsWithheldWhileTheWeekStaysLive) {
    const Card::Display d = Card::display(ended(), {}, clock_);
    ASSERT_TRUE(d.hero.windowEndedAt);
    EXPECT_TRUE(Hero::display(d.hero).withheld);
    ASSERT_TRUE(d.weekly);
    EXPECT_FALSE(d.weekly->ended);
    EXPECT_EQ(d.weekly->figure, 42);
    EXPECT_EQ(d.hero.caption, pick("세션 쿼터", "Session quota"));
    // A reset time still to come is no end.
    UsageSnapshot later = measured();
    later.headlineResetAt = clock_.now().addSecs(30);
    EXPECT_FALSE(Card::display(later, {}, clock_).hero.windowEndedAt);
}

TEST_P(DetailCard, WeeklySection) {
    struct Row {
        double countdown;
        const char* ko;
        const char* en;
    };
    for (const Row& r :
         {Row{59, "곧 리셋", "Resets soon"}, Row{60, "1분 후 리셋", "Resets in 1m"},
          Row{90000, "1일 1시간 후 리셋", "Resets in 1d 1h"}}) {
        UsageSnapshot s = measured();
        s.weeklyResetAt = clock_.now().addSecs(qint64(r.countdown));
        const auto weekly = Card::display(s, {}, clock_).weekly;
        ASSERT_TRUE(weekly);
        EXPECT_EQ(weekly->resetLine, pick(r.ko, r.en)) << r.countdown;
    }
    UsageSnapshot s = measured();
    auto weekly = *Card::display(s, {}, clock_).weekly;
    EXPECT_EQ(weekly.accessibilityLabel,
              pick("주간 쿼터 잔여 42 퍼센트, 주의", "Weekly quota, 42 percent left, Caution"));
    EXPECT_DOUBLE_EQ(weekly.barPercentage, 42);
    s.weeklyResetAt.reset();
    EXPECT_EQ(Card::display(s, {}, clock_).weekly->resetLine, std::nullopt);
    // The week has ended since the reading: no figure, an empty bar, the reset time.
    s.weeklyResetAt = clock_.now();
    weekly = *Card::display(s, {}, clock_).weekly;
    EXPECT_TRUE(weekly.ended);
    EXPECT_EQ(weekly.figure, std::nullopt);
    EXPECT_EQ(weekly.barPercentage, 0);
    ASSERT_TRUE(weekly.resetLine);
    EXPECT_TRUE(weekly.accessibilityLabel.startsWith(pick("주간 쿼터, ", "Weekly quota, ")));
    EXPECT_TRUE(weekly.accessibilityLabel.endsWith(pick(", 재측정 대기 중", ", awaiting re-measurement")));
    // A stored week of 150 shows as it is; one that is not a number shows "---".
    s = measured();
    s.weeklyRemainingPercentage = 150;
    EXPECT_EQ(Card::display(s, {}, clock_).weekly->figure, 150);
    s.weeklyRemainingPercentage = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Card::display(s, {}, clock_).weekly->figure, std::nullopt);
}

TEST_P(DetailCard, OnlyHeaderHeroAndActionsWithoutWeekOrModels) {
    UsageSnapshot s = measured();
    s.weeklyRemainingPercentage.reset();
    s.modelQuotas.clear();
    Card card(
        Appearance::shared(), Localization::shared(), s, [] {}, clock_);
    EXPECT_TRUE(card.findChildren<InsetSection*>().isEmpty());
    card.setSnapshot(measured());
    EXPECT_EQ(card.findChildren<InsetSection*>().size(), 2);
    EXPECT_EQ(card.findChildren<ModelQuotaCompactRow*>().size(), 2);
    EXPECT_EQ(card.accessibleName(), pick("Claude Code 쿼터 상세", "Claude Code quota detail"));
}

TEST_P(DetailCard, WithoutADashboardTheRefreshButtonTakesTheWholeWidth) {
    Card with(
        Appearance::shared(), Localization::shared(), measured(P::claudeCode), [] {}, clock_);
    Card without(
        Appearance::shared(), Localization::shared(), measured(P::mistral), [] {}, clock_);
    for (Card* c : {&with, &without}) {
        c->resize(c->sizeHint());
        c->layout()->activate();
    }
    EXPECT_TRUE(button(with, "dashboard")->isVisibleTo(&with));
    EXPECT_FALSE(button(without, "dashboard")->isVisibleTo(&without));
    const int inner = int(Card::cardWidth - 2 * Card::padding);
    EXPECT_EQ(button(without, "refresh")->width(), inner);
    EXPECT_EQ(button(with, "refresh")->width() + button(with, "dashboard")->width() + 7, inner);

    // A link that nothing could open (no handler on this platform) says so on its button.
    for (const bool opens : {true, false}) {
        std::optional<test::LinkCatcher> catcher;
        if (opens) catcher.emplace();
        button(with, "dashboard")->click();
        if (catcher) {
            EXPECT_EQ(catcher->opened, QList<QUrl>{*accountDashboardURL(P::claudeCode)});
        }
        EXPECT_EQ(button(with, "dashboard")->title(), opens ? pick("대시보드", "Dashboard")
                                                            : pick("열지 못함", "Could not open"));
    }
}

TEST_P(DetailCard, UpdatingAndDisabledWhileAnyRefreshRuns) {
    Card card(
        Appearance::shared(), Localization::shared(), measured(P::openAICodex), [] {}, clock_);
    GlassActionButton* refresh = button(card, "refresh");
    EXPECT_EQ(refresh->title(), pick("새로 고침", "Refresh"));

    // Whichever provider the running refresh reads.
    card.setLive(Card::Live{{}, true});
    EXPECT_EQ(refresh->title(), pick("업데이트 중", "Updating"));
    EXPECT_FALSE(refresh->isEnabled());
    card.setLive(Card::Live{{P::openAICodex}, false});
    EXPECT_TRUE(refresh->isEnabled());
    EXPECT_TRUE(card.hero()->shown().showsLiveBadge);
}

TEST_P(DetailCard, CloseButtonRunsTheCloseActionAndNewReadingsUpdateInPlace) {
    int closed = 0;
    Card card(
        Appearance::shared(), Localization::shared(), measured(), [&] { ++closed; }, clock_);
    auto* close = card.findChild<QAbstractButton*>(QStringLiteral("close"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->accessibleName(), pick("닫기", "Close"));
    close->click();
    EXPECT_EQ(closed, 1);

    QuotaHeroView* hero = card.hero();
    UsageSnapshot newer = measured();
    newer.headlineRemainingPercentage = 30;
    card.setSnapshot(newer);
    EXPECT_EQ(card.hero(), hero); // the same hero, gliding to the new figure
    EXPECT_EQ(hero->shown().figure, 30);
    EXPECT_EQ(card.shown().tier, UsageTier::caution);
    // The same reading once its window has ended: the figure is withheld.
    newer.headlineResetAt = clock_.now().addSecs(10);
    card.setSnapshot(newer);
    EXPECT_FALSE(hero->shown().withheld);
    clock_.advance(10);
    card.setSnapshot(newer);
    EXPECT_TRUE(hero->shown().withheld);
}

// An allowance's name fits its row: the window the line below already gives is
// not said twice, and a name still too long keeps both of its ends.
TEST_P(DetailCard, LongAllowanceNamesFitTheirRowKeepingWhatTellsThemApart) {
    const QString spark = QStringLiteral("GPT-5.3-Codex-Spark");
    const QString fiveHours = pick("5시간 한도", "5-hour limit");
    const QString week = pick("1주 한도", "1-week limit");
    const QString longName = QStringLiteral("claude-opus-4-1-20250805-experimental-preview-weekly");
    const struct {
        QString name, quotaType;
        QString shown; // empty: cut in the middle
    } rows[] = {
        {spark + QStringLiteral(" · ") + fiveHours, fiveHours, spark},
        {spark + QStringLiteral(" · ") + week, week, spark},
        {QStringLiteral("Opus"), QStringLiteral("Weekly"), QStringLiteral("Opus")},
        {QStringLiteral("Weekly"), QStringLiteral("Weekly"), QStringLiteral("Weekly")}, // nothing left to strip
        {longName + QStringLiteral(" · Tokens"), QStringLiteral("Per-minute"), QString()},
    };
    UsageSnapshot s = measured(P::openAICodex);
    s.modelQuotas.clear();
    for (const auto& r : rows)
        s.modelQuotas.append(ModelQuotaItem(r.name, 61, r.quotaType, s.capturedAt.addSecs(3600)));
    Card card(
        Appearance::shared(), Localization::shared(), s, [] {}, clock_);
    card.resize(card.sizeHint());
    card.show();
    QCoreApplication::sendPostedEvents();
    const auto shownRows = card.findChildren<ModelQuotaCompactRow*>();
    ASSERT_EQ(shownRows.size(), qsizetype(std::size(rows)));
    const QFontMetricsF metrics(MeterixFont::rounded(11, QFont::DemiBold));
    for (qsizetype i = 0; i < shownRows.size(); ++i) {
        const auto& r = rows[i];
        ModelQuotaCompactRow* row = shownRows[i];
        const QString shown = row->shownName();
        SCOPED_TRACE(r.name.toStdString());
        EXPECT_LE(metrics.horizontalAdvance(shown), row->nameRoom().width() + 0.5);
        EXPECT_GT(row->nameRoom().width(), 100);
        if (!r.shown.isEmpty()) {
            EXPECT_EQ(shown, r.shown);
        } else {
            EXPECT_TRUE(shown.contains(QChar(0x2026)));
            EXPECT_TRUE(shown.startsWith(QStringLiteral("claude-opus")));
            EXPECT_TRUE(shown.endsWith(QStringLiteral("Tokens")));
        }
    }
    test::saveGrab(test::renderWidget(card, 2.0),
                   QStringLiteral("detail-card-long-names-") + (korean() ? QStringLiteral("ko") : QStringLiteral("en")));
}

TEST_P(DetailCard, GrabsOfMeasuredSimulatedAndEndedReadingsInLightAndDark) {
    UsageSnapshot failed = simulated(P::cursor);
    failed.fetchError = QStringLiteral("HTTP 500");
    const QList<std::pair<const char*, UsageSnapshot>> cases{
        {"measured", measured()}, {"simulated", failed}, {"window-ended", ended()}};
    for (const Appearance::Scheme scheme : {Appearance::Scheme::light, Appearance::Scheme::dark}) {
        test::showLook(scheme);
        const bool dark = scheme == Appearance::Scheme::dark;
        for (const auto& [name, snapshot] : cases) {
            Card card(
                Appearance::shared(), Localization::shared(), snapshot, [] {}, clock_);
            card.resize(card.sizeHint());
            const QImage image = test::renderWidget(card, 2.0);
            // The glass covers the card: its middle is painted, opaque enough to read on.
            const QRectF glass = card.glassRect();
            EXPECT_GT(qAlpha(image.pixel(int(glass.center().x() * 2), int((glass.top() + 8) * 2))), 150)
                << name;
            EXPECT_EQ(card.width(), int(Card::cardWidth) + 2 * Card::shadowBleed());
            const QString file =
                QStringLiteral("detail-card-%1-%2-%3")
                    .arg(QString::fromLatin1(name), dark ? QStringLiteral("dark") : QStringLiteral("light"),
                         korean() ? QStringLiteral("ko") : QStringLiteral("en"));
            EXPECT_FALSE(test::saveGrab(
                             test::onBackdrop(image, dark ? QColor(40, 44, 52) : QColor(214, 222, 232)), file)
                             .isEmpty());
        }
    }
    // The placeholder's card is shorter: a notice in place of the week and the models.
    Card measuredCard(
        Appearance::shared(), Localization::shared(), measured(), [] {}, clock_);
    Card placeholderCard(
        Appearance::shared(), Localization::shared(), failed, [] {}, clock_);
    EXPECT_GT(measuredCard.sizeHint().height(), placeholderCard.sizeHint().height());
}

METERIX_IN_BOTH_LANGUAGES(DetailCard);

} // namespace
} // namespace meterix
