#include "providers/antigravity/GeminiAccountResolver.h"

#include "accounts/AccountFileReader.h"
#include "accounts/AccountPreferencesReader.h"
#include "accounts/JWTClaims.h"
#include "core/DirectoryListing.h"
#include "core/FileSearch.h"
#include "core/Json.h"
#include "core/L10n.h"
#include "core/Paths.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"

#include <QJsonArray>

#include <algorithm>

namespace meterix {

namespace {

namespace texts {
#define METERIX_ROOM_TEXT METERIX_ROOM_TEXT_FUNCTION
#include "providers/antigravity/AntigravityTexts.inc"
#undef METERIX_ROOM_TEXT
} // namespace texts

// An e-mail address is far shorter; a longer run after the marker is no address.
constexpr int64_t kSignInValueCap = 1024;

struct AntigravityFolder {
    const char* relativePath;
    const char* sourceID;
    const char* displayName;
    AccountSourceKind kind;
};

constexpr AntigravityFolder kAntigravityFolders[] = {
    {".gemini/antigravity-cli", "antigravity.cli", "Antigravity CLI", AccountSourceKind::cli},
    {".gemini/antigravity", "antigravity.ide", "Antigravity IDE", AccountSourceKind::ide},
};

bool endsSignInValue(char c) {
    return c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The text that starts at valueOffset (right after the sign-in marker), up to a
// blank or ",".
std::optional<QString> signInValue(const QString& path, int64_t valueOffset) {
    const std::optional<QByteArray> bytes = readRegularFileRange(path, valueOffset, kSignInValueCap + 1);
    if (!bytes) return std::nullopt;
    const auto end = std::find_if(bytes->cbegin(), bytes->cend(), endsSignInValue);
    const qsizetype length = end - bytes->cbegin();
    if (length > kSignInValueCap) return std::nullopt;
    std::optional<QString> value = strictUtf8(QByteArrayView(*bytes).first(length));
    if (!value) return std::nullopt;
    // Blanks beyond ASCII end the value too.
    const auto blank = std::find_if(value->cbegin(), value->cend(), [](QChar c) { return c.isSpace(); });
    value->truncate(blank - value->cbegin());
    return value;
}

} // namespace

GeminiAccountResolver::GeminiAccountResolver(HostEnvironment host, const Clock& clock)
    : host_(std::move(host)), clock_(clock) {}

QString GeminiAccountResolver::geminiFolder() const {
    // The client puts its folder under GEMINI_CLI_HOME when that is set. A
    // relative value is relative to wherever the client was started, which
    // cannot be known here, so only an absolute one is followed.
    const QString moved = host_.variable(QStringLiteral("GEMINI_CLI_HOME")).value_or(QString());
    const QString base = moved.startsWith(QLatin1Char('/')) ? moved : host_.home;
    return joinPath(base, QStringLiteral(".gemini"));
}

QString GeminiAccountResolver::desktopAppFolder() const {
    return joinPath(host_.configHome, QString::fromLatin1(kDesktopAppID));
}

GeminiAccountResolver::GoogleAccounts GeminiAccountResolver::googleAccountEmails(const QString& path) {
    const std::optional<QJsonObject> list = AccountFileReader::json(path);
    if (!list) return {};
    // The client takes the file only as a whole: "active" absent, null or a
    // string and "old" absent or a list of strings; anything else and it
    // starts afresh, knowing no account at all.
    const QJsonValue active = list->value(QLatin1String("active"));
    if (!active.isUndefined() && !active.isNull() && !active.isString()) return {};
    const QJsonValue old = list->value(QLatin1String("old"));
    if (!old.isUndefined() && !old.isArray()) return {};
    GoogleAccounts accounts;
    for (const QJsonValue& entry : old.toArray()) {
        if (!entry.isString()) return {};
        if (!entry.toString().isEmpty()) accounts.previous.append(entry.toString());
    }
    // An empty address names no account (it would be one without an id).
    if (active.isString() && !active.toString().isEmpty()) accounts.active = active.toString();
    return accounts;
}

std::optional<QString> GeminiAccountResolver::antigravityCLIEmail(const QString& logDirectory) {
    const std::optional<QStringList> names = listDirectoryNames(logDirectory);
    if (!names) return std::nullopt;
    QStringList logs;
    for (const QString& name : *names)
        if (name.startsWith(QLatin1String("cli-")) && name.endsWith(QLatin1String(".log"))) logs.append(name);
    // Names carry a timestamp: the newest first.
    std::sort(logs.begin(), logs.end(), [](const QString& a, const QString& b) { return codePointLess(b, a); });

    const QByteArray marker(kSignInMarker);
    for (const QString& name : logs.mid(0, kLogFilesSearched)) {
        const QString path = joinPath(logDirectory, name);
        const std::optional<int64_t> at = findInRegularFile(path, marker, kLogSearchCap);
        if (!at) continue;
        const std::optional<QString> value = signInValue(path, *at + marker.size());
        if (value && value->contains(QLatin1Char('@'))) return value;
    }
    return std::nullopt;
}

std::optional<QString> GeminiAccountResolver::cliSubject() const {
    const std::optional<QJsonObject> credentials =
        AccountFileReader::json(joinPath(geminiFolder(), QStringLiteral("oauth_creds.json")));
    if (!credentials) return std::nullopt;
    const std::optional<QString> token = json::string(*credentials, QLatin1String("id_token"));
    if (!token) return std::nullopt;
    const std::optional<QJsonObject> claims = JWTClaims::payload(*token);
    if (!claims) return std::nullopt;
    const std::optional<QString> subject = json::string(*claims, QLatin1String("sub"));
    if (!subject || subject->isEmpty()) return std::nullopt;
    return subject;
}

QList<AccountIdentity> GeminiAccountResolver::resolveAccounts() {
    const QDateTime now = clock_.now();
    return cliAccounts(now) + antigravityAccounts(now) + desktopAccounts(now);
}

QList<AccountIdentity> GeminiAccountResolver::cliAccounts(const QDateTime& now) const {
    if (!AccountFileReader::directoryExists(geminiFolder())) return {};
    const GoogleAccounts accounts = googleAccountEmails(joinPath(geminiFolder(), QStringLiteral("google_accounts.json")));
    const AccountSource source{.id = QStringLiteral("gemini.cli"),
                               .kind = AccountSourceKind::cli,
                               .displayName = QStringLiteral("Gemini CLI"),
                               .rootPath = geminiFolder()};
    const auto identity = [&](const QString& id, const QString& email) {
        return AccountIdentity{.id = id,
                               .provider = AIProviderType::antigravity,
                               .source = source,
                               .email = email,
                               .usageReadable = false,
                               .lastSeenAt = now};
    };

    // Only the active account is signed in: signing out (or into another
    // account) moves the address to "old", and the client holds no
    // credentials for any of those.
    if (!accounts.active) return {};
    return {identity(cliSubject().value_or(*accounts.active), *accounts.active)};
}

QList<AccountIdentity> GeminiAccountResolver::antigravityAccounts(const QDateTime& now) const {
    const std::optional<QString> active =
        googleAccountEmails(joinPath(geminiFolder(), QStringLiteral("google_accounts.json"))).active;
    std::optional<QString> cliEmail = antigravityCLIEmail(joinPath(host_.home, QStringLiteral(".gemini/antigravity-cli/log")));
    if (!cliEmail) cliEmail = active;

    QList<AccountIdentity> identities;
    for (const AntigravityFolder& folder : kAntigravityFolders) {
        const QString root = joinPath(host_.home, QString::fromLatin1(folder.relativePath));
        if (!AccountFileReader::directoryExists(root)) continue;
        const QString sourceID = QString::fromLatin1(folder.sourceID);
        const bool isCLI = sourceID == QLatin1String("antigravity.cli");
        const std::optional<QString> email = isCLI ? cliEmail : active;
        if (!email) continue;
        // The Gemini CLI's active account keeps its subject here too, so the
        // registry merges the findings of one account into one.
        const QString id = (active && email == active) ? cliSubject().value_or(*active) : *email;
        QStringList bundles;
        if (folder.kind == AccountSourceKind::ide) bundles.append(QStringLiteral("com.google.antigravity"));
        identities.append(AccountIdentity{.id = id,
                                          .provider = AIProviderType::antigravity,
                                          .source = AccountSource{.id = sourceID,
                                                                  .kind = folder.kind,
                                                                  .displayName = QString::fromLatin1(folder.displayName),
                                                                  .rootPath = root,
                                                                  .bundleIdentifiers = bundles},
                                          .email = email,
                                          .usageReadable = isCLI,
                                          .lastSeenAt = now});
    }
    return identities;
}

QList<AccountIdentity> GeminiAccountResolver::desktopAccounts(const QDateTime& now) const {
    if (!AccountFileReader::directoryExists(desktopAppFolder())) return {};
    const QStringList ids = AccountPreferencesReader::keySuffixes(
        QString::fromLatin1(kDesktopAppID), QString::fromLatin1(kDesktopKeyPrefix), host_.home);
    const AccountSource source{.id = QStringLiteral("gemini.desktop"),
                               .kind = AccountSourceKind::desktopApp,
                               .displayName = QStringLiteral("Gemini Desktop"),
                               .rootPath = desktopAppFolder(),
                               .bundleIdentifiers = {QString::fromLatin1(kDesktopAppID)}};
    QList<AccountIdentity> identities;
    for (const QString& id : ids)
        identities.append(AccountIdentity{.id = id,
                                          .provider = AIProviderType::antigravity,
                                          .source = source,
                                          .displayName = texts::googleAccountSuffix(lastCharacters(id, 4)).text(),
                                          .usageReadable = false,
                                          .lastSeenAt = now});
    return identities;
}

} // namespace meterix
