#include "providers/cursor/CursorAccountResolver.h"

#include "accounts/AccountFileReader.h"
#include "accounts/AccountSQLiteReader.h"
#include "core/Json.h"
#include "core/Paths.h"
#include "core/TextUtil.h"

namespace meterix {

namespace {
const QString kEmailKey = QStringLiteral("cursorAuth/cachedEmail");
const QString kTeamKey = QStringLiteral("cursorAuth/cachedTeam");
const QString kMembershipKey = QStringLiteral("cursorAuth/stripeMembershipType");

std::optional<QString> valueOf(const QMap<QString, QString>& values, const QString& key) {
    const auto it = values.constFind(key);
    if (it == values.constEnd()) return std::nullopt;
    return *it;
}
} // namespace

CursorAccountResolver::CursorAccountResolver(HostEnvironment host, const Clock& clock)
    : host_(std::move(host)), clock_(clock) {}

QString CursorAccountResolver::cursorFolder() const { return joinPath(host_.configHome, QStringLiteral("Cursor")); }

QString CursorAccountResolver::databasePath() const {
    return joinPath(cursorFolder(), QStringLiteral("User/globalStorage/state.vscdb"));
}

std::optional<QString> CursorAccountResolver::teamName(const std::optional<QString>& rawTeam) {
    if (!rawTeam) return std::nullopt;
    const std::optional<QJsonObject> team = json::parseObject(rawTeam->toUtf8());
    if (!team) return std::nullopt;
    std::optional<QString> name = json::string(*team, QLatin1String("name"));
    if (!name || name->isEmpty()) return std::nullopt;
    return name;
}

std::optional<QString> CursorAccountResolver::planName(const std::optional<QString>& membershipType) {
    if (!membershipType || membershipType->isEmpty()) return std::nullopt;
    QString words = *membershipType;
    words.replace(QLatin1Char('_'), QLatin1Char(' '));
    return QStringLiteral("Cursor ") + capitalizeWords(words);
}

QList<AccountIdentity> CursorAccountResolver::resolveAccounts() {
    if (!AccountFileReader::directoryExists(cursorFolder())) return {};
    const QMap<QString, QString> values =
        AccountSQLiteReader::itemTableValues(databasePath(), {kEmailKey, kTeamKey, kMembershipKey});
    const std::optional<QString> email = valueOf(values, kEmailKey);
    if (!email || email->isEmpty()) return {};

    const AccountSource source{.id = QString::fromLatin1(kSourceID),
                               .kind = AccountSourceKind::ide,
                               .displayName = QStringLiteral("Cursor"),
                               .rootPath = cursorFolder(),
                               .bundleIdentifiers = {QString::fromLatin1(kBundleIdentifier)}};
    // The stored address is the id exactly as Cursor keeps it, blanks and all.
    return {AccountIdentity{.id = *email,
                            .provider = AIProviderType::cursor,
                            .source = source,
                            .email = email,
                            .organization = teamName(valueOf(values, kTeamKey)),
                            .planName = planName(valueOf(values, kMembershipKey)),
                            .usageReadable = true,
                            .lastSeenAt = clock_.now()}};
}

} // namespace meterix
