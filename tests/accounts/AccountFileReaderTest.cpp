#include "accounts/AccountFileReader.h"
#include "accounts/JWTClaims.h"

#include "support/ClaudeConfiguration.h"
#include "support/ProcessReadCounter.h"
#include "support/TempHome.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace meterix;
using meterix::test::TempHome;

namespace {
QByteArray jsonBytes(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
} // namespace

TEST(AccountFileReader, JsonReadsTopLevelObjectsOnly) {
    TempHome home;
    const QString good = home.write(QStringLiteral("a.json"), R"({"k":"v","n":2})");
    const auto o = AccountFileReader::json(good);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->value(QLatin1String("k")).toString(), QStringLiteral("v"));
    EXPECT_FALSE(AccountFileReader::json(home.write(QStringLiteral("arr.json"), "[1,2]")));
    EXPECT_FALSE(AccountFileReader::json(home.write(QStringLiteral("bad.json"), "{\"k\":")));
    EXPECT_FALSE(AccountFileReader::json(home.write(QStringLiteral("empty.json"), "")));
    EXPECT_FALSE(
        AccountFileReader::json(home.write(QStringLiteral("bin.json"), QByteArray("\x00\xff\xfe{", 4))));
    EXPECT_FALSE(AccountFileReader::json(home.file(QStringLiteral("missing.json"))));
    EXPECT_FALSE(AccountFileReader::json(home.mkdir(QStringLiteral("folder.json"))));
}

TEST(AccountFileReader, FifoAndOversizedFilesReadAsAbsentWithoutHanging) {
    TempHome home;
    // Opening a FIFO for reading would block until a writer appears; the scan must not.
    const QString fifo = home.makeFifo(QStringLiteral("config.json"));
    EXPECT_FALSE(AccountFileReader::json(fifo));
    EXPECT_FALSE(AccountFileReader::cachedMembers(fifo, {QStringLiteral("k")}));
    const QString huge = home.sparseFile(QStringLiteral("huge.json"), AccountFileReader::kJsonReadCap + 1);
    EXPECT_FALSE(AccountFileReader::json(huge));
    EXPECT_FALSE(AccountFileReader::cachedMembers(huge, {QStringLiteral("k")}));
    EXPECT_FALSE(AccountFileReader::json(QStringLiteral("/dev/zero")));
}

namespace {
// The cached members that the tests below look at.
std::optional<QJsonObject> cachedAll(const QString& path) {
    return AccountFileReader::cachedMembers(path, {QStringLiteral("a"), QStringLiteral("x"), QStringLiteral("v")});
}
} // namespace

TEST(AccountFileReader, CachedMembersKeepAbsenceUntilTheFileAppears) {
    TempHome home;
    const QString path = home.file(QStringLiteral("later.json"));
    EXPECT_FALSE(cachedAll(path));
    EXPECT_FALSE(cachedAll(path));
    home.write(QStringLiteral("later.json"), R"({"a":1})");
    const auto o = cachedAll(path);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->value(QLatin1String("a")).toInt(), 1);
}

TEST(AccountFileReader, CachedMembersRememberMalformedFileUntilSizeChanges) {
    TempHome home;
    const QString path = home.write(QStringLiteral("c.json"), "{broken");
    EXPECT_FALSE(cachedAll(path));
    const qint64 t = TempHome::modifiedNs(path);
    // Valid JSON of the same size and the same time: not noticed.
    home.write(QStringLiteral("c.json"), R"({"x":1})");
    ASSERT_EQ(QFile(path).size(), 7);
    TempHome::setModifiedNs(path, t);
    EXPECT_FALSE(cachedAll(path));
    // Another size: read again.
    home.write(QStringLiteral("c.json"), R"({"x":12})");
    TempHome::setModifiedNs(path, t);
    const auto o = cachedAll(path);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->value(QLatin1String("x")).toInt(), 12);
}

TEST(AccountFileReader, CachedMembersSeeAChangedTimeWithTheSameSize) {
    TempHome home;
    const QString path = home.write(QStringLiteral("d.json"), R"({"v":1})");
    ASSERT_EQ(cachedAll(path)->value(QLatin1String("v")).toInt(), 1);
    const qint64 t = TempHome::modifiedNs(path);
    home.write(QStringLiteral("d.json"), R"({"v":2})");
    TempHome::setModifiedNs(path, t);
    EXPECT_EQ(cachedAll(path)->value(QLatin1String("v")).toInt(), 1)
        << "same time and size";
    TempHome::setModifiedNs(path, t + 1'000'000'000LL);
    EXPECT_EQ(cachedAll(path)->value(QLatin1String("v")).toInt(), 2);
}

TEST(AccountFileReader, DirectorySuffixesKeepListingOrderAndFiles) {
    TempHome home;
    home.mkdir(QStringLiteral("f/profile-a"));
    home.write(QStringLiteral("f/profile-b"), "x");
    home.mkdir(QStringLiteral("f/profile-"));
    home.mkdir(QStringLiteral("f/other"));
    QStringList suffixes =
        AccountFileReader::directorySuffixes(home.file(QStringLiteral("f")), QStringLiteral("profile-"));
    suffixes.sort();
    EXPECT_EQ(suffixes, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_TRUE(AccountFileReader::directorySuffixes(home.file(QStringLiteral("nope")), QStringLiteral("p"))
                    .isEmpty());
}

TEST(AccountFileReader, UuidDirectoryNamesIgnoreFilesAndOtherNames) {
    TempHome home;
    home.mkdir(QStringLiteral("s/b1e2c3d4-0000-4000-8000-00000000000a"));
    home.mkdir(QStringLiteral("s/A1E2C3D4-0000-4000-8000-00000000000B"));
    home.write(QStringLiteral("s/c1e2c3d4-0000-4000-8000-00000000000c"), "file");
    home.mkdir(QStringLiteral("s/not-a-uuid"));
    home.mkdir(QStringLiteral("s/{d1e2c3d4-0000-4000-8000-00000000000d}"));
    home.mkdir(QStringLiteral("s/d1e2c3d40000-4000-8000-00000000000d0"));
    EXPECT_EQ(AccountFileReader::uuidDirectoryNames(home.file(QStringLiteral("s"))),
              (QStringList{QStringLiteral("A1E2C3D4-0000-4000-8000-00000000000B"),
                           QStringLiteral("b1e2c3d4-0000-4000-8000-00000000000a")}));
    EXPECT_TRUE(AccountFileReader::uuidDirectoryNames(home.file(QStringLiteral("missing"))).isEmpty());
}

TEST(AccountFileReader, ProfileDirectoriesMatchSeparatorsAndSort) {
    TempHome home;
    for (const char* name : {".claude", ".claude-work", ".claude_2", ".claude.old", ".claudex", "claude"})
        home.mkdir(QString::fromLatin1(name));
    home.write(QStringLiteral(".claude.json"), "{}");
    const QString root = home.path();
    const QStringList expected{root + QStringLiteral("/.claude"), root + QStringLiteral("/.claude-work"),
                               root + QStringLiteral("/.claude.old"), root + QStringLiteral("/.claude_2")};
    EXPECT_EQ(AccountFileReader::profileDirectories(root, QStringLiteral(".claude")), expected);
    EXPECT_EQ(AccountFileReader::siblingProfileDirectories(QStringLiteral(".claude"), root), expected);
    // A path that is not a listable folder gives nothing.
    EXPECT_TRUE(
        AccountFileReader::profileDirectories(root + QStringLiteral("/.claude.json"), QStringLiteral(".c"))
            .isEmpty());
    EXPECT_TRUE(
        AccountFileReader::profileDirectories(root + QStringLiteral("/none"), QStringLiteral(".claude"))
            .isEmpty());
    // A trailing "/" on the folder does not double the separator.
    EXPECT_EQ(AccountFileReader::profileDirectories(root + QLatin1Char('/'), QStringLiteral(".claude")),
              expected);
}

TEST(AccountFileReader, DirectoryExistsFollowsOnlyFolders) {
    TempHome home;
    EXPECT_TRUE(AccountFileReader::directoryExists(home.mkdir(QStringLiteral("d"))));
    EXPECT_FALSE(AccountFileReader::directoryExists(home.write(QStringLiteral("f"), "x")));
    EXPECT_FALSE(AccountFileReader::directoryExists(home.file(QStringLiteral("none"))));
    QFile::link(home.file(QStringLiteral("d")), home.file(QStringLiteral("link")));
    EXPECT_TRUE(AccountFileReader::directoryExists(home.file(QStringLiteral("link"))));
}

// --- JWT claims

namespace {
QString base64Url(const QByteArray& bytes) {
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}
} // namespace

TEST(JWTClaims, DecodesThePayloadWithoutPaddingOrSignature) {
    QJsonObject claims{{QStringLiteral("email"), QStringLiteral("a@b.c")}, {QStringLiteral("n"), 1}};
    // A payload whose base64 needs padding and uses the URL-safe alphabet.
    claims.insert(QStringLiteral("pad"), QStringLiteral("?>?>~~"));
    const QString token =
        QStringLiteral("eyJhbGciOiJub25lIn0.") + base64Url(jsonBytes(claims)) + QStringLiteral(".sig");
    EXPECT_EQ(JWTClaims::payload(token), claims);
    const QString twoParts = QStringLiteral("header.") + base64Url(jsonBytes(claims));
    EXPECT_EQ(JWTClaims::payload(twoParts), claims);
    // Emptiness of the header does not matter.
    EXPECT_EQ(JWTClaims::payload(QStringLiteral(".") + base64Url(jsonBytes(claims))), claims);
}

TEST(JWTClaims, MalformedTokensGiveNothing) {
    EXPECT_FALSE(JWTClaims::payload(QStringLiteral("no-dots-here")));
    EXPECT_FALSE(JWTClaims::payload(QString()));
    EXPECT_FALSE(JWTClaims::payload(QStringLiteral("h.abcde.s"))) << "length leaving a remainder of 1";
    EXPECT_FALSE(JWTClaims::payload(QStringLiteral("h.a b c d.s")));
    EXPECT_FALSE(JWTClaims::payload(QStringLiteral("h.") + base64Url("[1,2]") + QStringLiteral(".s")));
    EXPECT_FALSE(JWTClaims::payload(QStringLiteral("h.") + base64Url("not json") + QStringLiteral(".s")));
    EXPECT_FALSE(JWTClaims::payload(QStringLiteral("h.\u00e9\u00e9\u00e9\u00e9.s")));
}

// A 63 MiB .claude.json made of one long array used to cost about 500 MB for the
// life of the process (the cache kept the parsed document). Only what a real
// configuration can be is parsed and cached.
TEST(AccountFileReader, OnlyConfigurationSizedFilesAreParsed) {
    TempHome home;
    const auto longArray = [](qsizetype bytes) {
        QByteArray text = "{\"a\":[";
        text += QByteArray("0,").repeated(bytes / 2);
        return text + "0]}";
    };
    // A heavy user's configuration: the account and 300 projects of history.
    QByteArray real = R"({"oauthAccount":{"accountUuid":"u-1"},"projects":{)";
    for (int p = 0; p < 300; ++p) {
        real += QStringLiteral(R"("/home/dev/src/p%1":{"history":[)").arg(p).toUtf8();
        for (int h = 0; h < 10; ++h)
            real += "{\"display\":\"" + QByteArray(1000, 'x') + "\"},";
        real += "{}]},";
    }
    real += "\"last\":{}}}";
    const struct {
        const char* name;
        QByteArray contents;
        bool read;
    } rows[] = {
        {"63 MiB of one array", longArray(63 * 1024 * 1024), false},
        {"just over the byte cap", "{\"a\":\"" + QByteArray(AccountFileReader::kJsonReadCap, 'x') + "\"}",
         false},
        {"under the byte cap but two million values", longArray(4 * 1000 * 1000), false},
        {"a real configuration of 3 MB", real, true},
    };
    int n = 0;
    for (const auto& row : rows) {
        const QString path = home.write(QStringLiteral("c%1.json").arg(++n), row.contents);
        const auto parsed = AccountFileReader::json(path);
        EXPECT_EQ(parsed.has_value(), row.read) << row.name;
        if (parsed) {
            EXPECT_EQ(
                parsed->value(QStringLiteral("oauthAccount")).toObject().value(QStringLiteral("accountUuid")),
                QStringLiteral("u-1"));
            EXPECT_GT(row.contents.size(), 3000000);
        }
    }
}

// Reading by members is cached by the file's time and size, and a large file is read once
// however many callers miss at the same moment.
TEST(AccountFileReader, CachedMembersReadALargeFileOnceUntilItChanges) {
    TempHome home;
    const QString path = home.file(QStringLiteral(".claude.json"));
    ASSERT_TRUE(
        test::writeClaudeConfiguration(path, 20 * 1000 * 1000, test::claudeAccountMembers("u-1", 1, 30)));
    const qint64 size = QFile(path).size();
    const QStringList names{QStringLiteral("oauthAccount")};
    std::atomic<int> good{0};
    const auto bytesRead = [&](int callers, const QStringList& asked) {
        const qint64 before = test::bytesReadByProcess();
        std::vector<std::thread> threads;
        for (int i = 0; i < callers; ++i)
            threads.emplace_back([&] {
                good += AccountFileReader::cachedMembers(path, asked).value_or(QJsonObject{}).keys() == asked;
            });
        for (auto& t : threads)
            t.join();
        return test::bytesReadByProcess() - before;
    };
    const qint64 first = bytesRead(8, names);
    EXPECT_EQ(good.load(), 8);
    EXPECT_TRUE(first >= size && first < 2 * size) << first << " bytes read by eight callers";
    EXPECT_LT(bytesRead(1, names), size / 100) << "unchanged";
    EXPECT_GE(bytesRead(1, {QStringLiteral("userID")}), size) << "other names are another reading";
    TempHome::setModifiedNs(path, TempHome::modifiedNs(path) + 1'000'000'000LL);
    EXPECT_GE(bytesRead(1, names), size) << "a new time";
    EXPECT_EQ(AccountFileReader::members(path, names), AccountFileReader::cachedMembers(path, names));
}
