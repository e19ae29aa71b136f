#include "accounts/AccountPreferencesReader.h"

#include "accounts/PropertyListScreen.h"

#include "support/TempHome.h"

#include <QDateTime>
#include <QThread>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <cstdlib>
#include <memory>

using namespace meterix;
using meterix::test::TempHome;

namespace {

const QString kApp = QStringLiteral("com.example.chat");

QByteArray xmlPlist(const QByteArray& dictBody) {
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>)") +
           dictBody + QByteArray("</dict></plist>\n");
}

// The binary form of a list, written by libplist itself; the list is freed.
QByteArray toBinary(plist_t root) {
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    QByteArray out(bytes, static_cast<qsizetype>(length));
    std::free(bytes);
    plist_free(root);
    return out;
}

// The same preferences in the binary form.
QByteArray binaryPlist() {
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "accountEmail", plist_new_string("kim@example.com"));
    plist_dict_set_item(root, "count", plist_new_uint(42));
    plist_dict_set_item(root, "ratio", plist_new_real(0.5));
    plist_dict_set_item(root, "on", plist_new_bool(1));
    plist_t list = plist_new_array();
    plist_array_append_item(list, plist_new_string("a"));
    plist_dict_set_item(root, "list", list);
    return toBinary(root);
}

QString prefsPath(const QString& app = kApp) {
    return QStringLiteral("Library/Preferences/") + app + QStringLiteral(".plist");
}

} // namespace

TEST(AccountPreferencesReader, ReadsXmlValuesOfEveryType) {
    TempHome home;
    home.write(prefsPath(), xmlPlist(R"(
<key>name</key><string>Kim 민지</string>
<key>n</key><integer>-7</integer>
<key>r</key><real>2.5</real>
<key>yes</key><true/>
<key>when</key><date>2001-01-02T00:00:00Z</date>
<key>blob</key><data>AAEC</data>
<key>nested</key><dict><key>inner</key><string>v</string></dict>)"));
    EXPECT_EQ(AccountPreferencesReader::string(QStringLiteral("name"), kApp, home.path()),
              QStringLiteral("Kim 민지"));
    EXPECT_EQ(AccountPreferencesReader::value(QStringLiteral("n"), kApp, home.path())->toLongLong(), -7);
    EXPECT_DOUBLE_EQ(AccountPreferencesReader::value(QStringLiteral("r"), kApp, home.path())->toDouble(),
                     2.5);
    EXPECT_EQ(AccountPreferencesReader::value(QStringLiteral("yes"), kApp, home.path())->toBool(), true);
    EXPECT_EQ(AccountPreferencesReader::value(QStringLiteral("when"), kApp, home.path())->toDateTime(),
              QDateTime(QDate(2001, 1, 2), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(AccountPreferencesReader::value(QStringLiteral("blob"), kApp, home.path())->toByteArray(),
              QByteArray("\x00\x01\x02", 3));
    EXPECT_EQ(AccountPreferencesReader::value(QStringLiteral("nested"), kApp, home.path())
                  ->toMap()
                  .value(QStringLiteral("inner"))
                  .toString(),
              QStringLiteral("v"));
    // A value of another type is no string.
    EXPECT_FALSE(AccountPreferencesReader::string(QStringLiteral("n"), kApp, home.path()));
    EXPECT_FALSE(AccountPreferencesReader::value(QStringLiteral("missing"), kApp, home.path()));
}

TEST(AccountPreferencesReader, ReadsBinaryPropertyLists) {
    TempHome home;
    home.write(prefsPath(), binaryPlist());
    EXPECT_EQ(AccountPreferencesReader::string(QStringLiteral("accountEmail"), kApp, home.path()),
              QStringLiteral("kim@example.com"));
    EXPECT_EQ(AccountPreferencesReader::value(QStringLiteral("count"), kApp, home.path())->toLongLong(), 42);
    EXPECT_EQ(AccountPreferencesReader::value(QStringLiteral("list"), kApp, home.path())->toList().size(), 1);
    QStringList keys = AccountPreferencesReader::keys(kApp, home.path());
    keys.sort();
    EXPECT_EQ(keys, (QStringList{QStringLiteral("accountEmail"), QStringLiteral("count"),
                                 QStringLiteral("list"), QStringLiteral("on"), QStringLiteral("ratio")}));
}

TEST(AccountPreferencesReader, BadFilesReadAsAbsent) {
    TempHome home;
    // A binary list cut short, one with a damaged trailer, garbage, an array at the top, an empty file.
    const QByteArray bin = binaryPlist();
    const QList<QByteArray> bad{
        bin.left(bin.size() / 2),
        bin.left(bin.size() - 8) + QByteArray(8, '\xff'),
        QByteArray("bplist00\xff\xff\xff"),
        QByteArray("not a plist at all"),
        QByteArray(R"(<?xml version="1.0"?><plist><array><string>a</string></array></plist>)"),
        QByteArray()};
    for (const QByteArray& contents : bad) {
        home.write(prefsPath(), contents);
        EXPECT_FALSE(AccountPreferencesReader::value(QStringLiteral("accountEmail"), kApp, home.path()));
        EXPECT_TRUE(AccountPreferencesReader::keys(kApp, home.path()).isEmpty());
    }
    const QString fifoApp = QStringLiteral("com.example.fifo");
    home.makeFifo(prefsPath(fifoApp));
    EXPECT_TRUE(AccountPreferencesReader::keys(fifoApp, home.path()).isEmpty());
    const QString hugeApp = QStringLiteral("com.example.huge");
    home.sparseFile(prefsPath(hugeApp), 64LL * 1024 * 1024);
    EXPECT_TRUE(AccountPreferencesReader::keys(hugeApp, home.path()).isEmpty());
    EXPECT_TRUE(AccountPreferencesReader::keys(QStringLiteral("com.example.none"), home.path()).isEmpty());
}

TEST(AccountPreferencesReader, KeySuffixesAreDistinctSortedAndNeverEmpty) {
    TempHome home;
    home.write(prefsPath(), xmlPlist(R"(
<key>acct_</key><string>x</string>
<key>acct_zeta</key><string>x</string>
<key>acct_alpha</key><string>x</string>
<key>other</key><string>x</string>)"));
    EXPECT_EQ(AccountPreferencesReader::keySuffixes(kApp, QStringLiteral("acct_"), home.path()),
              (QStringList{QStringLiteral("alpha"), QStringLiteral("zeta")}));
}

TEST(AccountPreferencesReader, FileLivesUnderLibraryPreferences) {
    EXPECT_EQ(AccountPreferencesReader::preferencesFile(QStringLiteral("com.openai.chat"),
                                                        QStringLiteral("/home/u/")),
              QStringLiteral("/home/u/Library/Preferences/com.openai.chat.plist"));
}

namespace {

// A binary list by hand: objects as given (marker and body), 4-byte offsets and
// references, object 0 at the top.
QByteArray handBinary(const QList<QByteArray>& objects) {
    QByteArray out("bplist00");
    QList<quint32> offsets;
    for (const QByteArray& o : objects) {
        offsets.append(static_cast<quint32>(out.size()));
        out += o;
    }
    const quint64 table = static_cast<quint64>(out.size());
    const auto be = [](quint64 v, int n) {
        QByteArray b(n, '\0');
        for (int i = n - 1; i >= 0; --i, v >>= 8)
            b[i] = static_cast<char>(v & 0xff);
        return b;
    };
    for (quint32 o : offsets)
        out += be(o, 4);
    out += QByteArray(6, '\0') + be(4, 1) + be(4, 1) + be(static_cast<quint64>(objects.size()), 8) +
           be(0, 8) + be(table, 8);
    return out;
}

QByteArray bigEndian32(quint32 v) {
    const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
    return QByteArray(b, 4);
}

// A container object (0xA array, 0xD dictionary) of count elements and its
// 4-byte references.
QByteArray container(int type, qsizetype count, const QList<quint32>& refs) {
    QByteArray o;
    if (count < 0x0f) {
        o.append(static_cast<char>(type << 4 | count));
    } else {
        o.append(static_cast<char>(type << 4 | 0x0f));
        o.append('\x12'); // a 4-byte integer holds the count
        o += bigEndian32(static_cast<quint32>(count));
    }
    for (quint32 r : refs)
        o += bigEndian32(r);
    return o;
}
QByteArray arrayOf(const QList<quint32>& refs) {
    return container(0xa, refs.size(), refs);
}

// A dictionary {"k": object 2} at the top; objects from 2 on as given.
QByteArray topDictOver(const QList<QByteArray>& objects) {
    QList<QByteArray> all{container(0xd, 1, {1, 2}), QByteArray("\x51k")};
    all += objects;
    return handBinary(all);
}

// levels arrays, each holding the next; the last is empty.
QByteArray nestedArrays(int levels) {
    QList<QByteArray> objects;
    for (int i = 1; i < levels; ++i)
        objects.append(arrayOf({static_cast<quint32>(i + 2)}));
    objects.append(arrayOf({}));
    return topDictOver(objects);
}

// libplist writes the list; then the byte at each "~" becomes NUL (one or both
// bytes of a UTF-16 unit), as a hostile writer would leave it.
QByteArray binaryWithNuls() {
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "email", plist_new_string("kim@example.com"));
    plist_dict_set_item(root, "ascii", plist_new_string("a~b"));
    plist_dict_set_item(root, "k~y", plist_new_string("v"));
    plist_dict_set_item(root, "wide", plist_new_string("민~"));
    QByteArray out = toBinary(root);
    for (qsizetype i = 0; i < out.size(); ++i)
        if (out[i] == '~') out[i] = '\0'; // in UTF-16 the unit was 00 7E
    return out;
}

} // namespace

// A NUL inside a string or key (XML or binary) used to abort the whole process
// inside libplist; now that one value or key is absent and the rest reads. So
// is a string that is not UTF-8 throughout.
TEST(AccountPreferencesReader, AStringOrKeyWithANulOrNotUtf8IsAbsentAndTheRestReads) {
    TempHome home;
    const QByteArray nul(1, '\0');
    const struct {
        const char* name;
        QByteArray contents;
        QStringList keys;
    } rows[] = {
        {"the 41-byte list", "<dict><key>a</key><string>" + nul + "</string></dict>", {}},
        {"xml value",
         xmlPlist("<key>email</key><string>kim@example.com</string><key>v</key><string>x" + nul +
                  "y</string>"),
         {QStringLiteral("email")}},
        {"xml key",
         xmlPlist("<key>email</key><string>kim@example.com</string><key>k" + nul +
                  "y</key><string>v</string>"),
         {QStringLiteral("email")}},
        {"binary", binaryWithNuls(), {QStringLiteral("email")}},
        {"xml value not UTF-8",
         xmlPlist("<key>email</key><string>kim@example.com</string><key>v</key><string>x\xFFy</string>"),
         {QStringLiteral("email")}},
    };
    for (const auto& row : rows) {
        home.write(prefsPath(), row.contents);
        QStringList keys = AccountPreferencesReader::keys(kApp, home.path());
        keys.sort();
        // A key whose value is absent is listed, its value is not.
        keys.removeIf(
            [&](const QString& k) { return !AccountPreferencesReader::value(k, kApp, home.path()); });
        EXPECT_EQ(keys, row.keys) << row.name;
        EXPECT_EQ(AccountPreferencesReader::string(QStringLiteral("email"), kApp, home.path()),
                  row.keys.isEmpty() ? std::nullopt
                                     : std::optional<QString>(QStringLiteral("kim@example.com")))
            << row.name;
    }
}

// 100,000 nested arrays (900 KB) used to overflow the stack inside libplist.
TEST(AccountPreferencesReader, DeepOrExplodingListsAreRefusedBeforeParsing) {
    TempHome home;
    const auto nested = [](int depth, const QByteArray& inner) {
        QByteArray xml =
            "<plist version=\"1.0\"><dict><key>email</key><string>kim@example.com</string><key>n</key>";
        for (int i = 0; i < depth; ++i)
            xml += "<array>";
        xml += inner;
        for (int i = 0; i < depth; ++i)
            xml += "</array>";
        return xml + "</dict></plist>";
    };
    // Thirty levels of arrays holding the next level twice: 2^30 nodes from 33 objects.
    QList<QByteArray> doubling;
    for (quint32 i = 0; i < 30; ++i)
        doubling.append(arrayOf({i + 3, i + 3}));
    doubling.append(arrayOf({}));
    // One array of 200,000 references to one empty array.
    const QList<QByteArray> wide{arrayOf(QList<quint32>(200000, 3)), arrayOf({})};
    const struct {
        const char* name;
        QByteArray contents;
        bool readable;
    } rows[] = {
        {"binary, 100000 levels", nestedArrays(100000), false},
        {"binary, 65 levels", nestedArrays(65), false},
        {"binary, 64 levels", nestedArrays(64), true},
        {"binary, shared objects doubling", topDictOver(doubling), false},
        {"binary, 200000 references", topDictOver(wide), false},
        {"binary, an array holding itself", topDictOver({arrayOf({2})}), false},
        {"binary, a reference past the objects", topDictOver({arrayOf({9})}), false},
        {"xml, 200000 levels", nested(200000, ""), false},
        {"xml, 65 levels", nested(65, ""), false},
        {"xml, 64 levels", nested(64, ""), true},
        {"xml, unclosed comment", nested(1, "<!-- <array>"), false},
    };
    for (const auto& row : rows) {
        home.write(prefsPath(), row.contents);
        EXPECT_EQ(!AccountPreferencesReader::keys(kApp, home.path()).isEmpty(), row.readable) << row.name;
    }
}

namespace {

QByteArray xmlArrays(int levels) {
    return QByteArray("<array>").repeated(levels) + QByteArray("</array>").repeated(levels);
}

// Preferences whose key "n" holds the markup, after a prologue.
QByteArray holding(const QByteArray& markup, const QByteArray& prologue = {}) {
    return prologue +
           "<plist version=\"1.0\"><dict><key>email</key><string>kim@example.com</string><key>n</key>" +
           markup + "</dict></plist>";
}

} // namespace

// libplist reads a double-quoted attribute value, processing instruction or
// document type as one run, '>' and "<!--" included; a screen that ended them at
// the first '>' took the nesting after them for a comment, and libplist then
// overflowed the stack freeing the 500,000 levels it had parsed there.
TEST(AccountPreferencesReader, NestingHiddenFromAScreenThatMisreadsMarkupIsStillRefused) {
    TempHome home;
    const QByteArray quoteComment = R"(<array a="><!--">)";
    const QByteArray quoteCommentEnd = R"(<array a="-->"/></array>)";
    const QByteArray lastComment = "<!-- -->";
    const struct {
        const char* name;
        QByteArray contents;
        bool readable;
    } rows[] = {
        {"a quoted '>' opens a comment, 500000 levels",
         holding(quoteComment + xmlArrays(500000) + quoteCommentEnd), false},
        {"a quoted '>' opens a comment, 1000 levels",
         holding(quoteComment + xmlArrays(1000) + quoteCommentEnd), false},
        {"a quoted '?>' in an instruction",
         holding(R"(<array><? "?><!--" ?>)" + xmlArrays(1000) + lastComment + "</array>"), false},
        {"an instruction ending where it starts", holding("<array><?>" + xmlArrays(1000) + "<?></array>"),
         false},
        {"a quoted '>' in a document type",
         holding("<array>" + xmlArrays(1000) + "</array>", R"(<!DOCTYPE plist "><!--">)") + lastComment,
         false},
        {"a quoted ']>' in an internal subset",
         holding("<array>" + xmlArrays(1000) + "</array>", R"(<!DOCTYPE plist [ "]><!--" ]>)") + lastComment,
         false},
        {"500000 levels never closed", holding(QByteArray("<array>").repeated(500000)), false},
        {"quoted markup that hides nothing",
         holding(R"(<array a="><!--">)" + xmlArrays(3) + "</array>",
                 R"(<?xml version="1.0" note="?>"?><!DOCTYPE plist "]>" [ "]>" ]>)"),
         true},
        // libplist ends this tag at its first '>' and reads the nesting after it.
        {"single quotes are no quotes", holding("<array a='>" + xmlArrays(1000) + "<!--'>--></array>"),
         false},
    };
    for (const auto& row : rows) {
        home.write(prefsPath(), row.contents);
        EXPECT_EQ(!AccountPreferencesReader::keys(kApp, home.path()).isEmpty(), row.readable) << row.name;
    }
}

// Every '<' counts towards the bound wherever it stands, so no reading of the
// markup can admit a larger tree.
TEST(AccountPreferencesReader, AnXmlListWithMoreTagsThanTheBoundIsRefused) {
    TempHome home;
    const qsizetype bound = PropertyListScreen::kMaxXmlTags;
    // The list holding `before`, copies of `unit` (one '<' each), then `after`,
    // with `total` '<' characters in all.
    const auto tags = [](const QByteArray& before, const QByteArray& unit, const QByteArray& after,
                         qsizetype total) {
        return holding(before + unit.repeated(total - holding(before + after).count('<')) + after);
    };
    const struct {
        const char* name;
        QByteArray contents;
        bool readable;
    } rows[] = {
        {"at the bound, in a comment", tags(xmlArrays(3) + "<!--", "<", "-->", bound), true},
        {"one past the bound, in a comment", tags(xmlArrays(3) + "<!--", "<", "-->", bound + 1), false},
        {"one past the bound, in a quoted value",
         tags(R"(<array a=")", "<", R"(">)" + xmlArrays(2) + "</array>", bound + 1), false},
        {"at the bound, as values", tags("<array>", "<true/>", "</array>", bound), true},
        {"one past the bound, as values", tags("<array>", "<true/>", "</array>", bound + 1), false},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(row.contents.count('<'), row.readable ? bound : bound + 1) << row.name;
        home.write(prefsPath(), row.contents);
        EXPECT_EQ(!AccountPreferencesReader::keys(kApp, home.path()).isEmpty(), row.readable) << row.name;
    }
}

// The deepest tree the screen can let libplist build from an XML list has a level
// per '<' it admits, and libplist frees trees recursively: that many levels must
// parse and free on the smallest stack a pool thread gets by default.
TEST(AccountPreferencesReader, TheDeepestXmlTreeTheBoundAdmitsIsFreedOnAPoolThreadStack) {
    constexpr uint kSmallestPoolThreadStack = 2 * 1024 * 1024;
    const int levels = static_cast<int>(PropertyListScreen::kMaxXmlTags);
    const QByteArray xml = "<plist><dict><key>k</key>" + xmlArrays(levels) + "</dict></plist>";
    int depth = 0;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        plist_t root = nullptr;
        plist_from_memory(xml.constData(), static_cast<uint32_t>(xml.size()), &root);
        for (plist_t node = root ? plist_dict_get_item(root, "k") : nullptr;
             plist_get_node_type(node) == PLIST_ARRAY && plist_array_get_size(node) > 0;
             node = plist_array_get_item(node, 0))
            ++depth;
        plist_free(root);
    }));
    thread->setStackSize(kSmallestPoolThreadStack);
    thread->start();
    ASSERT_TRUE(thread->wait());
    EXPECT_EQ(depth, levels - 1);
}
