#pragma once

#include "accounts/AccountIdentity.h"
#include "accounts/AccountResolver.h"
#include "core/Clock.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace meterix {

class AccountIdentityLedger;

// Finds the OpenAI accounts of the Codex command-line client (one per profile
// folder: $CODEX_HOME, ~/.codex, ~/.codex-work, ..., each holding auth.json or
// keeping its credentials where the client's setting puts them) and of
// the ChatGPT desktop app (its workspaces, from its preferences and from the
// names of its conversation stores). It also lists the Codex profiles, reads a
// profile's identity claims and names plans for the Codex adapter.
// Everything here blocks on the file system: call it off the GUI thread. The
// static services hold no state and may run on several threads at once.
class CodexAccountResolver final : public AccountResolver {
public:
    static constexpr const char* kDesktopAppID = "com.openai.chat";

    struct Profile {
        QString authPath;      // <folder>/auth.json
        QString homeDirectory; // the folder exactly as found; it keys the identity ledger
        bool isDefault = false;
        bool operator==(const Profile&) const = default;
    };

    // What the ID token of a profile says about its account.
    struct IdentityClaims {
        std::optional<QString> email;
        std::optional<QString> name;
        std::optional<QString> accountID;
        std::optional<QString> planType;
        std::optional<QString> organization;
        bool operator==(const IdentityClaims&) const = default;
    };

    // Where the client keeps a home's credentials: its config.toml setting
    // cli_auth_credentials_store ("file", the default; "keyring"; "auto", the
    // keyring when it works and else the file; "ephemeral", memory only).
    enum class CredentialStore { file, keyring, automatic, ephemeral };

    // Where to look: the user's home folder, $CODEX_HOME, and the ChatGPT app's
    // folder (there is no Linux build of the app; its folder is read when present).
    struct Environment {
        QString homeFolder;
        std::optional<QString> codexHome;
        QString desktopAppFolder;
        // The process environment and the user's folders.
        static Environment current();
    };

    // The current environment, the shared ledger and the system clock.
    CodexAccountResolver(Environment environment, AccountIdentityLedger& ledger, const Clock& clock);

    AIProviderType provider() const override { return AIProviderType::openAICodex; }
    QString primarySourceID() const override { return QStringLiteral("codex.cli"); }
    // The CLI accounts, then the desktop app's. Asking whether a CLI account's
    // usage is readable goes through the Codex adapter and so may record an
    // account switch in the identity ledger.
    QList<AccountIdentity> resolveAccounts() override;

    // $CODEX_HOME first (as the client takes it: an existing folder, its links
    // resolved), then the ".codex" folders of the home folder in order; only
    // folders that hold auth.json or keep their credentials out of files, each
    // folder once. The first is the default profile.
    static QList<Profile> profiles();
    static QList<Profile> profiles(const Environment& environment);

    // Absent when the file or its ID token cannot be read; otherwise present even
    // when every claim is missing. The token's signature is not checked: the
    // claims only name an account.
    static std::optional<IdentityClaims> identityClaims(const QString& authPath);

    // The claims of a credential file already read.
    static std::optional<IdentityClaims> identityClaims(const QJsonObject& file);

    // How the client signs in to a profile, from one read of its settings and
    // its credential file. withAPIKey: with the file's API key rather than a
    // ChatGPT login (the file's "auth_mode", or without one a key and no
    // tokens; the key itself is not kept). claims: the ChatGPT account's, none
    // when the credentials are kept out of files (the client then never reads
    // auth.json, so a file left there names no current account) or the file
    // signs in with an API key.
    struct SignIn {
        bool withAPIKey = false;
        std::optional<IdentityClaims> claims;
    };
    static SignIn signIn(const Profile& profile);

    // The home's cli_auth_credentials_store setting; file when the setting or
    // the file is missing, unreadable or names no store the client knows.
    static CredentialStore credentialStore(const QString& codexHome);

    // "ChatGPT Plus" and friends; absent for absent or empty text.
    static std::optional<QString> planName(const std::optional<QString>& planType);

private:
    QList<AccountIdentity> cliAccounts();
    QList<AccountIdentity> desktopAccounts();

    Environment environment_;
    AccountIdentityLedger& ledger_;
    const Clock& clock_;
};

} // namespace meterix
