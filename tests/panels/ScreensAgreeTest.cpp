// The panel's screens say nothing another part of them contradicts.
#include "design/InsetSection.h"
#include "design/TextView.h"
#include "panels/AccountRow.h"
#include "panels/DetailGlassCardView.h"
#include "panels/GlassActionButton.h"
#include "panels/MenuBarPopoverView.h"
#include "panels/MenuBarProviderDetailScreen.h"
#include "panels/MenuBarSettingsScreen.h"
#include "panels/MenuCommandRow.h"

#include "BothLanguages.h"
#include "PanelFixtures.h"
#include "ScreenFixture.h"
#include "support/FetchEnd.h"
#include "support/gui/ScreenParts.h"

#include <QTest>

namespace meterix {
namespace {

using P = AIProviderType;
using R = UsageUnavailableReason;

class ScreensAgree : public test::BothLanguages {
  protected:
    // A home with the provider on the bar, in the test's language (its settings resolve it anew).
    std::unique_ptr<test::ScreenFixture> home(P p, bool account) {
        auto f = std::make_unique<test::ScreenFixture>(QList<P>{p}, QList<P>{p}, p);
        test::speak(GetParam());
        if (account) f->addAccount(QStringLiteral("a"), QStringLiteral("a@x.io"), {QStringLiteral("cli")});
        return f;
    }
    template <class W> static W& shown(W& w) {
        QCoreApplication::sendPostedEvents();
        w.resize(312, w.heightForWidth(312));
        w.show();
        return w;
    }
    static UsageSnapshot read(P p, std::optional<QString> id, const QDateTime& at, QList<ModelQuotaItem> q = {}) {
        return UsageSnapshot({.provider = p, .headlineRemainingPercentage = 77, .modelQuotas = q, .lastUpdated = at,
                              .strategyUsed = FetchStrategy::localFileCache, .accountID = id, .capturedAt = at});
    }
};

// Of two accounts, the one whose reading the bar shows (the newest) is marked,
// also while that reading is still to come.
TEST_P(ScreensAgree, TheAccountOnTheBarIsMarked) {
    for (const auto& [p, newest] : {std::pair{P::openAICodex, std::optional(R::awaitingFirstReading)},
                                    {P::openAICodex, R::heldBackAfterSwitch}, {P::claudeCode, std::nullopt}}) {
        auto f = home(p, true);
        f->addAccount(QStringLiteral("b"), QStringLiteral("b@x.io"), {QStringLiteral("cli")}, !newest);
        ASSERT_TRUE(f->scan());
        const QDateTime now = f->clock.now();
        f->manager->apply({read(p, QStringLiteral("a"), now.addSecs(-300)),
                           newest ? UsageSnapshot::unavailable(p, *newest, {}, {}, QStringLiteral("b"), {}, now)
                                  : read(p, QStringLiteral("b"), now)}, p);
        MenuBarProviderDetailScreen screen(f->context(), p);
        QStringList marked;
        for (AccountRow* row : shown(screen).findChildren<AccountRow*>())
            if (row->model().secondLine(f->clock) == pick("바에 표시 중", "On the bar")) marked << row->model().label;
        EXPECT_EQ(marked, QStringList{QStringLiteral("b***@x.io")}) << rawValue(p).toStdString();
    }
}

// On the same homes the header counts the providers the settings list.
TEST_P(ScreensAgree, HeaderCountsWhatTheSettingsList) {
    for (const auto& [p, account, figure] : {std::tuple{P::claudeCode, true, true}, {P::deepseek, false, true},
                                             {P::openAICodex, false, false}, {P::cursor, false, false}}) {
        auto f = home(p, account);
        ASSERT_TRUE(f->scan());
        // Codex signed in with a key has no figure and no account; Cursor read nothing.
        UsageSnapshot s = UsageSnapshot::unavailable(p, R::signedInWithAPIKey, {}, {}, {}, {}, f->clock.now());
        if (p != P::cursor) f->manager->apply({figure ? read(p, {}, f->clock.now()) : s}, p);
        MenuBarPopoverView popover(f->context());
        MenuBarSettingsScreen settings(f->context());
        const bool listed = !test::part(shown(settings), QStringLiteral("noAccountsText"))->isVisibleTo(&settings);
        EXPECT_EQ(listed, p != P::cursor) << rawValue(p).toStdString();
        EXPECT_EQ(test::summaryOf(popover), listed ? pick("1개 연결 · 방금 업데이트", "1 connected · Updated just now")
                                                 : pick("읽은 사용량 없음", "No usage read yet"));
    }
}

// A refresh says, where it was pressed, that it reads or from when it can: the
// screen read the provider on opening, a probe began (300 s floor) or none.
TEST_P(ScreensAgree, RefreshSaysWhatItDoes) {
    const struct {
        P provider;
        double openedAgo, probeAgo;
        const char *ko, *en, *cardKo, *cardEn; // the card's button is narrower
    } rows[] = {{P::openAICodex, 5, -1, "40초 후 다시 읽을 수 있음", "Can read again in 40 s", "40초 후 다시", "Again in 40 s"},
                {P::claudeCode, 60, 120, "3분 후 다시 읽을 수 있음", "Can read again in 3 min", "3분 후 다시", "Again in 3 min"},
                {P::claudeCode, 60, 301, "새로 고침 중...", "Refreshing…", "새로 고침 중...", "Refreshing…"}};
    for (const auto& r : rows) {
        auto f = home(r.provider, false);
        if (r.probeAgo >= 0) f->probeGate.admit(QStringLiteral("claude:/h/.claude.json"), 300);
        f->clock.advance(std::max(0.0, r.probeAgo - r.openedAgo));
        MenuBarProviderDetailScreen screen(f->context(), r.provider);
        ASSERT_TRUE(test::fetchEnded(*f->manager, shown(screen).provider()));
        f->clock.advance(r.openedAgo);
        DetailGlassCardView card(Appearance::shared(), Localization::shared(), read(r.provider, {}, {}), [] {},
                                 f->clock);
        card.observe(*f->manager);
        f->adapters[r.provider]->hold();
        auto* refresh = test::parts<MenuCommandRow>(screen, QStringLiteral("actionRow")).value(0);
        QTest::mouseClick(refresh, Qt::LeftButton);
        auto* cardRefresh = card.findChild<GlassActionButton*>(QStringLiteral("refresh"));
        cardRefresh->click();
        EXPECT_EQ(refresh->title(), pick(r.ko, r.en));
        EXPECT_EQ(cardRefresh->title(), pick(r.cardKo, r.cardEn));
        f->adapters[r.provider]->release();
    }
}

// The pace tick's footnote stands only under lines that draw one; a link that
// nothing could open says so under the commands.
TEST_P(ScreensAgree, FootnoteAndLinksTellOnlyWhatIs) {
    for (const bool tick : {true, false}) {
        auto f = home(P::claudeCode, false);
        const ModelQuotaItem item(QStringLiteral("Sonnet"), 60, QStringLiteral("Weekly"), {}, {},
                                  tick ? std::optional(45.0) : std::nullopt);
        f->manager->apply({read(P::claudeCode, {}, f->clock.now(), {item})}, P::claudeCode);
        MenuScreenContext c = f->context();
        c.openLink = [tick](const QUrl&) { return tick; };
        MenuBarProviderDetailScreen screen(c, P::claudeCode);
        const TextView* note = test::part<InsetSection>(shown(screen), QStringLiteral("quotaSection"))->findChild<TextView*>(QStringLiteral("footnote"), Qt::FindDirectChildrenOnly);
        EXPECT_EQ(note ? note->text() : QString(), tick ? pick("세로 눈금은 리셋까지 유지 가능한 권장 페이스입니다.",
                                                               "The vertical tick marks the pace that lasts until reset.")
                                                        : QString());
        QTest::mouseClick(test::parts<MenuCommandRow>(screen, QStringLiteral("actionRow")).value(1), Qt::LeftButton);
        const TextView* failure = test::part<TextView>(screen, QStringLiteral("linkFailure"));
        EXPECT_EQ(failure->isVisibleTo(&screen), !tick);
        EXPECT_EQ(failure->text(), pick("링크를 열지 못했습니다", "The link could not be opened"));
    }
}

METERIX_IN_BOTH_LANGUAGES(ScreensAgree);

} // namespace
} // namespace meterix
