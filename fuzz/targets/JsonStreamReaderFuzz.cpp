// The streaming reader of other tools' JSON (Claude Code's configuration of any
// size, editors' settings with comments). The first byte picks the limits. A
// reading keeps only the members asked for, exactly as the whole document
// holds them, each within the limits; the lenient syntax reads everything the
// strict one reads, the same way. Against QJsonDocument: what the reader reads,
// it reads as QJsonDocument does (but for unpaired surrogate escapes, which the
// reader mends); and whatever QJsonDocument reads, written out as standard
// JSON, the reader reads back the same. (QJsonDocument also takes some text
// that is not JSON, such as "\a", "1." or raw control characters in strings,
// which the reader refuses.) Strings and numbers longer than the member limit:
// under the small limits, a reading holds no longer text, reads nothing that
// the default limits read differently, and reads only where they read.
#include "FuzzTarget.h"

#include "core/JsonStreamReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>

using namespace meterix;

namespace {

int64_t valuesIn(const QJsonValue& value) {
    int64_t n = 1;
    if (value.isObject())
        for (const QJsonValue& member : value.toObject())
            n += 1 + valuesIn(member);
    else if (value.isArray())
        for (const QJsonValue& element : value.toArray())
            n += valuesIn(element);
    return n;
}

// The longest key or string inside a value, in UTF-8 bytes.
qsizetype longestText(const QJsonValue& value) {
    qsizetype longest = value.isString() ? value.toString().toUtf8().size() : 0;
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            longest = std::max({longest, it.key().toUtf8().size(), longestText(it.value())});
    } else if (value.isArray()) {
        for (const QJsonValue& element : value.toArray())
            longest = std::max(longest, longestText(element));
    }
    return longest;
}

// Free of what the reader and QJsonDocument are meant to read differently.
bool qtComparable(const QByteArray& text) {
    static const QRegularExpression surrogate(QStringLiteral("\\\\u[dD][89a-fA-F]"));
    return !QString::fromLatin1(text).contains(surrogate);
}

} // namespace

METERIX_FUZZ_TARGET(json_stream_reader) {
    if (size < 1) return;
    const bool small = data[0] & 1;
    const QByteArray text = fuzz::bytes(data + 1, size - 1);
    const JsonStreamReader::Limits limits =
        small ? JsonStreamReader::Limits{.memberBytes = 64, .memberValues = 8} : JsonStreamReader::Limits{};
    const QStringList wanted{QStringLiteral("oauthAccount"), QStringLiteral("cachedUsageUtilization")};

    const auto all = JsonStreamReader::read(text, {.limits = limits});
    const auto some = JsonStreamReader::read(text, {.members = wanted, .limits = limits});
    const auto lenient =
        JsonStreamReader::read(text, {.syntax = JsonStreamReader::Syntax::lenient, .limits = limits});

    METERIX_FUZZ_CHECK(all.has_value() == some.has_value());
    if (small && all) {
        const auto roomy = JsonStreamReader::read(text, {});
        METERIX_FUZZ_CHECK(roomy.has_value());
        for (auto it = all->begin(); roomy && it != all->end(); ++it) {
            METERIX_FUZZ_CHECK(roomy->value(it.key()) == it.value());
            METERIX_FUZZ_CHECK(longestText(it.value()) <= limits.memberBytes);
        }
    }
    if (!small) {
        const QJsonDocument document = QJsonDocument::fromJson(text);
        if (all && qtComparable(text)) METERIX_FUZZ_CHECK(document.isObject() && document.object() == *all);
        if (document.isObject()) {
            const QByteArray standard = document.toJson();
            if (qtComparable(standard))
                METERIX_FUZZ_CHECK(JsonStreamReader::read(standard, {}) == std::optional(document.object()));
        }
    }
    if (!all) return;
    QJsonObject expected;
    for (const QString& name : wanted)
        if (all->contains(name)) expected.insert(name, all->value(name));
    METERIX_FUZZ_CHECK(*some == expected);
    METERIX_FUZZ_CHECK(lenient && *lenient == *all);
    for (const QJsonValue& member : *all)
        METERIX_FUZZ_CHECK(valuesIn(member) <= limits.memberValues);
}
