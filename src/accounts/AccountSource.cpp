#include "accounts/AccountSource.h"

#include "core/Json.h"

#include <QJsonArray>

namespace meterix {

QJsonObject AccountSource::toJson() const {
    QJsonObject o;
    o.insert(QLatin1String("id"), id);
    o.insert(QLatin1String("kind"), rawValue(kind));
    o.insert(QLatin1String("displayName"), displayName);
    if (rootPath) o.insert(QLatin1String("rootPath"), *rootPath);
    o.insert(QLatin1String("bundleIdentifiers"), QJsonArray::fromStringList(bundleIdentifiers));
    return o;
}

std::optional<AccountSource> AccountSource::fromJson(const QJsonObject& o) {
    const auto id = json::string(o, QLatin1String("id"));
    const auto kindRaw = json::string(o, QLatin1String("kind"));
    const auto name = json::string(o, QLatin1String("displayName"));
    const auto bundles = json::array(o, QLatin1String("bundleIdentifiers"));
    if (!id || !kindRaw || !name || !bundles) return std::nullopt;
    const auto kind = accountSourceKindFromRawValue(*kindRaw);
    if (!kind) return std::nullopt;
    AccountSource s{*id, *kind, *name, std::nullopt, {}};
    if (!json::isAbsent(o, QLatin1String("rootPath"))) {
        const auto root = json::string(o, QLatin1String("rootPath"));
        if (!root) return std::nullopt;
        s.rootPath = *root;
    }
    for (const QJsonValue& v : *bundles) {
        if (!v.isString()) return std::nullopt;
        s.bundleIdentifiers.append(v.toString());
    }
    return s;
}

} // namespace meterix
