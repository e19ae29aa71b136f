#include "accounts/AccountPreferencesReader.h"

#include "accounts/PropertyListScreen.h"

#include "core/Paths.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"

#include <QDateTime>
#include <QSet>

#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace meterix {

namespace {

// Preference lists of desktop apps are small; this only guards against a file
// that is something else entirely.
constexpr int64_t kPlistReadCap = 8 * 1024 * 1024;

class PlistHandle {
  public:
    explicit PlistHandle(plist_t p) : p_(p) {}
    ~PlistHandle() {
        if (p_) plist_free(p_);
    }
    PlistHandle(const PlistHandle&) = delete;
    PlistHandle& operator=(const PlistHandle&) = delete;
    plist_t get() const { return p_; }

  private:
    plist_t p_;
};

// Text that held a NUL (masked by the screen) or is not UTF-8 throughout is no
// text: absent.
std::optional<QString> text(const char* bytes, uint64_t length) {
    if (!bytes || PropertyListScreen::isMaskedText(bytes, length)) return std::nullopt;
    if (length > static_cast<uint64_t>(std::numeric_limits<qsizetype>::max())) return std::nullopt;
    return strictUtf8(QByteArrayView(bytes, static_cast<qsizetype>(length)));
}

QVariant toVariant(plist_t node, int depth);

QVariantMap dictToMap(plist_t node, int depth) {
    QVariantMap map;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    if (!iter) return map;
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iter, &key, &value);
        if (!key) break;
        const auto name = text(key, std::strlen(key));
        std::free(key);
        if (!value) break;
        if (name) map.insert(*name, toVariant(value, depth + 1));
    }
    std::free(iter);
    return map;
}

QVariant toVariant(plist_t node, int depth) {
    // The screen has refused deeper lists; this only keeps the recursion bounded.
    if (depth > PropertyListScreen::kMaxDepth) return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        // Binary lists keep negative integers in two's complement.
        return QVariant(static_cast<qint64>(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return QVariant(d);
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* bytes = plist_get_string_ptr(node, &length);
        const auto s = text(bytes, length);
        return s ? QVariant(*s) : QVariant();
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        QByteArray data;
        if (bytes && length <= static_cast<uint64_t>(std::numeric_limits<qsizetype>::max()))
            data = QByteArray(bytes, static_cast<qsizetype>(length));
        std::free(bytes);
        return QVariant(data);
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        // Property-list dates count from 2001-01-01 UTC.
        const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        return QVariant(reference.addMSecs(static_cast<qint64>(sec) * 1000 + usec / 1000));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n; ++i)
            if (plist_t item = plist_array_get_item(node, i)) list.append(toVariant(item, depth + 1));
        return QVariant(list);
    }
    case PLIST_DICT:
        return QVariant(dictToMap(node, depth));
    default:
        return {};
    }
}

} // namespace

QString AccountPreferencesReader::preferencesFile(const QString& appID, const QString& homeFolder) {
    return joinPath(joinPath(homeFolder, QStringLiteral("Library/Preferences")),
                    appID + QStringLiteral(".plist"));
}

std::optional<QVariantMap> AccountPreferencesReader::plistContents(const QString& appID,
                                                                   const QString& homeFolder) {
    const auto file = readRegularFile(preferencesFile(appID, homeFolder), kPlistReadCap);
    if (!file || file->isEmpty()) return std::nullopt;
    const auto bytes = PropertyListScreen::screened(*file);
    if (!bytes) return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(bytes->constData(), static_cast<uint32_t>(bytes->size()), &root);
    const PlistHandle handle(root);
    if (!root || plist_get_node_type(root) != PLIST_DICT) return std::nullopt;
    return dictToMap(root, 0);
}

std::optional<QVariant> AccountPreferencesReader::value(const QString& key, const QString& appID,
                                                        const QString& homeFolder) {
    const auto contents = plistContents(appID, homeFolder);
    if (!contents) return std::nullopt;
    const auto it = contents->constFind(key);
    if (it == contents->constEnd() || !it->isValid()) return std::nullopt;
    return *it;
}

std::optional<QString> AccountPreferencesReader::string(const QString& key, const QString& appID,
                                                        const QString& homeFolder) {
    const auto v = value(key, appID, homeFolder);
    if (!v || v->typeId() != QMetaType::QString) return std::nullopt;
    return v->toString();
}

QStringList AccountPreferencesReader::keys(const QString& appID, const QString& homeFolder) {
    const auto contents = plistContents(appID, homeFolder);
    return contents ? contents->keys() : QStringList{};
}

QStringList AccountPreferencesReader::keySuffixes(const QString& appID, const QString& prefix,
                                                  const QString& homeFolder) {
    QSet<QString> seen;
    QStringList suffixes;
    for (const QString& key : keys(appID, homeFolder)) {
        if (key.size() <= prefix.size() || !key.startsWith(prefix)) continue;
        const QString suffix = key.mid(prefix.size());
        if (!seen.contains(suffix)) {
            seen.insert(suffix);
            suffixes.append(suffix);
        }
    }
    std::sort(suffixes.begin(), suffixes.end(), codePointLess);
    return suffixes;
}

} // namespace meterix
