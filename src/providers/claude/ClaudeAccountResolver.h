#pragma once

#include "accounts/AccountResolver.h"
#include "core/Clock.h"
#include "core/HostEnvironment.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace meterix {

// Finds the Claude accounts on this machine: one per Claude Code CLI profile
// (each a ".claude.json") and those of the Claude desktop app (its folder under
// the XDG config home). Also owns the list of CLI profiles, so the Claude Code
// adapter and the account scan always agree on which configurations exist.
// Holds no state between calls; a configuration is read again whenever its
// time or size changes (AccountFileReader's cache).
class ClaudeAccountResolver final : public AccountResolver {
  public:
    // One Claude CLI configuration.
    struct Profile {
        // The configuration file: ".claude.json", or the older ".config.json"
        // that the client still prefers inside a configuration folder.
        QString configPath;
        // The folder whose changes mean this profile is in use, and whose name
        // labels it.
        QString homeDirectory;
        // The one profile that stands for plain Claude Code (at most one).
        bool isDefault = false;
        bool operator==(const Profile&) const = default;
    };

    // Whether a configuration carries usage figures the app can read. By default
    // the Claude Code adapter's reading of its cached usage.
    using UsageReadability = std::function<bool(const QJsonObject& config)>;

    ClaudeAccountResolver();
    ClaudeAccountResolver(HostEnvironment host, const Clock& clock, UsageReadability usageReadable = {});

    AIProviderType provider() const override { return AIProviderType::claudeCode; }
    QString primarySourceID() const override { return QStringLiteral("claude.cli"); }
    // Blocking (reads files): off the GUI thread. The CLI identities in profile
    // order, then the desktop identities in id order.
    QList<AccountIdentity> resolveAccounts() override;

    // The profiles, in order: $CLAUDE_CONFIG_DIR's configuration (the default
    // one), ~/.claude.json (default only without the former), then the
    // configurations in ~/.claude, ~/.claude-<name>, ~/.claude_<name>,
    // ~/.claude.<name>. A folder's ".config.json" stands in for its
    // ".claude.json" (for ~/.claude, for ~/.claude.json) as the client reads it.
    // A configuration path is listed once.
    static QList<Profile> profiles();
    static QList<Profile> profiles(const HostEnvironment& host);

    // The plan's display name from an "organizationType" ("claude_max" gives
    // "Claude Max"; other values are spelled out word by word); nothing for
    // an empty value.
    static std::optional<QString> planName(const QString& organizationType);
    // The same from an "oauthAccount" object.
    static std::optional<QString> planName(const QJsonObject& oauthAccount);

    // What the account scan and the Claude Code adapter read of a profile's
    // configuration: its "oauthAccount" and "cachedUsageUtilization" members,
    // from a file of any size (the client keeps every project's history in it,
    // often tens of megabytes), read again only when its time or size changes.
    static std::optional<QJsonObject> configuration(const QString& configPath);
    // The same for a profile, read as signed out (without its account and its
    // reading) once the client's sign-out has taken the profile's credentials.
    static std::optional<QJsonObject> configuration(const Profile& profile);

    // The client keeps a profile's sign-in in ".credentials.json" of its folder,
    // under "claudeAiOauth"; signing out removes that member (the file stays when
    // it holds other sign-ins). A file without it means signed out; no file at
    // all says nothing (the sign-in may live elsewhere).
    static bool isSignedOut(const Profile& profile);

    // The desktop app's folder.
    QString desktopFolder() const;

  private:
    QList<AccountIdentity> cliAccounts() const;
    QList<AccountIdentity> desktopAccounts() const;

    HostEnvironment host_;
    const Clock& clock_;
    UsageReadability usageReadable_;
};

} // namespace meterix
