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

    UsageSnapshot claudeCode() {
        const HostEnvironment host = HostEnvironment::underHome(home.path(), {});
        CLIProcessRunner runner(host, CLIProcessRunner::Options{.systemRoot = home.file(QStringLiteral("root"))});
        ProbeGate gate(clock);
        return ClaudeCodeAdapter(host, runner, gate, clock).fetchUsage(false);
    }
};

TEST_P(Guidance, EachProviderSaysWhatItLacks) {
    down.fail(TransportFailure::cannotConnect);
    const QString home_ = home.path();
    const struct {
        std::function<UsageSnapshot()> read;
        const char *rowKo, *rowEn, *titleKo, *titleEn, *detailKo, *detailEn;
    } rows[] = {
        {[&] { return DeepSeekAdapter(down, QStringLiteral("http://127.0.0.1:9"), home_, environment.lookup(), clock).fetchUsage(false); },
         "미연결", "Not connected", "API 키를 찾지 못했습니다", "No API key was found",
         "DEEPSEEK_API_KEY 환경 변수를 설정하거나, ~/.config/deepseek/api_key 파일에 키를 한 줄로 넣으세요.",
         "Set DEEPSEEK_API_KEY in the environment the app starts in, or put the key on one line in "
         "~/.config/deepseek/api_key."},
        {[&] { return ElevenLabsAdapter(down, QStringLiteral("http://127.0.0.1:9"), home_, environment.lookup(), clock).fetchUsage(false); },
         "미연결", "Not connected", "API 키를 찾지 못했습니다", "No API key was found",
         "ELEVENLABS_API_KEY 또는 XI_API_KEY 환경 변수를 설정하거나, ~/.config/elevenlabs/api_key 파일에 키를 한 "
         "줄로 넣으세요.",
         "Set ELEVENLABS_API_KEY or XI_API_KEY in the environment the app starts in, or put the key on one line "
         "in ~/.config/elevenlabs/api_key."},
        {[&] { return CopilotAdapter(down, QStringLiteral("http://127.0.0.1:9"), home_, environment.lookup(), clock).fetchUsage(false); },
         "미연결", "Not connected", "GitHub 토큰을 찾지 못했습니다", "No GitHub token was found",
         "GITHUB_TOKEN 또는 COPILOT_TOKEN 환경 변수를 설정하거나, 편집기에서 GitHub Copilot에 로그인해 "
         "~/.config/github-copilot/hosts.json 또는 ~/.config/github-copilot/apps.json 파일이 생기게 하세요.",
         "Set GITHUB_TOKEN or COPILOT_TOKEN in the environment the app starts in, or sign in to GitHub Copilot "
         "in your editor, which writes ~/.config/github-copilot/hosts.json or ~/.config/github-copilot/apps.json."},
        {[&] { return OllamaAdapter(down, QStringLiteral("http://127.0.0.1:9")).fetchUsage(false); },
         "미연결", "Not connected", "Ollama 서버가 응답하지 않습니다", "The Ollama server did not answer",
         "http://127.0.0.1:9에서 응답이 없었습니다. “ollama serve”로 서버를 시작하거나, 서비스로 설치했다면 "
         "“systemctl start ollama”를 실행하세요.",
         "Nothing answered at http://127.0.0.1:9. Start the server with “ollama serve”, or with “systemctl start "
         "ollama” where it was installed as a service."},
        {[&] { return claudeCode(); }, "설치되지 않음", "Not installed", "Claude Code 클라이언트를 찾지 못했습니다",
         "The Claude Code client was not found",
         "~/.local/bin과 PATH에서 “claude” 명령을 찾지 못했습니다. 설치한 뒤 한 번 실행해 로그인하세요.",
         "No “claude” command was found in ~/.local/bin or on PATH. Install it, then run it once to sign in."},
        {[&] { home.mkdir(QStringLiteral(".claude")); return claudeCode(); }, "미연결", "Not connected",
         "로그인된 계정이 없습니다", "No account is signed in",
         "Claude Code에 로그인된 계정을 찾지 못했습니다. 터미널에서 “claude”를 실행해 로그인하면 다음 갱신 때 "
         "수치가 나타납니다.",
         "No account is signed in to Claude Code. Run “claude” in a terminal and sign in; the figures appear at "
         "the next refresh."},
        {[&] { return CursorAdapter(home_, QStringList{}).fetchUsage(false); }, "미연결", "Not connected",
         "이 컴퓨터에서 찾지 못했습니다", "Not found on this computer",
         "이 앱은 설치 여부만 확인합니다. 읽을 수 있는 쿼터를 내보내지 않아, 설치하거나 키를 넣어도 표시할 수치는 "
         "없습니다.",
         "This app only detects it: it publishes no quota this app can read, so installing it or adding a key "
         "will not produce a figure."},
    };
    for (const auto& r : rows) {
        const UsageSnapshot s = r.read();
        SCOPED_TRACE(displayName(s.provider).toStdString());
        const PresentedState state{{{s.provider, s}}, {s.provider}};
        EXPECT_EQ(MenuBarOverviewScreen::rowModel(s.provider, state).subtitle, pick(r.rowKo, r.rowEn));
        const auto card = DetailGlassCardView::display(s, {}, clock);
        ASSERT_TRUE(card.notice);
        EXPECT_EQ(card.notice->title, pick(r.titleKo, r.titleEn));
        EXPECT_EQ(card.notice->detail, pick(r.detailKo, r.detailEn));
        // The provider's screen gives the same guidance: one mapping for every view.
        EXPECT_EQ(ProviderDetailModel({.provider = s.provider, .snapshot = s}, clock).missingFigureNotice(),
                  *card.notice);
    }
}

METERIX_IN_BOTH_LANGUAGES(Guidance);

} // namespace
} // namespace meterix
