// What the card and the provider screen show of a reading as time moves on, and
// in which language, however and whenever the reading was made.
#include "accounts/AccountUsageStore.h"
#include "core/ReadingWords.h"
#include "design/MinuteTicker.h"
#include "panels/DetailGlassCardView.h"
#include "panels/MenuBarProviderDetailScreen.h"
#include "panels/ModelQuotaCompactRow.h"
#include "panels/QuotaHeroView.h"
#include "panels/QuotaMeterRow.h"
#include "providers/claude/ClaudeCodeAdapter.h"

#include "BothLanguages.h"
#include "ScreenFixture.h"
#include "support/FakeClock.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/ScreenParts.h"
#include "support/Speaking.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using P = AIProviderType;

class ReadingsOnScreen : public test::BothLanguages {
  protected:
    // A reading taken `age` seconds ago whose session then had 11430 s (3h 10m 30s) to go.
    static UsageSnapshot reading(test::ScreenFixture& f, double age, P provider = P::claudeCode,
                                 FetchStrategy strategy = FetchStrategy::cliStatusProbe,
                                 QList<ModelQuotaItem> items = {}) {
        const QDateTime at = f.clock.now().addSecs(-qint64(age));
        return UsageSnapshot({.provider = provider, .headlineRemainingPercentage = 60, .modelQuotas = items,
                              .lastUpdated = at, .strategyUsed = strategy, .accountID = QStringLiteral("u-1"),
                              .capturedAt = at, .headlineResetAt = at.addSecs(11430)});
    }
    // The reading as the usage store hands it out after a restart.
    static UsageSnapshot restored(test::ScreenFixture& f, const UsageSnapshot& s) {
        const QString path = f.home.file(QStringLiteral("restored.json"));
        AccountUsageStore(path, f.clock).record(s); // its end writes the file
        return *AccountUsageStore(path, f.clock).snapshot(s.provider, QStringLiteral("u-1"));
    }
    static std::unique_ptr<MenuBarProviderDetailScreen> screen(test::ScreenFixture& f, const UsageSnapshot& s) {
        UsageSnapshot shown = s;
        shown.accountID.reset(); // no account to file it under: the provider's own reading
        f.manager->apply({shown}, s.provider);
        auto screen = std::make_unique<MenuBarProviderDetailScreen>(f.context(), s.provider);
        screen->show();
        return screen;
    }
};

TEST_P(ReadingsOnScreen, CountdownsAndAgesMoveWhileShownAndRestoredReadingsCountToTheirReset) {
    struct Row {
        const char* what;
        bool restored;
        double age;
        const char* countdown[2][2]; // now and three minutes later, each in Korean and in English
        const char* updated[2][2];
    };
    for (const Row& r :
         {Row{"fresh", false, 0, {{"3시간 10분 후", "in 3h 10m"}, {"3시간 7분 후", "in 3h 7m"}},
              {{"방금 업데이트", "Updated just now"}, {"3분 전 업데이트", "Updated 3m ago"}}},
          Row{"restored at start", true, 240, {{"3시간 6분 후", "in 3h 6m"}, {"3시간 3분 후", "in 3h 3m"}},
              {{"4분 전 업데이트", "Updated 4m ago"}, {"7분 전 업데이트", "Updated 7m ago"}}}}) {
        test::ScreenFixture f;
        test::speak(GetParam()); // the fixture's settings resolved it anew
        UsageSnapshot s = reading(f, r.age);
        if (r.restored) s = restored(f, s);
        DetailGlassCardView card(Appearance::shared(), Localization::shared(), s, {}, f.clock);
        EXPECT_FALSE(card.findChild<MinuteTicker*>(QStringLiteral("ticker"))->isRunning()) << "nothing runs while hidden";
        card.show();
        auto detail = screen(f, s);
        for (int step = 0; step < 2; ++step) {
            EXPECT_TRUE(card.findChild<MinuteTicker*>(QStringLiteral("ticker"))->isRunning() && detail->findChild<MinuteTicker*>(QStringLiteral("ticker"))->isRunning()) << r.what;
            const QString countdown = pick(r.countdown[step][0], r.countdown[step][1]);
            EXPECT_EQ(card.hero()->shown().resetLine, countdown) << r.what;
            EXPECT_EQ(test::part<QuotaHeroView>(*detail, QStringLiteral("hero"))->shown().resetLine, countdown) << r.what;
            EXPECT_TRUE(card.shown().sourceLine.endsWith(pick(r.updated[step][0], r.updated[step][1]))) << r.what;
            f.clock.advance(180);
            card.findChild<MinuteTicker*>(QStringLiteral("ticker"))->tick();
            detail->findChild<MinuteTicker*>(QStringLiteral("ticker"))->tick();
        }
        card.hide();
        detail->hide();
        EXPECT_FALSE(card.findChild<MinuteTicker*>(QStringLiteral("ticker"))->isRunning() || detail->findChild<MinuteTicker*>(QStringLiteral("ticker"))->isRunning()) << r.what;
    }
    // The next tick comes when a countdown drops or an age grows by a minute.
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    EXPECT_EQ(MinuteTicker::msUntilNextChange(now, {now.addMSecs(90'500)}), 30'501);
    EXPECT_EQ(MinuteTicker::msUntilNextChange(now, {now.addMSecs(90'500), now.addSecs(-45)}), 15'000);
    EXPECT_EQ(MinuteTicker::msUntilNextChange(now, {}), 60'000);
}

TEST_P(ReadingsOnScreen, WordsAreChosenWhenDrawnWhateverMadeTheReading) {
    struct Row {
        const char* what;
        P provider;
        FetchStrategy strategy;
        ModelQuotaItem item; // as the reading holds it
        bool restored;
        const char *source[2], *name[2], *type[2]; // each in Korean and in English
    };
    // A reading made right now by the Claude adapter from its cached block.
    const test::FakeClock clock;
    const auto fresh = ClaudeCodeAdapter::snapshot(
        QJsonDocument::fromJson(R"({"cachedUsageUtilization":{"utilization":{"five_hour":{"utilization":40}}}})")
            .object(),
        clock.now());
    ASSERT_TRUE(fresh);
    const ModelQuotaItem weeklySonnet(QuotaLabel(QuotaKind::weeklyOfModel).withSubject(QStringLiteral("Sonnet")), 60,
                                      QuotaKind::weeklyLimit);
    const ModelQuotaItem groq(QuotaKind::tokenLimit, 50, QuotaLabel(QuotaKind::tokensPerMinute).withCount(6000));
    // A reading stored before readings held kinds keeps its words as they were.
    const ModelQuotaItem oldForm(QStringLiteral("llama3 (4.1 GB)"), 100, QStringLiteral("Local Model"));
    for (const Row& r :
         {Row{"fresh", P::claudeCode, FetchStrategy::localFileCache, fresh->modelQuotas.value(0), false,
              {"로컬 파일", "Local files"}, {"세션 (5시간)", "Session (5h)"}, {"5시간 세션", "5-Hour Session"}},
          Row{"restored", P::claudeCode, FetchStrategy::cliStatusProbe, weeklySonnet, true,
              {"CLI 조회", "CLI probe"}, {"주간 (Sonnet)", "Weekly (Sonnet)"}, {"주간 한도", "Weekly Limit"}},
          Row{"keyed", P::groq, FetchStrategy::oauthKeychain, groq, false, {"API 키", "API key"},
              {"토큰 한도 (TPM)", "Token limit (TPM)"}, {"분당 6000 토큰", "6000 tokens/min"}},
          Row{"stored in the old form", P::ollama, FetchStrategy::cliStatusProbe, oldForm, true,
              {"로컬 서비스", "Local service"}, {"llama3 (4.1 GB)", "llama3 (4.1 GB)"}, {"Local Model", "Local Model"}}}) {
        test::ScreenFixture f({r.provider});
        test::speak(GetParam());
        UsageSnapshot s = reading(f, 0, r.provider, r.strategy, {r.item});
        if (r.restored) s = restored(f, s);
        const DetailGlassCardView::Display card = DetailGlassCardView::display(s, {}, f.clock);
        EXPECT_TRUE(card.sourceLine.startsWith(pick(r.source[0], r.source[1]))) << r.what;
        ASSERT_EQ(card.models.size(), 1) << r.what;
        EXPECT_EQ(labelText(card.models[0].name), pick(r.name[0], r.name[1])) << r.what;
        EXPECT_EQ(labelText(card.models[0].quotaType), pick(r.type[0], r.type[1])) << r.what;
        auto detail = screen(f, s);
        EXPECT_EQ(detail->model().sourceChipText(), pick(r.source[0], r.source[1])) << r.what;
        ASSERT_EQ(test::parts<QuotaMeterRow>(*detail, QStringLiteral("quotaRow")).size(), 1) << r.what;
        EXPECT_EQ(test::parts<QuotaMeterRow>(*detail, QStringLiteral("quotaRow"))[0]->shown().leftText, pick(r.type[0], r.type[1])) << r.what;
        if (!r.restored) continue;
        DetailGlassCardView cardView(Appearance::shared(), Localization::shared(), s, {}, f.clock);
        detail->resize(312, detail->heightForWidth(312));
        const QString language = korean() ? QStringLiteral("ko") : QStringLiteral("en");
        for (const auto& [name, widget] : {std::pair<const char*, QWidget*>{"card", &cardView}, {"screen", detail.get()}})
            test::saveGrab(test::onBackdrop(test::renderWidget(*widget, 2.0), QColor(214, 222, 232)),
                           QStringLiteral("restored-reading-%1-%2").arg(QLatin1String(name), language));
    }
}

// Readings hold kinds, not words: when the language changes, the card words the
// reading it shows anew, and nothing is read again.
TEST_P(ReadingsOnScreen, AChangeOfLanguageRewordsTheShownReading) {
    test::ScreenFixture f({P::groq});
    const ModelQuotaItem tokens(QuotaKind::tokenLimit, 50, QuotaLabel(QuotaKind::tokensPerMinute).withCount(6000));
    const UsageSnapshot s = reading(f, 0, P::groq, FetchStrategy::oauthKeychain, {tokens});
    const AppLanguage shownIn[2] = {AppLanguage::korean, AppLanguage::english};
    const char* words[2] = {"토큰 한도 (TPM) 분당 6000 토큰", "Token limit (TPM) 6000 tokens/min"};
    const int first = korean() ? 0 : 1;
    f.localization->assignPreference(shownIn[first]);
    DetailGlassCardView card(Appearance::shared(), *f.localization, s, {}, f.clock);
    for (const int language : {first, 1 - first}) {
        f.localization->assignPreference(shownIn[language]);
        const auto rows = card.findChildren<ModelQuotaCompactRow*>();
        ASSERT_FALSE(rows.isEmpty());
        EXPECT_TRUE(rows.last()->accessibleName().startsWith(QString::fromUtf8(words[language])))
            << rows.last()->accessibleName().toStdString();
    }
    f.localization->assignPreference(shownIn[first]);
}

METERIX_IN_BOTH_LANGUAGES(ReadingsOnScreen);

} // namespace
} // namespace meterix
