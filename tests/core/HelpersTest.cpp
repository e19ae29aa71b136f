#include "core/IsoDate.h"
#include "core/Json.h"
#include "core/Locked.h"
#include "core/MaskedEmail.h"
#include "core/MeterixLog.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/SafeFile.h"
#include "core/SerialExecutor.h"
#include "core/TextUtil.h"
#include "support/TempHome.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace meterix;

TEST(Locked, ConcurrentIncrementsThroughWithValueAreNotLost) {
    Locked<int> box(0);
    auto work = [&] {
        for (int i = 0; i < 1000; ++i)
            box.withValue([](int& v) { ++v; });
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(box.get(), 2000);
}

TEST(Locked, OptionalBoxReadsEmptyUntilWritten) {
    Locked<std::optional<int>> box(std::nullopt);
    EXPECT_FALSE(box.get().has_value());
    box.set(4);
    EXPECT_EQ(box.get(), 4);
}

TEST(SerialExecutor, RunsJobsInOrderAndDrainsOnDestruction) {
    std::vector<int> seen;
    {
        SerialExecutor executor;
        for (int i = 0; i < 500; ++i)
            executor.post([&seen, i] { seen.push_back(i); });
    } // the destructor must run all 500 before joining
    ASSERT_EQ(seen.size(), 500u);
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(seen[static_cast<size_t>(i)], i);
}

TEST(SerialExecutor, SyncWaitsAndNestedSyncDoesNotDeadlock) {
    SerialExecutor executor;
    int value = 0;
    executor.post([&] { value = 1; });
    executor.sync([&] {
        EXPECT_TRUE(executor.isCurrentThread());
        executor.sync([&] { value += 10; }); // would wait for itself if not run inline
    });
    EXPECT_EQ(value, 11);
}

TEST(SerialExecutor, PostAfterStopStillRuns) {
    SerialExecutor executor;
    executor.stop();
    bool ran = false;
    executor.post([&] { ran = true; });
    EXPECT_TRUE(ran);
    executor.stop(); // idempotent
}

TEST(IsoDate, WritesWholeSecondsInUtc) {
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(1767225600123, Qt::UTC); // 2026-01-01 00:00:00.123
    EXPECT_EQ(isoDateString(t), QStringLiteral("2026-01-01T00:00:00Z"));
    const QDateTime offset = QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::OffsetFromUTC, 9 * 3600);
    EXPECT_EQ(isoDateString(offset), QStringLiteral("2026-01-01T00:00:00Z"));
}

TEST(IsoDate, StrictReaderRejectsFractionsAndMissingZones) {
    EXPECT_EQ(parseIsoDate(u"2026-01-01T00:00:00Z"), QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(parseIsoDate(u"2026-01-01T09:00:00+09:00"), QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_FALSE(parseIsoDate(u"2026-01-01T00:00:00.5Z"));
    EXPECT_FALSE(parseIsoDate(u"2026-01-01T00:00:00"));
    EXPECT_FALSE(parseIsoDate(u"2026-02-30T00:00:00Z"));
    EXPECT_FALSE(parseIsoDate(u"2026-01-01T25:00:00Z"));
    EXPECT_FALSE(parseIsoDate(u" 2026-01-01T00:00:00Z"));
    EXPECT_FALSE(parseIsoDate(u""));
}

TEST(IsoDate, Rfc3339ReaderTakesFractionsButNeedsAZone) {
    const auto t = parseRfc3339(u"2026-03-04T05:06:07.891234Z");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->toMSecsSinceEpoch() % 1000, 891);
    EXPECT_EQ(parseRfc3339(u"2026-03-04t05:06:07-01:30"),
              QDateTime(QDate(2026, 3, 4), QTime(6, 36, 7), Qt::UTC));
    EXPECT_FALSE(parseRfc3339(u"2026-03-04T05:06:07.891"));
    EXPECT_FALSE(parseRfc3339(u"2026-03-04T05:06:07+24:00"));
}

TEST(IsoDate, BothReadersAgreeOnTheEdgesOfTheForm) {
    const QDateTime newYear(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    struct Case {
        const char16_t* text;
        std::optional<QDateTime> strict;
        std::optional<QDateTime> rfc3339;
    };
    const Case cases[] = {
        {u"2026-01-01T00:00:00Z\n", newYear, newYear}, // one final line feed, as "$" allowed
        {u"2026-01-01T00:00:00Z\n\n", std::nullopt, std::nullopt},
        {u"2026-01-01T00:00:00Z ", std::nullopt, std::nullopt},
        {u"2026-01-01t00:00:00Z", std::nullopt, newYear},
        {u"2026-01-01 00:00:00Z", std::nullopt, newYear},
        {u"2026-01-01T00:00:00z", std::nullopt, newYear},
        {u"2025-12-31T23:59:60Z", newYear.addSecs(-1), newYear.addSecs(-1)}, // a leap second reads as :59
        {u"2025-12-31T23:59:61Z", std::nullopt, std::nullopt},
        {u"2026-01-01T00:00:00.Z", std::nullopt, std::nullopt},
        {u"2026-01-01T00:00:00.5Z", std::nullopt, newYear.addMSecs(500)},
        {u"2026-01-01T00:00:00.0999999Z", std::nullopt, newYear.addMSecs(99)},
        {u"2026-01-01T02:30:00+02:30", newYear, newYear},
        {u"2025-12-31T21:30:00-02:30", newYear, newYear},
        {u"2026-01-01T00:00:00+02:60", std::nullopt, std::nullopt},
        {u"2026-01-01T00:00:00+0230", std::nullopt, std::nullopt},
        {u"2026-01-01T00:00:00\u0661Z", std::nullopt, std::nullopt}, // digits are ASCII digits only
        {u"\uFF12026-01-01T00:00:00Z", std::nullopt, std::nullopt},
        {u"226-01-01T00:00:00Z", std::nullopt, std::nullopt},
        {u"0000-01-01T00:00:00Z", std::nullopt, std::nullopt},
        {u"0001-01-01T00:30:00+01:00", std::nullopt, std::nullopt},
        {u"9999-12-31T23:30:00-01:00", std::nullopt, std::nullopt},
        {u"9999-12-31T23:59:59Z", QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC),
         QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC)},
    };
    for (const Case& c : cases) {
        const std::string shown = QString::fromUtf16(c.text).toStdString();
        EXPECT_EQ(parseIsoDate(c.text), c.strict) << shown;
        EXPECT_EQ(parseRfc3339(c.text), c.rfc3339) << shown;
    }
}

TEST(Json, ReadsValuesOnlyWhenTheTypeMatchesAndNeverInsertsKeys) {
    const QJsonObject o =
        QJsonDocument::fromJson(
            R"({"s":"x","n":1.5,"i":42,"big":9007199254740993,"f":2.5,"b":true,"o":{},"a":[],"z":null})")
            .object();
    EXPECT_EQ(json::string(o, QLatin1String("s")), QStringLiteral("x"));
    EXPECT_FALSE(json::string(o, QLatin1String("n")));
    EXPECT_EQ(json::number(o, QLatin1String("n")), 1.5);
    EXPECT_FALSE(json::number(o, QLatin1String("s")));
    EXPECT_FALSE(json::number(o, QLatin1String("b")));
    EXPECT_EQ(json::integer(o, QLatin1String("i")), 42);
    EXPECT_EQ(json::integer(o, QLatin1String("big")), Q_INT64_C(9007199254740993));
    EXPECT_FALSE(json::integer(o, QLatin1String("f")));
    EXPECT_EQ(json::boolean(o, QLatin1String("b")), true);
    EXPECT_FALSE(json::boolean(o, QLatin1String("i")));
    EXPECT_TRUE(json::object(o, QLatin1String("o")));
    EXPECT_TRUE(json::array(o, QLatin1String("a")));
    EXPECT_TRUE(json::isAbsent(o, QLatin1String("z")));
    EXPECT_TRUE(json::isAbsent(o, QLatin1String("missing")));
    EXPECT_FALSE(json::string(o, QLatin1String("missing")));
    EXPECT_FALSE(o.contains(QLatin1String("missing")));
    EXPECT_FALSE(json::parseObject("[1]"));
    EXPECT_FALSE(json::parseObject("{\"a\":1e400}"));
    EXPECT_FALSE(json::parseObject("{"));
}

TEST(Numbers, FiniteParserRejectsEverythingButAFiniteNumber) {
    EXPECT_EQ(parseFiniteDouble(u" 12.5 "), 12.5);
    EXPECT_EQ(parseFiniteDouble(u"-3e2"), -300.0);
    for (const char16_t* bad : {u"nan", u"NaN", u"inf", u"-inf", u"1e400", u"", u"12abc", u"1,5", u"0x10"})
        EXPECT_FALSE(parseFiniteDouble(bad)) << QString::fromUtf16(bad).toStdString();
}

TEST(Numbers, ConversionsSaturateInsteadOfOverflowing) {
    EXPECT_EQ(saturatingInt64(std::nan("")), 0);
    EXPECT_EQ(saturatingInt64(1e300), static_cast<int64_t>(9.2e18));
    EXPECT_EQ(saturatingInt64(-1e300), static_cast<int64_t>(-9.2e18));
    EXPECT_EQ(saturatingInt64(std::numeric_limits<double>::infinity()), static_cast<int64_t>(9.2e18));
    EXPECT_EQ(saturatingInt64(-2.9), -2);
    EXPECT_EQ(wholeCountdownSeconds(2.9), 2);
    EXPECT_EQ(wholeCountdownSeconds(-5), 0);
    EXPECT_EQ(wholeCountdownSeconds(std::nan("")), 0);
    EXPECT_EQ(wholeCountdownSeconds(1e300), static_cast<int64_t>(kMaxCountdownSeconds));
    EXPECT_EQ(clampPercentage(std::nan("")), 100.0);
    EXPECT_EQ(clampPercentage(-0.5), 0.0);
    EXPECT_EQ(clampPercentage(100.5), 100.0);
}

// Percentages and countdowns reach the views from providers and from the decoded
// store unclamped: whatever they hold, the shown figure is defined.
TEST(Numbers, DisplayedFiguresAreGuardedAgainstEveryReading) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        double reading;
        std::optional<int64_t> percent;
        std::optional<int64_t> countdown;
    };
    for (const Row& r : {Row{74.6, 75, 74}, Row{74.5, 75, 74}, Row{-0.5, -1, 0}, Row{150, 150, 150},
                         Row{1e300, 999, static_cast<int64_t>(kMaxCountdownSeconds)}, Row{-1e300, -999, 0},
                         Row{59.9, 60, 59}, Row{44.49, 44, 44}, Row{std::nan(""), std::nullopt, std::nullopt},
                         Row{inf, std::nullopt, std::nullopt}, Row{-inf, std::nullopt, std::nullopt}}) {
        EXPECT_EQ(displayedPercent(r.reading), r.percent) << r.reading;
        EXPECT_EQ(displayedCountdownSeconds(r.reading), r.countdown) << r.reading;
    }
    EXPECT_EQ(displayInteger(2.5, 0, 2, DisplayRounding::halfAwayFromZero), 2);
    EXPECT_EQ(noFigureText(), QStringLiteral("---"));
}

TEST(TextUtil, CharactersAreGraphemeClusters) {
    const QString family = QStringLiteral("👨‍👩‍👧x");
    EXPECT_EQ(firstCharacter(family), QStringLiteral("👨‍👩‍👧"));
    EXPECT_EQ(characterCount(family), 2);
    EXPECT_EQ(firstCharacters(QStringLiteral("한글abc"), 3), QStringLiteral("한글a"));
    EXPECT_EQ(lastCharacters(QStringLiteral("e\u0301te\u0301"), 2), QStringLiteral("te\u0301"));
    EXPECT_EQ(firstCharacter(QString()), QString());
    EXPECT_EQ(firstCharacters(QStringLiteral("ab"), 5), QStringLiteral("ab"));
    // Never half of a surrogate pair, whatever follows it.
    EXPECT_EQ(firstCharacter(QStringLiteral("\U0001F440\u0D4E")), QStringLiteral("\U0001F440"));
}

TEST(TextUtil, CodePointOrderPutsAstralCharactersLast) {
    const QString astral = QStringLiteral("\U0001F600");
    const QString fullwidthA = QStringLiteral("\uFF21");
    EXPECT_TRUE(astral < fullwidthA); // QString's own order: UTF-16 units
    EXPECT_TRUE(codePointLess(fullwidthA, astral));
    EXPECT_FALSE(codePointLess(astral, fullwidthA));
    EXPECT_TRUE(codePointLess(QStringLiteral("ab"), QStringLiteral("abc")));
    EXPECT_EQ(codePointCompare(QStringLiteral("x"), QStringLiteral("x")), 0);
}

TEST(TextUtil, CapitalizeSplitsOnWhiteSpaceOnly) {
    EXPECT_EQ(capitalizeWords(QStringLiteral("pro  max-plan\tteam")), QStringLiteral("Pro  Max-plan\tTeam"));
    EXPECT_EQ(capitalizeWords(QStringLiteral("CHATGPT plus")), QStringLiteral("Chatgpt Plus"));
    EXPECT_EQ(capitalizeWords(QString()), QString());
}

// Text of others is UTF-8 throughout or nothing; a window's cut first
// character loses only its continuation bytes.
TEST(TextUtil, StrictUtf8TakesWholeTextsOnly) {
    const struct {
        QByteArray bytes;
        std::optional<QString> text;
        QByteArray uncut;
    } rows[] = {
        {"key", QStringLiteral("key"), "key"},
        {"\xEA\xB8\x80x", QStringLiteral("글x"), "\xEA\xB8\x80x"},
        {"\xB8\x80x", std::nullopt, "x"},
        {"\xC0\xAF", std::nullopt, "\xC0\xAF"},       // overlong
        {"\xED\xA0\x80", std::nullopt, "\xED\xA0\x80"}, // a surrogate
        {"\x80\x80\x80\x80", std::nullopt, "\x80"},   // at most three are dropped
    };
    for (const auto& row : rows) {
        EXPECT_EQ(strictUtf8(row.bytes), row.text) << row.bytes.toHex().toStdString();
        EXPECT_EQ(withoutCutFirstCharacter(row.bytes), row.uncut) << row.bytes.toHex().toStdString();
    }
}

struct MaskedRow {
    const char* text;
    const char* shown;
};

template <size_t N>
void expectMasked(const MaskedRow (&rows)[N]) {
    for (const auto& row : rows) {
        const QString text = QString::fromUtf8(row.text);
        EXPECT_EQ(maskEmailAddresses(text), QString::fromUtf8(row.shown)) << row.text;
        EXPECT_EQ(maskEmailAddresses(maskEmailAddresses(text)), QString::fromUtf8(row.shown)) << row.text;
        // A whole address (one the text finds) reads as the account label's rule writes it.
        const auto blank = [](QChar c) { return c.isSpace(); };
        if (const auto whole = maskedEmail(text);
            whole && maskEmailAddresses(text) != text && std::none_of(text.begin(), text.end(), blank) &&
            text.count(QLatin1Char('@')) == 1 && text.indexOf(QLatin1Char('@')) + 1 < text.size()) {
            EXPECT_EQ(maskEmailAddresses(text), *whole) << row.text;
        }
    }
}

TEST(MaskedEmail, EveryAddressInATextIsMaskedAndNothingElse) {
    const MaskedRow rows[] = {
        // Where the address stands.
        {"mina.kim@example.com", "m***@example.com"},
        {"mina.kim@example.com's Organization", "m***@example.com's Organization"},
        {"Claude Max · mina.kim@example.com's Organi…", "Claude Max · m***@example.com's Organi…"},
        {"Team of mina.kim@example.com", "Team of m***@example.com"},
        {"Owner: <mina.kim@example.com>, shared", "Owner: <m***@example.com>, shared"},
        // Two in one text; a sentence's full stop and a hyphen stay outside.
        {"a.b@x.org and c_d+e@mail.y.co.kr.", "a***@x.org and c***@mail.y.co.kr."},
        {"ops@example.com;dev@example.com - ", "o***@example.com;d***@example.com - "},
        {"mail ops@example.com-", "mail o***@example.com-"},
        // Any script; the first character is a user-perceived one.
        {"민아@예시.한국의 조직", "민***@예시.한국의 조직"},
        {"👨‍👩‍👧fam@example.com", "👨‍👩‍👧***@example.com"},
        // A joiner that joins nothing goes; a character is never cut in two.
        {"m\u200dina@x.com", "m***@x.com"},
        {"\U0001F440\u0d4e@ex.in", "\U0001F440***@ex.in"},
        // Masked already: unchanged.
        {"m***@example.com's Organization", "m***@example.com's Organization"},
        // A run of "@"s: each one begins an address of its own.
        {"a@b@c.com", "a***@b***@c.com"},
        {"x@mina@example.com", "x***@m***@example.com"},
        {"ab@@cd@e.org", "ab@@c***@e.org"},
        // Invisible characters before the "@", after it or in the local part
        // do not hide an address from masking, and are left out with it.
        {"mina\u200b@example.com", "m***@example.com"},
        {"mi\u00adna\u200e@exam\u2060ple.com\ufeff is", "m***@example.com is"},
        {"\u200fmina\u202e@\u200bexample.com", "m***@example.com"},
        // Text written backwards under an override: an override before an
        // address in its paragraph goes, so no address can be reordered into view.
        {"\u202emoc.elpmaxe@mik.anim", "m***@mik.anim"},
        // Other ways of writing the "@", kept as they are written.
        {"mina\uff20example.com", "m***\uff20example.com"},
        {"mina\ufe6bexample.com", "m***\ufe6bexample.com"},
        {"failed: https://x.io/u/mina%40example.com/keys", "failed: https://x.io/u/m***%40example.com/keys"},
        {"mina%2540example.com", "m***%2540example.com"},
        {"mina&#064;example.com lee&#x040;ex.kr kim&#X40example.com",
         "m***&#064;example.com l***&#x040;ex.kr k***&#X40example.com"},
        {"mina&commat;example.com, lee&amp;#64;example.com", "m***&commat;example.com, l***&amp;#64;example.com"},
        {"{\"to\":\"mina\\u0040example.com\"} mina\\x40ex.kr", "{\"to\":\"m***\\u0040example.com\"} m***\\x40ex.kr"},
        {"s\\u{40}ex.kr p%u0040ex.kr", "s***\\u{40}ex.kr p***%u0040ex.kr"},
        {"mina%4\u200b0example.com", "m***%40example.com"},
        // Escapes of other characters are no at sign.
        {"mina&#65;ex.com mina%41ex.com mina\\u0041ex.com", "mina&#65;ex.com mina%41ex.com mina\\u0041ex.com"},
        // A local part is all a reader takes for one: a look-alike of a full
        // stop is inside it, a full-width colon or bracket ends it.
        {"mina\u2024kim@example.com", "m***@example.com"},
        {"mina@example\u2024com\u200b.", "m***@example\u2024com."},
        {"\uff08로그인 계정\uff1amina\u00b7kim@example.com\uff09", "\uff08로그인 계정\uff1am***@example.com\uff09"},
        // No address: no local part, no domain, or no "@" at all.
        {"@mention and @x.com", "@mention and @x.com"},
        {"a@ b", "a@ b"},
        {"Claude Max", "Claude Max"},
        {"", ""},
    };
    expectMasked(rows);
}

// Only a named domain makes an address, an address split by a line break or
// with a quoted local part is still one, and the bidi controls outside an
// address stay, but for an override that could reorder one.
TEST(MaskedEmail, AddressesAreNamedFoundSplitOrQuotedAndBidiControlsStayOutside) {
    const MaskedRow rows[] = {
        // An override before an address in its paragraph goes.
        {"\u202e abc mina@example.com", " abc m***@example.com"},
        // Every other bidi control stays outside addresses, and an override
        // stays in a paragraph without one or after it.
        {"Team\u2067 of mina@example.com\u2069", "Team\u2067 of m***@example.com"},
        {"\u200f\u05e6\u05d5\u05d5\u05ea mina@example.com \u200f", "\u200f\u05e6\u05d5\u05d5\u05ea m***@example.com \u200f"},
        {"\u202eabc\nmina@example.com \u202dx", "\u202eabc\nm***@example.com \u202dx"},
        {"\u202eedualC", "\u202eedualC"},
        // A domain is a name: a full stop and a last label led by a letter.
        {"claude-3-5-sonnet-v2@20241022", "claude-3-5-sonnet-v2@20241022"},
        {"python@3.12 and Team@Work plan", "python@3.12 and Team@Work plan"},
        {"a@.com", "a@.com"},
        // An address split by a line break before or after its "@" or inside
        // its domain; a break after a whole domain ends it.
        {"mina.kim\n@example.com", "m***\n@example.com"},
        {"mina.kim@\r\nexample.com", "m***@\r\nexample.com"},
        {"mina.kim@exam\u2028ple.com", "m***@exam\u2028ple.com"},
        {"mina.kim@example.\u2029com", "m***@example.\u2029com"},
        {"see you@home\nTomorrow", "see you@home\nTomorrow"},
        // A local part in quotation marks, blanks and all.
        {"Signed in as \"mina.kim\"@example.com.", "Signed in as \"m***\"@example.com."},
        {"\"mina kim\"@x.org", "\"m***\"@x.org"},
    };
    expectMasked(rows);
}

TEST(MaskedEmail, AWholeAddressIsMaskedWithoutControlsOrAddressesLeftInIt) {
    const struct {
        const char* address;
        std::optional<const char*> shown;
    } rows[] = {
        {"mina.kim@example.com", "m***@example.com"},
        // Everything before the first "@" is hidden, controls included.
        {"\u202emoc.elpmaxe@mik.anim", "m***@mik.anim"},
        {"Mina \u200dKim <mina@x.com>", "M***@x.com>"},
        // An address after the first "@" is masked as well.
        {"x@mina@example.com", "x***@m***@example.com"},
        // No "@" after a character: masked as a text, or nothing to change.
        {"\u200b\u202e@moc.elpmaxe@mik.anim", "\u200b@m***@mik.anim"},
        {"no-at-sign\u200f", std::nullopt},
        // An account's address is one, whatever its domain; quoted, it keeps its marks.
        {"python@3.12", "p***@3.12"},
        {"\"mina.kim\"@example.com", "\"m***\"@example.com"},
        {"@x.com", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        const auto shown = maskedEmail(QString::fromUtf8(row.address));
        ASSERT_EQ(shown.has_value(), row.shown.has_value()) << row.address;
        if (shown) {
            EXPECT_EQ(*shown, QString::fromUtf8(*row.shown)) << row.address;
        }
    }
}

// Masking looks at each character a bounded number of times, whatever runs
// the text is made of: a backslash once read the rest of its run again from
// each of its characters.
TEST(MaskedEmail, TheWorkIsLinearInTheTextWhateverItsRuns) {
    const char* runs[] = {
        "\\", "\\\\u{0", "%25", "&amp;", "&#0", "\xef\xbc\xbc", "@", "a@", "a.", "\"", "\"a\"@", "\n@", "a@b\n",
        "a@b.", "\xe2\x80\xae", "a@b.c ", "mina.kim@example.com ",
    };
    for (const char* run : runs) {
        QString text;
        while (text.size() < 16 * 1024)
            text += QString::fromUtf8(run);
        const MaskingWork work = maskEmailAddressesCounted(text);
        EXPECT_EQ(work.text, maskEmailAddresses(text)) << run;
        EXPECT_LE(work.characterVisits, 24 * text.size()) << run;
    }
}

// What a screen shows of a text from outside: whole up to the limit, cut with
// "…" past it (a path at its start), never inside a character.
TEST(ShownText, ATextFromOutsideIsCutToTheLimit) {
    const QString flag = QStringLiteral("\U0001F1F0\U0001F1F7");
    const struct {
        QString text;
        QString name, path;
    } rows[] = {
        {QStringLiteral("abcd"), QStringLiteral("abcd"), QStringLiteral("abcd")},
        {QStringLiteral("abcdef"), QStringLiteral("abc…"), QStringLiteral("…def")},
        {flag.repeated(6), flag.repeated(3) + QStringLiteral("…"), QStringLiteral("…") + flag.repeated(3)},
        {QString(1 << 20, QLatin1Char('\\')), QStringLiteral("\\\\\\…"), QStringLiteral("…\\\\\\")},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(shownText(row.text, 4), row.name) << row.text.left(8).toStdString();
        EXPECT_EQ(shownPath(row.text, 4), row.path) << row.text.left(8).toStdString();
    }
    EXPECT_EQ(shownWord(QStringLiteral("  Fable\t 2  ")), QStringLiteral("Fable 2"));
    EXPECT_EQ(shownWord(QStringLiteral("Fa\u202Eble")), std::nullopt);
}

TEST(SafeFile, ReadsRegularFilesUnderTheCapOnly) {
    test::TempHome home;
    const QString small = home.write(QStringLiteral("a.json"), "{\"a\":1}");
    EXPECT_EQ(readRegularFile(small), QByteArray("{\"a\":1}"));
    EXPECT_FALSE(readRegularFile(small, 3)); // over the cap reads as absent
    EXPECT_FALSE(readRegularFile(home.mkdir(QStringLiteral("folder"))));
    EXPECT_FALSE(readRegularFile(home.file(QStringLiteral("missing"))));
    EXPECT_FALSE(readRegularFile(QString()));
    EXPECT_EQ(readRegularFileRange(small, 2, 3), QByteArray("a\":"));
    EXPECT_EQ(readRegularFileRange(small, 100, 3), QByteArray());
    ASSERT_TRUE(regularFileInfo(small));
    EXPECT_EQ(regularFileInfo(small)->size, 7);
}

TEST(SafeFile, AFifoReadsAsAbsentWithoutBlocking) {
    test::TempHome home;
    const QString fifo = home.file(QStringLiteral("pipe.json"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_FALSE(readRegularFile(fifo)); // a blocking open would hang here forever
    EXPECT_FALSE(readRegularFileRange(fifo, 0, 10));
    EXPECT_FALSE(regularFileInfo(fifo));
    EXPECT_FALSE(readRegularFile(QStringLiteral("/dev/zero")));
}

TEST(Paths, JoinKeepsThePathAsWritten) {
    EXPECT_EQ(joinPath(QStringLiteral("/home/u/"), QStringLiteral(".codex")),
              QStringLiteral("/home/u/.codex"));
    EXPECT_EQ(joinPath(QStringLiteral("/home/u"), QStringLiteral("/a")), QStringLiteral("/home/u/a"));
    EXPECT_EQ(joinPath(QStringLiteral("/"), QStringLiteral("etc")), QStringLiteral("/etc"));
    EXPECT_EQ(joinPath(QStringLiteral("/a/../b"), QStringLiteral("c")), QStringLiteral("/a/../b/c"));
    EXPECT_EQ(joinPath(QString(), QStringLiteral("c")), QStringLiteral("c"));
}

TEST(Paths, LastComponentIgnoresTrailingSlashes) {
    EXPECT_EQ(lastPathComponent(QStringLiteral("/home/u/.claude-work/")), QStringLiteral(".claude-work"));
    EXPECT_EQ(lastPathComponent(QStringLiteral("name")), QStringLiteral("name"));
    EXPECT_EQ(lastPathComponent(QStringLiteral("/")), QString());
}

TEST(Paths, FoldersFollowTheEnvironment) {
    EXPECT_EQ(homeFolder(), qEnvironmentVariable("HOME"));
    EXPECT_EQ(configHome(), qEnvironmentVariable("XDG_CONFIG_HOME"));
    EXPECT_TRUE(meterixDataFolder().endsWith(QStringLiteral("/Meterix")));
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "relative/path"); // ignored: XDG folders must be absolute
    EXPECT_EQ(configHome(), joinPath(homeFolder(), QStringLiteral(".config")));
    qputenv("XDG_CONFIG_HOME", saved);
}

TEST(MeterixLog, PrivateValuesAreRedactedUnlessAskedFor) {
    EXPECT_EQ(MeterixLog::priv(QStringLiteral("me@example.com")), QStringLiteral("<private>"));
    MeterixLog::setShowsPrivateValues(true);
    EXPECT_EQ(MeterixLog::priv(QStringLiteral("me@example.com")), QStringLiteral("me@example.com"));
    MeterixLog::setShowsPrivateValues(false);
    for (const auto& [value, asked] : {std::pair{"1", true}, std::pair{"", false}, std::pair{"true", false}})
        EXPECT_EQ(MeterixLog::privateValuesAskedFor(QString::fromLatin1(value)), asked) << value;
    EXPECT_STREQ(logProvider().categoryName(), "com.meterix.provider");
    EXPECT_STREQ(logProbeGate().categoryName(), "com.meterix.ProbeGate");
}
