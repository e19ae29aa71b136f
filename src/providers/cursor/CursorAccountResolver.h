#pragma once

#include "accounts/AccountResolver.h"
#include "core/Clock.h"
#include "core/HostEnvironment.h"

#include <QString>

#include <optional>

namespace meterix {

// The account signed into the Cursor editor, read from the key-value table of
// its global state database ($XDG_CONFIG_HOME/Cursor/User/globalStorage/
// state.vscdb), opened read-only and immutable so Cursor is never held up.
// Reports at most one account, always as readable.
class CursorAccountResolver final : public AccountResolver {
  public:
    static constexpr const char* kSourceID = "cursor.ide";
    static constexpr const char* kBundleIdentifier = "com.todesktop.230313mzl4w4u92";

    explicit CursorAccountResolver(HostEnvironment host = HostEnvironment::current(),
                                   const Clock& clock = Clock::system());

    AIProviderType provider() const override { return AIProviderType::cursor; }
    QString primarySourceID() const override { return QString::fromLatin1(kSourceID); }
    QList<AccountIdentity> resolveAccounts() override;

    // Cursor's own folder (also the source's root) and its state database.
    QString cursorFolder() const;
    QString databasePath() const;

    // The team's name from the stored team JSON; absent unless it is an object
    // with a non-empty "name" string.
    static std::optional<QString> teamName(const std::optional<QString>& rawTeam);
    // "free_trial" -> "Cursor Free Trial"; absent for absent or empty text.
    static std::optional<QString> planName(const std::optional<QString>& membershipType);

  private:
    HostEnvironment host_;
    const Clock& clock_;
};

} // namespace meterix
