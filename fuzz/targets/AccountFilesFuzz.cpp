// The other tools' account files through their resolvers: the first byte picks
// the file (Cursor's state database, Claude Code's configuration and its desktop
// app's, Codex's credentials, the Gemini CLI's account list, credentials and
// sign-in log, Claude Code's credentials beside a signed-in configuration).
// Every account found belongs to its resolver's provider, was seen now and reads
// back from our JSON. Cursor and Gemini name an account only by a non-empty
// address or subject; Claude and Codex take the id their files hold as it is,
// an empty one included.
#include "FuzzTarget.h"

#include "accounts/AccountIdentityLedger.h"
#include "providers/antigravity/GeminiAccountResolver.h"
#include "providers/claude/ClaudeAccountResolver.h"
#include "providers/codex/CodexAccountResolver.h"
#include "providers/cursor/CursorAccountResolver.h"
#include "support/HostUnderHome.h"
#include "support/FakeClock.h"

#include <memory>

using namespace meterix;

METERIX_FUZZ_TARGET(account_files) {
    if (size < 1) return;
    const QString home = fuzz::workspace() + QStringLiteral("/accounts-home");
    const HostEnvironment host = test::hostUnderHome(home);
    static const char* const files[] = {
        ".config/Cursor/User/globalStorage/state.vscdb",
        ".claude.json",
        ".config/Claude/config.json",
        ".codex/auth.json",
        ".gemini/google_accounts.json",
        ".gemini/oauth_creds.json",
        ".gemini/antigravity-cli/log/cli-1.log",
        ".claude/.credentials.json",
    };
    const int which = data[0] % std::size(files);
    if (!fuzz::writeFile(QStringLiteral("accounts-home/") + QString::fromLatin1(files[which]),
                         fuzz::bytes(data + 1, size - 1), QStringLiteral("accounts-home")))
        return;
    // Credentials are read beside a configuration signed in to an account.
    if (which == 7 &&
        !fuzz::writeFile(QStringLiteral("accounts-home/.claude.json"),
                         R"({"oauthAccount":{"accountUuid":"u-1","emailAddress":"dev@example.com"}})"))
        return;

    const test::FakeClock clock(fuzz::fixedNow());
    QList<AccountIdentity> found;
    AIProviderType provider = AIProviderType::antigravity;
    if (which == 0) {
        provider = AIProviderType::cursor;
        found = CursorAccountResolver(host, clock).resolveAccounts();
    } else if (which <= 2 || which == 7) {
        provider = AIProviderType::claudeCode;
        found = ClaudeAccountResolver(host, clock).resolveAccounts();
    } else if (which == 3) {
        provider = AIProviderType::openAICodex;
        AccountIdentityLedger ledger(home + QStringLiteral("/ledger.json"), clock);
        found = CodexAccountResolver(
                    CodexAccountResolver::Environment{home, std::nullopt,
                                                      home + QStringLiteral("/.config/com.openai.chat")},
                    ledger, clock)
                    .resolveAccounts();
        ledger.shutdown();
    } else {
        found = GeminiAccountResolver(host, clock).resolveAccounts();
    }
    for (const AccountIdentity& account : found) {
        METERIX_FUZZ_CHECK(account.provider == provider);
        METERIX_FUZZ_CHECK(account.lastSeenAt == clock.now());
        if (provider == AIProviderType::cursor || provider == AIProviderType::antigravity)
            METERIX_FUZZ_CHECK(!account.id.isEmpty());
        const auto back = AccountIdentity::fromJson(account.toJson());
        METERIX_FUZZ_CHECK(back.has_value());
        if (back) METERIX_FUZZ_CHECK(back->toJson() == account.toJson());
    }
}
