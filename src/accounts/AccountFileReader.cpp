#include "accounts/AccountFileReader.h"

#include "core/DirectoryListing.h"
#include "core/Json.h"
#include "core/Locked.h"
#include "core/Paths.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"

#include <QHash>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>

namespace meterix {

namespace {

struct CacheEntry {
    // Modification time and size when last read; absent when unavailable.
    std::optional<RegularFileInfo> info;
    std::optional<QJsonObject> object;
};

struct JsonCache {
    // By path and member names.
    QHash<QString, CacheEntry> entries;
    // One read at a time per entry: a caller that misses while another reads
    // waits for that reading instead of reading a large file once more.
    QHash<QString, std::shared_ptr<std::mutex>> readGates;
};

Locked<JsonCache>& jsonCache() {
    static Locked<JsonCache> cache;
    return cache;
}

// The entry's object when it was read at the file's current time and size.
std::optional<std::optional<QJsonObject>> cachedObject(const QString& key, const QString& path) {
    const std::optional<RegularFileInfo> current = regularFileInfo(path);
    return jsonCache().withValue([&](JsonCache& cache) -> std::optional<std::optional<QJsonObject>> {
        const auto it = cache.entries.constFind(key);
        if (it == cache.entries.constEnd() || it->info != current) return std::nullopt;
        return it->object;
    });
}

// Looks the entry up and, when the file changed, reads it with `read` (which
// gives the time and size of what it read) outside the cache's lock.
std::optional<QJsonObject> cachedRead(const QString& key, const QString& path,
                                      const std::function<CacheEntry()>& read) {
    if (auto known = cachedObject(key, path)) return *known;
    const std::shared_ptr<std::mutex> gate = jsonCache().withValue([&](JsonCache& cache) {
        std::shared_ptr<std::mutex>& g = cache.readGates[key];
        if (!g) g = std::make_shared<std::mutex>();
        return g;
    });
    const std::lock_guard reading(*gate);
    if (auto known = cachedObject(key, path)) return *known;
    CacheEntry entry = read();
    jsonCache().withValue([&](JsonCache& cache) { cache.entries.insert(key, entry); });
    return entry.object;
}

JsonStreamReader::Options membersOnly(const QStringList& names) {
    JsonStreamReader::Options options;
    options.members = names;
    return options;
}

void sortByCodePoint(QStringList& list) {
    std::sort(list.begin(), list.end(), codePointLess);
}

// An upper bound of the values in a JSON text (each needs a separator or an
// opening bracket), counted outside strings without parsing.
bool hasAtMostValues(const QByteArray& text, int64_t cap) {
    int64_t values = 0;
    bool inString = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if ((c == ',' || c == '[' || c == '{' || c == ':') && ++values > cap) {
            return false;
        }
    }
    return true;
}

bool isHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

} // namespace

QString AccountFileReader::home() {
    return homeFolder();
}

std::optional<QJsonObject> AccountFileReader::json(const QString& path) {
    const auto bytes = readRegularFile(path, kJsonReadCap);
    if (!bytes || !hasAtMostValues(*bytes, kJsonValueCap)) return std::nullopt;
    return json::parseObject(*bytes);
}

std::optional<QJsonObject> AccountFileReader::members(const QString& path, const QStringList& names) {
    return JsonStreamReader::readFile(path, membersOnly(names)).object;
}

std::optional<QJsonObject> AccountFileReader::cachedMembers(const QString& path, const QStringList& names) {
    const QString key = path + QChar(0) + names.join(QChar(0));
    return cachedRead(key, path, [&] {
        JsonStreamReader::FileReading reading = JsonStreamReader::readFile(path, membersOnly(names));
        return CacheEntry{reading.file, std::move(reading.object)};
    });
}

bool AccountFileReader::directoryExists(const QString& path) {
    return isDirectory(path);
}

QStringList AccountFileReader::directorySuffixes(const QString& folder, const QString& prefix) {
    QStringList suffixes;
    for (const QString& name : listDirectoryNames(folder).value_or(QStringList{}))
        if (name.size() > prefix.size() && name.startsWith(prefix)) suffixes.append(name.mid(prefix.size()));
    return suffixes;
}

bool AccountFileReader::isUUID(QStringView text) {
    if (text.size() != 36) return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenPlace ? text[i] != QLatin1Char('-') : !isHexDigit(text[i])) return false;
    }
    return true;
}

QStringList AccountFileReader::uuidDirectoryNames(const QString& folder) {
    QStringList names;
    for (const QString& name : listDirectoryNames(folder).value_or(QStringList{}))
        if (isUUID(name) && isDirectory(joinPath(folder, name))) names.append(name);
    sortByCodePoint(names);
    return names;
}

QStringList AccountFileReader::profileDirectories(const QString& folder, const QString& prefix) {
    QStringList paths;
    for (const QString& name : listDirectoryNames(folder).value_or(QStringList{})) {
        if (!name.startsWith(prefix)) continue;
        if (name.size() > prefix.size()) {
            const QChar separator = name.at(prefix.size());
            if (separator != QLatin1Char('-') && separator != QLatin1Char('_') &&
                separator != QLatin1Char('.'))
                continue;
        }
        const QString path = joinPath(folder, name);
        if (isDirectory(path)) paths.append(path);
    }
    sortByCodePoint(paths);
    return paths;
}

QStringList AccountFileReader::siblingProfileDirectories(const QString& prefix) {
    return siblingProfileDirectories(prefix, home());
}

QStringList AccountFileReader::siblingProfileDirectories(const QString& prefix, const QString& homeFolder) {
    return profileDirectories(homeFolder, prefix);
}

} // namespace meterix
