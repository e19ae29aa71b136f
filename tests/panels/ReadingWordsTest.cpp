// What every view says of a reading without figures: why, in one wording per
// reason, and "Not connected" with its sign-in advice only where nothing is
// signed in.
#include "core/L10n.h"
#include "core/UsageSnapshot.h"
#include "design/MissingFigure.h"
#include "panels/DetailGlassCardView.h"
#include "panels/MenuBarOverviewScreen.h"
#include "panels/ProviderDetailModel.h"
#include "shell/ProviderSegmentView.h"

#include "BothLanguages.h"
#include "support/FakeClock.h"

namespace meterix {
namespace {

using P = AIProviderType;
using R = UsageUnavailableReason;

class ReadingWords : public test::BothLanguages {
  protected:
    UsageSnapshot without(P provider, R reason, std::optional<QString> email = std::nullopt,
                          std::optional<QString> plan = std::nullopt) const {
        return UsageSnapshot::unavailable(provider, reason, email, plan, email, std::nullopt, clock_.now());
    }
    static PresentedState stateWith(const UsageSnapshot& s) {
        PresentedState state;
        state.activeProviders = {s.provider};
        state.snapshots.insert(s.provider, s);
        return state;
    }
    static ResolvedAccount unreadable(P provider) {
        ResolvedAccount a;
        a.id = QStringLiteral("acct");
        a.provider = provider;
        a.email = QStringLiteral("dev@example.com");
        a.usageReadable = false;
        return a;
    }

    test::FakeClock clock_;
};

// The homes a new user meets: a signed-in account without figures is counted
// and says why on the card, the provider screen, the overview row and the
// tooltip; only where nothing is signed in does a view say "Not connected" and
// ask to sign in.
TEST_P(ReadingWords, ASignedInAccountWithoutFiguresSaysWhyEverywhere) {
    const struct {
        const char* home;
        UsageSnapshot snapshot;
        bool connected;
        const char *rowKo, *rowEn; // the overview row's subtitle
        const char *titleKo, *titleEn; // the notice's title
    } rows[] = {
        {"empty home", without(P::claudeCode, R::notConfigured), false, "미연결", "Not connected",
         "실제 쿼터 데이터를 가져오지 못했습니다", "No real quota data could be read"},
        {"keys only, failing", without(P::groq, R::networkFailure), false, "네트워크 오류", "Network error",
         "제공자에 연결하지 못했습니다", "Could not reach the provider"},
        {"Codex with an API key", without(P::openAICodex, R::signedInWithAPIKey), true, "API 키로 로그인됨",
         "Signed in with an API key", "API 키 사용량은 토큰 단위로 청구됩니다", "API-key usage is billed by token"},
        {"Codex held back after a switch",
         without(P::openAICodex, R::heldBackAfterSwitch, QStringLiteral("n***@x.io"), QStringLiteral("ChatGPT Team")),
         true, "ChatGPT Team · 계정 전환 후 첫 측정 대기", "ChatGPT Team · New account, not read yet",
         "이전 계정의 수치는 보여 주지 않습니다", "The previous account's figures are held back"},
    };
    const QString signInAdvice = L10n::guidanceDetailNotConfigured().text();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.home);
        const UsageSnapshot& s = r.snapshot;
        const QString why = displayText(*s.unavailableReason);
        EXPECT_EQ(countsAsConnected(s), r.connected);
        EXPECT_EQ(MenuBarOverviewScreen::rowModel(s.provider, stateWith(s)).subtitle, pick(r.rowKo, r.rowEn));
        EXPECT_EQ(ProviderSegmentView::tooltip(s, clock_),
                  displayName(s.provider) + QStringLiteral(" · ") + L10n::noDataWithReason(why).text());

        const auto card = DetailGlassCardView::display(s, {}, clock_);
        EXPECT_EQ(card.sourceLine, L10n::noDataWithReason(why).text());
        ASSERT_TRUE(card.notice);
        EXPECT_EQ(card.notice->title, pick(r.titleKo, r.titleEn));
        EXPECT_EQ(card.notice->isFault, !r.connected);
        EXPECT_EQ(card.notice->detail == signInAdvice, *s.unavailableReason == R::notConfigured);

        const ProviderDetailModel screen({.provider = s.provider, .snapshot = s}, clock_);
        EXPECT_EQ(screen.missingFigureNotice(), *card.notice);
        // Who is signed in when the reading says; else why there is no figure.
        EXPECT_EQ(screen.headerSubtitle(), s.accountEmail.value_or(why));
    }
}

// Each reason has one wording, and every view that names it uses it: the
// overview row, the tooltip, the card's source line and ring, the provider
// screen's header, and an account of the provider that cannot be read (which
// is signed in, so never "not connected").
TEST_P(ReadingWords, OneWordingPerReasonInEveryView) {
    for (int i = 0; i <= int(R::awaitingFirstReading); ++i) {
        const R reason = R(i);
        SCOPED_TRACE(rawValue(reason).toStdString());
        const QString why = displayText(reason);
        const UsageSnapshot s = without(P::zed, reason);
        EXPECT_EQ(MenuBarOverviewScreen::rowModel(P::zed, stateWith(s)).subtitle, why);
        EXPECT_TRUE(ProviderSegmentView::tooltip(s, clock_).contains(why));
        EXPECT_TRUE(ProviderSegmentView::accessibilityValueText(s, false, clock_.now()).contains(why));
        const auto card = DetailGlassCardView::display(s, {}, clock_);
        EXPECT_TRUE(card.sourceLine.startsWith(why));
        EXPECT_EQ(QuotaHeroView::display(card.hero).centreCaption, why);
        EXPECT_FALSE(card.hasFigure);

        ProviderDetailModel::Inputs in{.provider = P::zed, .snapshot = s, .accounts = {unreadable(P::zed)}};
        const ProviderDetailModel screen(in, clock_);
        EXPECT_EQ(screen.headerSubtitle(), why);
        const R signedIn = reason == R::notConfigured ? R::awaitingFirstReading : reason;
        EXPECT_EQ(screen.accountRows().first().secondLine(clock_), displayText(signedIn));
    }
    // Two accounts: the note tells where the meter is only while one is marked.
    ProviderDetailModel::Inputs two{.provider = P::claudeCode,
                                    .accounts = {unreadable(P::claudeCode), unreadable(P::claudeCode)}};
    EXPECT_EQ(ProviderDetailModel(two, clock_).accountsFootnote(), L10n::accountsFootnotePerAccount().text());
    two.displayedAccount = two.accounts.first();
    EXPECT_EQ(ProviderDetailModel(two, clock_).accountsFootnote(), L10n::accountsFootnoteAttribution().text());
    EXPECT_TRUE(L10n::accountsFootnoteAttribution().text().contains(pick("아래", "below")));
}

METERIX_IN_BOTH_LANGUAGES(ReadingWords);

} // namespace
} // namespace meterix
