#include "accounts/AccountPreferencesReader.h"

#include "support/TempHome.h"

#include <QDateTime>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <cstdlib>

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

// The same preferences in the binary form, written by libplist itself.
QByteArray binaryPlist() {
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "accountEmail", plist_new_string("kim@example.com"));
    plist_dict_set_item(root, "count", plist_new_uint(42));
    plist_dict_set_item(root, "ratio", plist_new_real(0.5));
    plist_dict_set_item(root, "on", plist_new_bool(1));
    plist_t list = plist_new_array();
    plist_array_append_item(list, plist_new_string("a"));
    plist_dict_set_item(root, "list", list);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    QByteArray out(bytes, static_cast<qsizetype>(length));
    std::free(bytes);
    plist_free(root);
    return out;
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
