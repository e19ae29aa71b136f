#pragma once

#include "accounts/AccountResolver.h"
#include "accounts/AccountSource.h"
#include "core/Clock.h"
#include "core/HostEnvironment.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace meterix {

// The Google accounts of the Gemini command-line client, the Antigravity
// command-line client and IDE, and the Gemini desktop app, all counted as
// accounts of Antigravity. Only the Antigravity client's accounts are readable:
// its usage is what the Antigravity adapter reads.
// Where it looks: the Gemini CLI's folder .gemini below $GEMINI_CLI_HOME or
// the home folder, with google_accounts.json (the signed-in address, and the
// earlier ones, which are signed out) and oauth_creds.json (the ID token whose
// subject is the account id); below the home folder the Antigravity client's
// logs in .gemini/antigravity-cli/log and the two Antigravity folders; the
// desktop app's folder below the config
// home and its preference list (the app has no Linux build, so on Linux this
// only finds what a fixture puts there).
// Blocking (reads files): call off the GUI thread. Holds no state.
class GeminiAccountResolver final : public AccountResolver {
  public:
    static constexpr const char* kDesktopAppID = "com.google.GeminiMacOS";
    static constexpr const char* kDesktopKeyPrefix = "discoveryInteractionRecords_";
    static constexpr const char* kSignInMarker = "applyAuthResult: email=";
    // The newest logs looked at for a sign-in line.
    static constexpr int kLogFilesSearched = 8;
    // How far into one log the sign-in line is looked for; a runaway log is not
    // read to its end on every scan.
    static constexpr int64_t kLogSearchCap = 64 * 1024 * 1024;

    struct GoogleAccounts {
        std::optional<QString> active;
        QStringList previous;
        bool operator==(const GoogleAccounts&) const = default;
    };

    explicit GeminiAccountResolver(HostEnvironment host = HostEnvironment::current(),
                                   const Clock& clock = Clock::system());

    AIProviderType provider() const override { return AIProviderType::antigravity; }
    QString primarySourceID() const override { return QStringLiteral("antigravity.cli"); }
    // The Gemini CLI's accounts, then the Antigravity ones, then the desktop app's.
    QList<AccountIdentity> resolveAccounts() override;

    // "active" and "old" of the account list, read as the Gemini CLI reads
    // it: when either holds a value of another type the file names no account.
    static GoogleAccounts googleAccountEmails(const QString& path);
    // The address of the first sign-in line of the newest log that has one
    // (logs named "cli-*.log", newest name first, at most eight of them).
    static std::optional<QString> antigravityCLIEmail(const QString& logDirectory);

    // The Gemini CLI's own folder ($GEMINI_CLI_HOME/.gemini when that is an
    // absolute path, else ~/.gemini).
    QString geminiFolder() const;
    QString desktopAppFolder() const;

  private:
    std::optional<QString> cliSubject() const;
    QList<AccountIdentity> cliAccounts(const QDateTime& now) const;
    QList<AccountIdentity> antigravityAccounts(const QDateTime& now) const;
    QList<AccountIdentity> desktopAccounts(const QDateTime& now) const;

    HostEnvironment host_;
    const Clock& clock_;
};

} // namespace meterix
