// The panel's screens say nothing that another part of them contradicts: the
// account the bar follows is marked, the header counts what the settings list,
// a refresh says what it does, a footnote explains what is drawn, and a link
// that cannot open says so.
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
    static void settle(QWidget& w) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w.resize(312, w.heightForWidth(312));
    }
    std::unique_ptr<MenuBarProviderDetailScreen> open(test::ScreenFixture& f, P provider) {
        auto s = std::make_unique<MenuBarProviderDetailScreen>(f.context(), provider);
        settle(*s);
        s->show();
        return s;
    }
    static UsageSnapshot read(P p, double percent, std::optional<QString> account, const QDateTime& at,
                              QList<ModelQuotaItem> quotas = {}) {
        return UsageSnapshot(UsageSnapshot::Fields{.provider = p,
                                                   .hourlyRemainingPercentage = percent,
                                                   .modelQuotas = std::move(quotas),
                                                   .lastUpdated = at,
                                                   .strategyUsed = FetchStrategy::localFileCache,
                                                   .accountID = std::move(account),
                                                   .capturedAt = at});
    }
    static AccountSource cli() { return {QStringLiteral("cli"), AccountSourceKind::cli, QStringLiteral("CLI"), {}}; }
    static MenuCommandRow* refreshRow(QWidget& screen) {
        return test::parts<MenuCommandRow>(screen, QStringLiteral("actionRow")).value(0);
    }
};

// With two accounts, the one whose reading the bar shows carries the mark on
// every provider's screen, whatever else its line says; the other does not.
TEST_P(ScreensAgree, TheAccountOnTheBarIsMarked) {
    const struct {
        const char* name;
        P provider;
        std::optional<R> newest; // b's reading, the newest: without a figure, or 40 %
        const char* marked;
    } rows[] = {
        {"Codex: the newest account not read yet", P::openAICodex, R::awaitingFirstReading, "b@x.io"},
        {"Codex: held back after a switch", P::openAICodex, R::heldBackAfterSwitch, "b@x.io"},
        {"Claude Code: both read", P::claudeCode, std::nullopt, "b@x.io"},
        {"Cursor: the newest not read yet", P::cursor, R::awaitingFirstReading, "b@x.io"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::ScreenFixture f({r.provider}, {r.provider}, r.provider);
        test::speak(GetParam()); // the fixture's settings resolve the language anew
        f.preferences->setMaskAccountEmails(false);
        f.addAccount(QStringLiteral("a"), QStringLiteral("a@x.io"), cli());
        f.addAccount(QStringLiteral("b"), QStringLiteral("b@x.io"), cli(), !r.newest);
        ASSERT_TRUE(f.scan());
        const QDateTime now = f.clock.now();
        const UsageSnapshot b = r.newest ? UsageSnapshot::unavailable(r.provider, *r.newest, QStringLiteral("b@x.io"),
                                                                      std::nullopt, QStringLiteral("b"), std::nullopt, now)
                                         : read(r.provider, 40, QStringLiteral("b"), now);
        f.manager->apply({read(r.provider, 77, QStringLiteral("a"), now.addSecs(-300)), b}, r.provider);
        auto screen = open(f, r.provider);
        QStringList marked;
        for (AccountRow* row : screen->findChildren<AccountRow*>())
            if (row->model().secondLine(f.clock) == pick("바에 표시 중", "On the bar"))
                marked.append(row->model().label);
        EXPECT_EQ(marked, QStringList{QString::fromUtf8(r.marked)});
    }
}

// On the same homes the header counts the providers the settings list among
// the detected accounts, and says nothing is connected where they list none.
TEST_P(ScreensAgree, HeaderCountsWhatTheSettingsList) {
    const struct {
        const char* name;
        P provider;
        bool account;
        std::optional<UsageSnapshot> reading;
        int listed; // 0: "No accounts detected"
    } rows[] = {
        {"an account found and read", P::claudeCode, true, read(P::claudeCode, 70, QStringLiteral("a"), {}), 1},
        {"Codex signed in with an API key, no account listed", P::openAICodex, false,
         UsageSnapshot::unavailable(P::openAICodex, R::signedInWithAPIKey, std::nullopt, std::nullopt, std::nullopt,
                                    std::nullopt, QDateTime::currentDateTimeUtc()),
         1},
        {"a key read, no account", P::deepseek, false, read(P::deepseek, 55, std::nullopt, {}), 1},
        {"installed, nothing signed in", P::cursor, false, std::nullopt, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::ScreenFixture f({r.provider}, {r.provider}, r.provider);
        test::speak(GetParam()); // the fixture's settings resolve the language anew
        if (r.account) f.addAccount(QStringLiteral("a"), QStringLiteral("a@x.io"), cli());
        ASSERT_TRUE(f.scan());
        if (r.reading) {
            UsageSnapshot s = *r.reading;
            s.lastUpdated = s.capturedAt = f.clock.now();
            f.manager->apply({s}, r.provider);
        }
        MenuBarPopoverView popover(f.context());
        MenuBarSettingsScreen settings(f.context());
        settle(settings);
        const auto* list = test::part(settings, QStringLiteral("sourceList"));
        const qsizetype listed =
            list->isVisibleTo(&settings) ? list->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size() : 0;
        EXPECT_EQ(listed, r.listed);
        EXPECT_EQ(test::part(settings, QStringLiteral("noAccountsText"))->isVisibleTo(&settings), r.listed == 0);
        EXPECT_EQ(popover.shownSummary(), r.listed ? pick("1개 연결 · 방금 업데이트", "1 connected · Updated just now")
                                                  : pick("읽은 사용량 없음", "No usage read yet"));
    }
}

// A refresh pressed on the provider's screen or its card says, where it was
// pressed, that it reads, or from when it can read anew.
TEST_P(ScreensAgree, RefreshSaysWhatItDoes) {
    const struct {
        const char* name;
        P provider;
        double openedAgo;    // the screen opened (and read the provider) this long before the press
        double lastProbeAgo; // a probe of the provider began this long before (floor 300 s); negative: none
        const char *ko, *en; // what the buttons say right after the press
        bool reads;
    } rows[] = {
        {"within the cooldown", P::openAICodex, 5, -1, "40초 후 다시 읽을 수 있음", "Can read again in 40 s", false},
        {"the probe's floor", P::claudeCode, 60, 120, "3분 후 다시 읽을 수 있음", "Can read again in 3 min", false},
        {"free to read", P::claudeCode, 60, 301, "새로 고침 중...", "Refreshing…", true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::ScreenFixture f({r.provider}, {r.provider}, r.provider);
        test::speak(GetParam()); // the fixture's settings resolve the language anew
        if (r.lastProbeAgo >= 0) {
            f.probeGate.admit(QStringLiteral("claude:/home/dev/.claude.json"), 300);
            f.clock.advance(r.lastProbeAgo - r.openedAgo);
        }
        auto screen = open(f, r.provider);
        ASSERT_TRUE(test::fetchEnded(*f.manager, r.provider));
        f.clock.advance(r.openedAgo);
        DetailGlassCardView card(Appearance::shared(), Localization::shared(),
                                 f.manager->snapshots().value(r.provider), [] {}, f.clock);
        card.observe(*f.manager);
        f.adapters[r.provider]->hold();
        const int fetches = f.adapters[r.provider]->fetches;
        QTest::mouseClick(refreshRow(*screen), Qt::LeftButton);
        card.refreshButton()->click();
        const QString said = pick(r.ko, r.en);
        EXPECT_EQ(refreshRow(*screen)->title(), said);
        EXPECT_EQ(card.refreshButton()->title(), said);
        EXPECT_EQ(refreshRow(*screen)->isBusy(), r.reads);
        f.adapters[r.provider]->release();
        if (r.reads) {
            ASSERT_TRUE(test::waitUntil([&] { return refreshRow(*screen)->title() == pick("이 프로바이더 새로 고침", "Refresh this provider"); }));
            EXPECT_EQ(f.adapters[r.provider]->fetches, fetches + 1); // the two presses share one fetch
        } else {
            EXPECT_EQ(f.adapters[r.provider]->fetches, fetches);
        }
    }
}

// The footnote on the pace tick stands only under lines that draw one.
TEST_P(ScreensAgree, PaceFootnoteOnlyWithATick) {
    const auto item = [](std::optional<double> pace) {
        return ModelQuotaItem(QStringLiteral("Sonnet"), 60, QStringLiteral("Weekly Limit"), 3600, std::nullopt,
                              std::nullopt, pace);
    };
    const struct {
        const char* name;
        QList<ModelQuotaItem> quotas;
        bool footnote;
    } rows[] = {
        {"a line with a pace tick", {item(std::nullopt), item(45)}, true},
        {"lines without one", {item(std::nullopt)}, false},
        {"the window figures only", {}, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::ScreenFixture f;
        test::speak(GetParam()); // the fixture's settings resolve the language anew
        f.manager->apply({read(P::claudeCode, 60, std::nullopt, f.clock.now(), r.quotas)}, P::claudeCode);
        auto screen = open(f, P::claudeCode);
        const TextView* footnote = test::part<InsetSection>(*screen, QStringLiteral("quotaSection"))->footnoteView();
        EXPECT_EQ(footnote != nullptr, r.footnote);
        if (footnote)
            EXPECT_EQ(footnote->text(), pick("세로 눈금은 리셋까지 유지 가능한 권장 페이스입니다.",
                                             "The vertical tick marks the pace that lasts until reset."));
    }
}

// A link that nothing could open says so under the commands.
TEST_P(ScreensAgree, ALinkThatCannotOpenSaysSo) {
    for (const bool opens : {true, false}) {
        SCOPED_TRACE(opens ? "opened" : "not opened");
        test::ScreenFixture f;
        test::speak(GetParam()); // the fixture's settings resolve the language anew
        MenuScreenContext c = f.context();
        QList<QUrl> asked;
        c.openLink = [&](const QUrl& url) { asked.append(url); return opens; };
        MenuBarProviderDetailScreen screen(c, P::claudeCode);
        settle(screen);
        screen.show();
        QTest::mouseClick(test::parts<MenuCommandRow>(screen, QStringLiteral("actionRow")).value(1), Qt::LeftButton);
        ASSERT_EQ(asked.size(), 1);
        const TextView* said = test::part<TextView>(screen, QStringLiteral("linkFailure"));
        EXPECT_EQ(said->isVisibleTo(&screen), !opens);
        EXPECT_EQ(said->text(), pick("링크를 열지 못했습니다", "The link could not be opened"));
    }
}

METERIX_IN_BOTH_LANGUAGES(ScreensAgree);

} // namespace
} // namespace meterix
