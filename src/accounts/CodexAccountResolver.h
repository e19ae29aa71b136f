#pragma once

#include "accounts/AccountIdentity.h"
#include "accounts/AccountResolver.h"
#include "core/Clock.h"

#include <QList>
#include <QString>

#include <optional>

namespace meterix {

class AccountIdentityLedger;

// Finds the OpenAI accounts of the Codex command-line client (one per profile
// folder holding auth.json: $CODEX_HOME, ~/.codex, ~/.codex-work, ...) and of
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
    CodexAccountResolver();
    CodexAccountResolver(Environment environment, AccountIdentityLedger& ledger, const Clock& clock);

    AIProviderType provider() const override { return AIProviderType::openAICodex; }
    QString primarySourceID() const override { return QStringLiteral("codex.cli"); }
    // The CLI accounts, then the desktop app's. Asking whether a CLI account's
    // usage is readable goes through the Codex adapter and so may record an
    // account switch in the identity ledger.
    QList<AccountIdentity> resolveAccounts() override;

    // $CODEX_HOME first, then the ".codex" folders of the home folder in order;
    // only folders holding auth.json, each credential path once. The first is
    // the default profile.
    static QList<Profile> profiles();
    static QList<Profile> profiles(const Environment& environment);

    // Absent when the file or its ID token cannot be read; otherwise present even
    // when every claim is missing. The token's signature is not checked: the
    // claims only name an account.
    static std::optional<IdentityClaims> identityClaims(const QString& authPath);

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
