#include "accounts/ResolvedAccount.h"

#include "core/MaskedEmail.h"
#include "core/TextUtil.h"

namespace meterix {

ResolvedAccount::ResolvedAccount(QString id_, AIProviderType provider_, std::optional<QString> email_,
                                 std::optional<QString> displayName_, std::optional<QString> organization_,
                                 std::optional<QString> planName_, QList<AccountSource> sources_,
                                 bool usageReadable_, QDateTime lastSeenAt_)
    : id(std::move(id_)), provider(provider_), email(std::move(email_)), displayName(std::move(displayName_)),
      organization(std::move(organization_)), planName(std::move(planName_)), sources(std::move(sources_)),
      usageReadable(usageReadable_), lastSeenAt(std::move(lastSeenAt_)) {}

ResolvedAccount::ResolvedAccount(const AccountIdentity& identity)
    : ResolvedAccount(identity.id, identity.provider, identity.email, identity.displayName,
                      identity.organization, identity.planName, {identity.source}, identity.usageReadable,
                      identity.lastSeenAt) {}

void ResolvedAccount::absorb(const AccountIdentity& identity) {
    if (!email) email = identity.email;
    if (!displayName) displayName = identity.displayName;
    if (!organization) organization = identity.organization;
    if (!planName) planName = identity.planName;
    usageReadable = usageReadable || identity.usageReadable;
    if (identity.lastSeenAt >= lastSeenAt) lastSeenAt = identity.lastSeenAt;
    for (const AccountSource& s : sources)
        if (s.isSamePlace(identity.source)) return;
    sources.append(identity.source);
}

QString ResolvedAccount::displayLabel() const {
    if (email && !email->isEmpty()) return *email;
    if (displayName && !displayName->isEmpty()) return *displayName;
    return firstCharacters(id, 12);
}

QString ResolvedAccount::maskedLabel() const {
    if (email)
        if (auto masked = maskedEmail(*email)) return *masked;
    return displayLabel();
}

QString ResolvedAccount::sourceBadgeText() const {
    QList<AccountSourceKind> seen;
    QStringList badges;
    for (const AccountSource& s : sources) {
        if (seen.contains(s.kind)) continue;
        seen.append(s.kind);
        badges.append(badgeText(s.kind));
    }
    return badges.join(QStringLiteral(" \u00B7 "));
}

QStringList ResolvedAccount::watchPaths() const {
    QStringList paths;
    for (const AccountSource& s : sources)
        if (s.rootPath) paths.append(*s.rootPath);
    return paths;
}

} // namespace meterix
