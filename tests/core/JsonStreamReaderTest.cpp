#include "core/JsonStreamReader.h"

#include "support/CpuTime.h"
#include "support/GeneratedJson.h"
#include "support/QtPrinters.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace meterix::test {
namespace {

using Options = JsonStreamReader::Options;

QByteArray nested(int levels) {
    // The top-level object is the first level.
    return "{\"a\":" + QByteArray(levels - 1, '[') + QByteArray(levels - 1, ']') + "}";
}

std::optional<QJsonObject> qtReading(const QByteArray& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return document.object();
}

// Every member kept, the reader reads exactly what QJsonDocument reads, and
// refuses what it refuses.
TEST(JsonStreamReader, KeepingEverythingReadsAsQJsonDocumentDoes) {
    const struct {
        const char* name;
        QByteArray text;
        bool readable;
    } rows[] = {
        {"members of every type",
         R"({"s":"v","i":-7,"d":0.1,"t":true,"f":false,"n":null,"o":{"a":[1,{"b":[]}]}})", true},
        {"numbers at the edges",
         R"({"max":9223372036854775807,"min":-9223372036854775808,"u":18446744073709551615,"e":-1.5e3,"w":1.0,"ms":1770721200000,"tiny":4.9e-324,"below":-9223372036854775809,"big":4611686018427387904.0})",
         true},
        {"escapes and UTF-8", "{\"k\":\"\\u00e9\\n\\\"\\\\\\/\",\"\xed\x95\x9c\":\"\\ud83d\\ude00\",\"\":1}",
         true},
        {"a repeated name: the last counts", R"({"a":1,"a":{"x":1,"x":2}})", true},
        {"whitespace around everything", " \t\r\n{ \"a\" : [ 1 , 2 ] }\n ", true},
        {"1024 levels", nested(1024), true},
        {"1025 levels", nested(1025), false},
        {"cut off", R"({"a":{"b":[1,2)", false},
        {"a top-level array", "[1,2]", false},
        {"a top-level number", "7", false},
        {"nothing", "", false},
        {"text after the object", "{} {}", false},
        {"a NUL after the object", QByteArray("{}\0", 3), false},
        {"invalid UTF-8", "{\"a\":\"\xff\xfe\"}", false},
        {"an overlong UTF-8 form", "{\"a\":\"\xc0\xaf\"}", false},
        {"a number beyond a double", R"({"a":1e400})", false},
        {"a number just beyond a double", R"({"a":[2e308]})", false},
        {"a number too small for a double", R"({"a":[4.9e-342]})", false},
        {"zeros with large exponents", R"({"a":[0e23,-0e308]})", true},
        {"a comment", "{\"a\":1 // no\n}", false},
        {"a trailing comma", R"({"a":[1,],})", false},
        {"a single-quoted string", "{'a':1}", false},
    };
    for (const auto& row : rows) {
        const auto read = JsonStreamReader::read(row.text, {});
        EXPECT_EQ(read.has_value(), row.readable) << row.name;
        EXPECT_EQ(qtReading(row.text).has_value(), row.readable) << row.name << " (QJsonDocument)";
        if (read && row.readable) {
            EXPECT_EQ(*read, *qtReading(row.text)) << row.name;
        }
    }
}

// Only the named top-level members are kept, yet the whole document must be
// well-formed. A kept member is measured from the end of its name (the colon
// included) and by its values (keys, scalars and containers); over either
// limit it reads as absent and the other members stay.
TEST(JsonStreamReader, KeepsTheNamedMembersEachWithinTheLimits) {
    const Options options{.members = QStringList{QStringLiteral("a"), QStringLiteral("b")},
                          .limits = {.memberBytes = 12, .memberValues = 4}};
    const struct {
        const char* name;
        QByteArray text;
        std::optional<QByteArray> kept; // as compact JSON
    } rows[] = {
        {"a member after others", R"({"projects":{"/p":{"history":[{"display":"x"}]}},"n":3,"a":{"k":1}})",
         R"({"a":{"k":1}})"},
        {"both, in any order", R"({"b":[1],"x":null,"a":"t"})", R"({"a":"t","b":[1]})"},
        {"a name only nested deeper", R"({"p":{"a":1}})", "{}"},
        {"a name in another case", R"({"A":1})", "{}"},
        {"a malformed member that is skipped", R"({"p":{"x":tru},"a":1})", std::nullopt},
        {"invalid UTF-8 in a skipped member", "{\"p\":\"\xff\",\"a\":1}", std::nullopt},
        {"12 bytes", R"({"a":"123456789","b":1})", R"({"a":"123456789","b":1})"},
        {"13 bytes", R"({"a":"1234567890","b":1})", R"({"b":1})"},
        {"4 values", R"({"a":{"k":[1]},"b":1})", R"({"a":{"k":[1]},"b":1})"},
        {"5 values", R"({"a":[1,2,3,4],"b":1})", R"({"b":1})"},
        {"a repeated name over a limit", R"({"a":1,"a":[1,2,3,4]})", "{}"},
        {"a repeated name within them again", R"({"a":[1,2,3,4],"a":2})", R"({"a":2})"},
    };
    for (const auto& row : rows) {
        const auto read = JsonStreamReader::read(row.text, options);
        ASSERT_EQ(read.has_value(), row.kept.has_value()) << row.name;
        if (read) {
            EXPECT_EQ(QJsonDocument(*read).toJson(QJsonDocument::Compact), *row.kept) << row.name;
        }
    }
}

// QJsonDocument read the half of a pair that a tool left alone; the reader
// keeps the document and puts U+FFFD there, wherever the chunk ends.
TEST(JsonStreamReader, AnUnpairedSurrogateEscapeReadsAsAReplacementCharacter) {
    const QString emoji = QString::fromUtf8("\xf0\x9f\x98\x80");
    const QString bad(QChar(0xFFFD));
    const struct {
        const char* escaped;
        QString value;
    } rows[] = {
        {R"(\ud83d\ude00)", emoji},
        {R"(\ud83d)", bad},
        {R"(\ude00)", bad},
        {R"(\ud83dx)", bad + QLatin1Char('x')},
        {R"(\ud83d\u0041)", bad + QLatin1Char('A')},
        {R"(\ud83d\ud83d\ude00)", bad + emoji},
        {R"(\\ud83d)", QStringLiteral("\\ud83d")},
        {R"(\\\ud83d\ude00)", QLatin1Char('\\') + emoji},
    };
    for (const auto& row : rows) {
        // The escape begins from 13 bytes before the end of the first chunk to
        // just after it: every place where the chunk can cut it.
        for (int shift = 0; shift <= 14; ++shift) {
            const QByteArray pad(JsonStreamReader::kChunkBytes - 28 + shift, 'p');
            const QByteArray text = "{\"pad\":\"" + pad + "\",\"a\":\"" + row.escaped + "\"}";
            const auto read = JsonStreamReader::read(text, {.members = QStringList{QStringLiteral("a")}});
            ASSERT_TRUE(read) << row.escaped << " shifted " << shift;
            EXPECT_EQ(read->value(QLatin1String("a")).toString(), row.value)
                << row.escaped << " shifted " << shift;
        }
    }
}

// A string is kept up to the member byte limit and the rest of it dropped as
// it streams, checked as strictly as kept text: the member holding it reads as
// absent, the others stay, and a fault in the dropped text spoils the document.
// Each row is tried with the limit falling on every byte of its first ten.
TEST(JsonStreamReader, StringsPastTheLimitAreCheckedAndDropped) {
    const QByteArray longText = QByteArray("x").repeated(3 * JsonStreamReader::kChunkBytes);
    const struct {
        const char* name;
        QByteArray text;
        std::optional<QByteArray> kept; // as compact JSON, all members kept
    } rows[] = {
        {"a long skipped value", "{\"s\":\"" + longText + "\",\"a\":1}", R"({"a":1})"},
        {"escapes and characters across the cut",
         "{\"s\":\"\\n\\u00e9\\ud83d\\ude00\xed\x95\x9c\xf0\x9f\x98\x80\\\"\\\\" + longText + "\",\"a\":1}",
         R"({"a":1})"},
        {"a long name", "{\"" + longText + "\":1,\"a\":2}", R"({"a":2})"},
        {"a long string nested in a kept member", "{\"a\":[\"" + longText + "\"],\"b\":1}", R"({"b":1})"},
        {"a comment holding a quote", "{/* \" */\"s\":\"" + longText + "\",// \"\n\"a\":1}", R"({"a":1})"},
        {"invalid UTF-8 after the cut", "{\"s\":\"" + longText + "\xff\"}", std::nullopt},
        {"a surrogate in UTF-8 after the cut", "{\"s\":\"" + longText + "\xed\xa0\x80\"}", std::nullopt},
        {"a control character after the cut", "{\"s\":\"" + longText + "\t\"}", std::nullopt},
        {"an unknown escape after the cut", "{\"s\":\"" + longText + "\\q\"}", std::nullopt},
        {"a bad unicode escape after the cut", "{\"s\":\"" + longText + "\\u12G4\"}", std::nullopt},
        {"an unclosed long string", "{\"s\":\"" + longText, std::nullopt},
        {"a number longer than the limit", "{\"s\":" + QByteArray("1").repeated(200) + ",\"a\":1}",
         std::nullopt},
    };
    for (const auto& row : rows) {
        for (int64_t limit = 100; limit < 110; ++limit) {
            const Options options{.syntax = JsonStreamReader::Syntax::lenient, .limits = {.memberBytes = limit}};
            const auto read = JsonStreamReader::read(row.text, options);
            ASSERT_EQ(read.has_value(), row.kept.has_value()) << row.name << " at " << limit;
            if (read) {
                EXPECT_EQ(QJsonDocument(*read).toJson(QJsonDocument::Compact), *row.kept)
                    << row.name << " at " << limit;
            }
        }
    }
}

// RapidJSON counts a string's length in 32 bits: a string of 4 GiB and more
// crashed it. Generated as it streams, so no file or memory of that size.
TEST(JsonStreamReader, AFourGibibyteStringIsDroppedWithoutACrash) {
    const auto read = JsonStreamReader::read(documentWithALongString((int64_t(1) << 32) + 1),
                                             {.members = QStringList{QStringLiteral("big"), QStringLiteral("a")}});
    ASSERT_TRUE(read);
    EXPECT_EQ(QJsonDocument(*read).toJson(QJsonDocument::Compact), QByteArray(R"({"a":1})"));
}

// QJsonObject keeps its keys sorted: inserting them one at a time in
// descending order moved every key each time (6.7 s for 125,000, against a
// fraction of a second ascending). The order of the keys no longer matters;
// the figures themselves are in bench/JsonStreamReaderBench.
TEST(JsonStreamReader, ManyKeysReadAsFastInAnyOrder) {
    constexpr int kKeys = 125000;
    auto document = [](bool descending) {
        QByteArray text = "{\"o\":{";
        for (int i = 1; i <= kKeys; ++i) {
            const int k = descending ? kKeys + 1 - i : i;
            text += "\"k" + QByteArray::number(1000000 + k) + "\":" + QByteArray::number(k) + ',';
        }
        return text + "\"k1000001\":-1}}";
    };
    double seconds[2] = {};
    for (const bool descending : {false, true}) {
        const QByteArray text = document(descending);
        const double start = threadCpuSeconds();
        const auto read = JsonStreamReader::read(text, {.limits = {.memberValues = 2 * kKeys + 10}});
        seconds[descending] = threadCpuSeconds() - start;
        ASSERT_TRUE(read);
        const QJsonObject o = read->value(QLatin1String("o")).toObject();
        EXPECT_EQ(o.size(), kKeys);
        EXPECT_EQ(o.value(QLatin1String("k1000001")).toInt(), -1) << "the last of a repeated name counts";
        EXPECT_EQ(o.value(QLatin1String("k1125000")).toInt(), kKeys);
    }
    EXPECT_LT(seconds[1], 2 * seconds[0] + 0.1) << seconds[1] << " s descending, " << seconds[0] << " s ascending";
}

} // namespace
} // namespace meterix::test
