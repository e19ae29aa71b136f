#include "accounts/AccountIdentity.h"

#include "core/IsoDate.h"
#include "core/Json.h"

namespace meterix {

namespace {
void insertOptional(QJsonObject& o, const char* key, const std::optional<QString>& value) {
    if (value) o.insert(QLatin1String(key), *value);
}

// Absent when missing or null; a present value of another type fails the whole read.
bool readOptional(const QJsonObject& o, const char* key, std::optional<QString>& out) {
    const QLatin1StringView k(key);
    if (json::isAbsent(o, k)) return true;
    out = json::string(o, k);
    return out.has_value();
}
} // namespace

QJsonObject AccountIdentity::toJson() const {
    QJsonObject o;
    o.insert(QLatin1String("id"), id);
    o.insert(QLatin1String("provider"), rawValue(provider));
    o.insert(QLatin1String("source"), source.toJson());
    insertOptional(o, "email", email);
    insertOptional(o, "displayName", displayName);
    insertOptional(o, "organization", organization);
    insertOptional(o, "planName", planName);
    o.insert(QLatin1String("usageReadable"), usageReadable);
    o.insert(QLatin1String("lastSeenAt"), isoDateString(lastSeenAt));
    return o;
}

std::optional<AccountIdentity> AccountIdentity::fromJson(const QJsonObject& o) {
    const auto id = json::string(o, QLatin1String("id"));
    const auto providerRaw = json::string(o, QLatin1String("provider"));
    const auto sourceObject = json::object(o, QLatin1String("source"));
    const auto readable = json::boolean(o, QLatin1String("usageReadable"));
    const auto seenText = json::string(o, QLatin1String("lastSeenAt"));
    if (!id || !providerRaw || !sourceObject || !readable || !seenText) return std::nullopt;
    const auto provider = providerFromRawValue(*providerRaw);
    const auto source = AccountSource::fromJson(*sourceObject);
    const auto seen = parseIsoDate(*seenText);
    if (!provider || !source || !seen) return std::nullopt;
    AccountIdentity a{*id, *provider, *source, {}, {}, {}, {}, *readable, *seen};
    if (!readOptional(o, "email", a.email) || !readOptional(o, "displayName", a.displayName) ||
        !readOptional(o, "organization", a.organization) || !readOptional(o, "planName", a.planName))
        return std::nullopt;
    return a;
}

} // namespace meterix
