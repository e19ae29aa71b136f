// What every view says of a reading without figures: why, in one wording per
// reason, and "Not connected" with its sign-in advice only where nothing is
// signed in.
#include "core/L10n.h"
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
    UsageSnapshot without(P provider, R reason, std::optional<QString> email = {}, std::optional<QString> plan = {}) {
        return UsageSnapshot::unavailable(provider, reason, email, plan, email, std::nullopt, clock_.now());
    }
    static PresentedState stateWith(const UsageSnapshot& s) { return {{{s.provider, s}}, {s.provider}}; }
    test::FakeClock clock_;
};

// The homes a new user meets: a signed-in account without figures counts as
// connected and says why on the card, the provider screen, the overview row and
// the tooltip; only where nothing is signed in is there the sign-in advice.
TEST_P(ReadingWords, ASignedInAccountWithoutFiguresSaysWhyEverywhere) {
    const struct {
        UsageSnapshot snapshot;
        bool connected;
        const char *rowKo, *rowEn, *titleKo, *titleEn; // the overview row's subtitle, the notice's title
    } rows[] = {
        {without(P::claudeCode, R::notConfigured), false, "미연결", "Not connected", "로그인된 계정이 없습니다",
         "No account is signed in"},
        {without(P::groq, R::networkFailure), false, "네트워크 오류", "Network error", "제공자에 연결하지 못했습니다",
         "Could not reach the provider"},
        {without(P::openAICodex, R::signedInWithAPIKey), true, "API 키로 로그인됨", "Signed in with an API key",
         "API 키 사용량은 토큰 단위로 청구됩니다", "API-key usage is billed by token"},
        {without(P::openAICodex, R::heldBackAfterSwitch, QStringLiteral("n***@x.io"), QStringLiteral("ChatGPT Team")),
         true, "ChatGPT Team · 계정 전환 후 첫 측정 대기", "ChatGPT Team · New account, not read yet",
         "이전 계정의 수치는 보여 주지 않습니다", "The previous account's figures are held back"},
    };
    for (const auto& r : rows) {
        const UsageSnapshot& s = r.snapshot;
        SCOPED_TRACE(rawValue(*s.unavailableReason).toStdString());
        const QString noData = L10n::noDataWithReason(displayText(*s.unavailableReason)).text();
        EXPECT_EQ(countsAsConnected(s), r.connected);
        EXPECT_EQ(MenuBarOverviewScreen::rowModel(s.provider, stateWith(s)).subtitle, pick(r.rowKo, r.rowEn));
        EXPECT_EQ(ProviderSegmentView::tooltip(s, clock_), displayName(s.provider) + QStringLiteral(" · ") + noData);
        const auto card = DetailGlassCardView::display(s, {}, clock_);
        EXPECT_EQ(card.sourceLine, noData);
        ASSERT_TRUE(card.notice);
        EXPECT_EQ(card.notice->title, pick(r.titleKo, r.titleEn));
        EXPECT_EQ(card.notice->isFault, !r.connected);
        EXPECT_EQ(card.notice->title == L10n::guidanceTitleNotSignedIn().text(), *s.unavailableReason == R::notConfigured);
        const ProviderDetailModel screen({.provider = s.provider, .snapshot = s}, clock_);
        EXPECT_EQ(screen.missingFigureNotice(), *card.notice);
        EXPECT_EQ(screen.headerSubtitle(), s.accountEmail.value_or(displayText(*s.unavailableReason)));
    }
}

// Each reason has one wording, used by every view that names it: the overview
// row, the segment, the card's source line and ring, the provider screen's
// header and its unreadable account (signed in, so never "not connected"). The
// accounts' note tells where the meter is only while an account is marked.
TEST_P(ReadingWords, OneWordingPerReasonInEveryView) {
    ResolvedAccount unreadable;
    unreadable.id = QStringLiteral("acct");
    for (int i = 0; i <= int(R::awaitingFirstReading); ++i) {
        const R reason = R(i);
        const QString why = displayText(reason);
        const UsageSnapshot s = without(P::zed, reason);
        EXPECT_EQ(MenuBarOverviewScreen::rowModel(P::zed, stateWith(s)).subtitle, why);
        EXPECT_TRUE(ProviderSegmentView::accessibilityValueText(s, false, clock_.now()).contains(why));
        const auto card = DetailGlassCardView::display(s, {}, clock_);
        EXPECT_TRUE(card.sourceLine.startsWith(why));
        EXPECT_EQ(QuotaHeroView::display(card.hero).centreCaption, why);
        EXPECT_FALSE(card.hasFigure);
        const ProviderDetailModel screen({.provider = P::zed, .snapshot = s, .accounts = {unreadable}}, clock_);
        EXPECT_EQ(screen.headerSubtitle(), why);
        EXPECT_EQ(screen.accountRows().first().secondLine(clock_),
                  displayText(reason == R::notConfigured ? R::awaitingFirstReading : reason));
    }
    ProviderDetailModel::Inputs two{.accounts = {unreadable, unreadable}};
    EXPECT_EQ(ProviderDetailModel(two, clock_).accountsFootnote(), L10n::accountsFootnotePerAccount().text());
    two.displayedAccount = unreadable;
    EXPECT_TRUE(ProviderDetailModel(two, clock_).accountsFootnote()->contains(pick("아래", "below")));
}

METERIX_IN_BOTH_LANGUAGES(ReadingWords);

} // namespace
} // namespace meterix
