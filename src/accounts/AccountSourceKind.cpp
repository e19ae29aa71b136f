#include "accounts/AccountSourceKind.h"

#include "core/L10n.h"

#include <array>

namespace meterix {

namespace {
struct KindRow {
    AccountSourceKind kind;
    const char* raw;
    const char* badge;
    const char* symbol;
};

constexpr std::array<KindRow, 4> kRows{{
    {AccountSourceKind::cli, "cli", "CLI", "terminal"},
    {AccountSourceKind::desktopApp, "desktopApp", "App", "macwindow"},
    {AccountSourceKind::ide, "ide", "IDE", "chevron.left.forwardslash.chevron.right"},
    {AccountSourceKind::api, "api", "API", "key"},
}};

const KindRow& row(AccountSourceKind k) {
    for (const KindRow& r : kRows)
        if (r.kind == k) return r;
    return kRows[0];
}
} // namespace

QString rawValue(AccountSourceKind k) {
    return QString::fromLatin1(row(k).raw);
}

std::optional<AccountSourceKind> accountSourceKindFromRawValue(QStringView raw) {
    for (const KindRow& r : kRows)
        if (raw == QLatin1StringView(r.raw)) return r.kind;
    return std::nullopt;
}

QString badgeText(AccountSourceKind k) {
    // The one badge that is a word rather than a name has its Korean form.
    if (k == AccountSourceKind::desktopApp) return L10n::sourceBadgeApp().text();
    return QString::fromLatin1(row(k).badge);
}

QString symbol(AccountSourceKind k) {
    return QString::fromLatin1(row(k).symbol);
}

} // namespace meterix
