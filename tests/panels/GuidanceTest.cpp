// A reading without figures, as its own adapter makes it on a home that lacks
// something, explains what is missing in every view: the keyed providers name
// their variables and key files, Ollama the address it asked and how to start
// its server, Claude Code whether its client was found, a detected-only tool
// keeps its own words.
#include "panels/DetailGlassCardView.h"
#include "panels/MenuBarOverviewScreen.h"
#include "panels/ProviderDetailModel.h"
#include "providers/claude/ClaudeCodeAdapter.h"
#include "providers/copilot/CopilotAdapter.h"
#include "providers/cursor/CursorAdapter.h"
#include "providers/deepseek/DeepSeekAdapter.h"
#include "providers/elevenlabs/ElevenLabsAdapter.h"
#include "providers/ollama/OllamaAdapter.h"

#include "BothLanguages.h"
#include "support/HostUnderHome.h"
#include "support/FakeClock.h"
#include "support/FakeEnvironment.h"
#include "support/FakeTransport.h"
#include "support/TempHome.h"

namespace meterix {
namespace {

class Guidance : public test::BothLanguages {
  protected:
    test::TempHome home;
    test::FakeEnvironment environment; // no key anywhere
    test::FakeTransport down;           // nothing answers
    test::FakeClock clock;
    const HostEnvironment host = test::hostUnderHome(home.path(), {});
    CLIProcessRunner runner{host, CLIProcessRunner::Options{.systemRoot = home.file(QStringLiteral("root"))}};

    UsageSnapshot claudeCode() {
        ProbeGate gate(clock);
        return ClaudeCodeAdapter(host, runner, gate, clock).fetchUsage(false);
    }
};

TEST_P(Guidance, EachProviderSaysWhatItLacks) {
    down.fail(UsageUnavailableReason::networkFailure);
    const QString home_ = home.path();
    const struct {
        std::function<UsageSnapshot()> read;
        const char *rowKo, *rowEn, *titleKo, *titleEn, *detailHolds; // the detail names this, in either language
    } rows[] = {
        {[&] { return DeepSeekAdapter(down, QStringLiteral("http://127.0.0.1:9"), home_, environment.lookup(), clock).fetchUsage(false); },
         "미연결", "Not connected", "API 키를 찾지 못했습니다", "No API key was found", "DEEPSEEK_API_KEY"},
        {[&] { return ElevenLabsAdapter(down, QStringLiteral("http://127.0.0.1:9"), home_, environment.lookup(), clock).fetchUsage(false); },
         "미연결", "Not connected", "API 키를 찾지 못했습니다", "No API key was found", "~/.config/elevenlabs/api_key"},
        {[&] { return CopilotAdapter(down, QStringLiteral("http://127.0.0.1:9"), home_, environment.lookup(), clock).fetchUsage(false); },
         "미연결", "Not connected", "GitHub 토큰을 찾지 못했습니다", "No GitHub token was found",
         "~/.config/github-copilot/apps.json"},
        {[&] { return OllamaAdapter(down, QStringLiteral("http://127.0.0.1:9"), runner).fetchUsage(false); }, "미연결",
         "Not connected", "Ollama 서버가 응답하지 않습니다", "The Ollama server did not answer", "http://127.0.0.1:9"},
        {[&] { return claudeCode(); }, "설치되지 않음", "Not installed", "Claude Code 클라이언트를 찾지 못했습니다",
         "The Claude Code client was not found", "“claude”"},
        {[&] { home.mkdir(QStringLiteral(".claude")); return claudeCode(); }, "미연결", "Not connected",
         "로그인된 계정이 없습니다", "No account is signed in", "“claude”"},
        {[&] { return CursorAdapter(home_, QStringList{}).fetchUsage(false); }, "미연결", "Not connected",
         "이 컴퓨터에서 찾지 못했습니다", "Not found on this computer", ""},
    };
    for (const auto& r : rows) {
        const UsageSnapshot s = r.read();
        SCOPED_TRACE(displayName(s.provider).toStdString());
        const PresentedState state{{{s.provider, s}}, {s.provider}};
        EXPECT_EQ(MenuBarOverviewScreen::rowModel(s.provider, state).subtitle, pick(r.rowKo, r.rowEn));
        const auto card = DetailGlassCardView::display(s, {}, clock);
        ASSERT_TRUE(card.notice);
        EXPECT_EQ(card.notice->title, pick(r.titleKo, r.titleEn));
        EXPECT_TRUE(card.notice->detail.contains(QString::fromUtf8(r.detailHolds))) << card.notice->detail.toStdString();
        // The provider's screen gives the same guidance: one mapping for every view.
        EXPECT_EQ(ProviderDetailModel({.provider = s.provider, .snapshot = s}, clock).missingFigureNotice(),
                  *card.notice);
    }
}

METERIX_IN_BOTH_LANGUAGES(Guidance);

} // namespace
} // namespace meterix
