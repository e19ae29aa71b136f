#include "providers/antigravity/GeminiAccountResolver.h"

#include "core/Localization.h"
#include "support/HostUnderHome.h"
#include "support/CodexFixtures.h"
#include "support/FakeClock.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/Speaking.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace meterix;
using meterix::test::TempHome;

namespace {

QStringList ids(const QList<AccountIdentity>& identities, const char* sourceID) {
    QStringList out;
    for (const auto& i : identities)
        if (i.source.id == QLatin1String(sourceID)) out.append(i.id);
    return out;
}

class Gemini : public ::testing::Test {
  protected:
    TempHome home;
    test::FakeClock clock;
    GeminiAccountResolver resolver{test::hostUnderHome(home.path()), clock};

    void accountList(const QByteArray& json) const { home.write(QStringLiteral(".gemini/google_accounts.json"), json); }
    void credentials(const QString& subject) const {
        home.write(QStringLiteral(".gemini/oauth_creds.json"),
                   R"({"access_token":"secret","id_token":")" +
                       test::codex::unsignedToken({{QStringLiteral("sub"), subject}}).toUtf8() + R"("})");
    }
    void log(const char* name, const QByteArray& text) const {
        home.write(QStringLiteral(".gemini/antigravity-cli/log/") + QLatin1String(name), text);
    }
    std::optional<QString> signedIn() const {
        return GeminiAccountResolver::antigravityCLIEmail(home.file(QStringLiteral(".gemini/antigravity-cli/log")));
    }
};

} // namespace

// The account list as the Gemini CLI writes it (tests/data/antigravity): only
// the active address is signed in; signing out or switching moves it to
// "old"; a list the client would not take names no account at all.
TEST_F(Gemini, OnlyTheActiveAccountOfAListTheClientTakesIsSignedIn) {
    const QString subject = QStringLiteral("104729384756102938475");
    const struct {
        const char* file;
        bool credentials;
        QStringList ids;
        std::optional<QString> email;
    } rows[] = {
        {"signed-in", true, {subject}, QStringLiteral("kim.minji@example.com")},
        {"signed-in", false, {QStringLiteral("kim.minji@example.com")}, QStringLiteral("kim.minji@example.com")},
        {"switched", false, {QStringLiteral("lee.jiho@example.com")}, QStringLiteral("lee.jiho@example.com")},
        {"active-also-old", true, {subject}, QStringLiteral("kim.minji@example.com")},
        {"signed-out", false, {}, std::nullopt},
        {"no-active", false, {}, std::nullopt},
        {"wrong-schema", true, {}, std::nullopt},
        {"active-not-text", true, {}, std::nullopt},
        {"empty", true, {}, std::nullopt},
        {"corrupt", true, {}, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        accountList(test::testData(QStringLiteral("antigravity/google_accounts-%1.json").arg(QLatin1String(row.file))));
        QFile::remove(home.file(QStringLiteral(".gemini/oauth_creds.json")));
        if (row.credentials)
            home.write(QStringLiteral(".gemini/oauth_creds.json"), test::testData(QStringLiteral("antigravity/oauth_creds.json")));
        const QList<AccountIdentity> found = resolver.resolveAccounts();
        EXPECT_EQ(ids(found, "gemini.cli"), row.ids);
        if (row.email) {
            ASSERT_EQ(found.size(), 1);
            EXPECT_EQ(found[0].email, row.email);
            EXPECT_FALSE(found[0].usageReadable);
            EXPECT_EQ(found[0].source, (AccountSource{QStringLiteral("gemini.cli"), AccountSourceKind::cli,
                                                      QStringLiteral("Gemini CLI"), home.file(QStringLiteral(".gemini")), {}}));
        }
    }
    EXPECT_EQ(GeminiAccountResolver::googleAccountEmails(home.makeFifo(QStringLiteral("pipe.json"))),
              GeminiAccountResolver::GoogleAccounts{});
}

// An empty address (or subject) gave an account without an id.
TEST_F(Gemini, EmptyAddressesAndSubjectsNameNoAccount) {
    const struct {
        const char* list;
        const char* subject;
        QStringList ids;
    } rows[] = {
        {R"({"active":"","old":[]})", "s-1", {}},
        {R"({"active":"","old":["","x@example.com"]})", "s-1", {}},
        {R"({"active":"kim@example.com"})", "", {QStringLiteral("kim@example.com")}},
        {R"({"active":"kim@example.com"})", "s-1", {QStringLiteral("s-1")}},
    };
    for (const auto& row : rows) {
        accountList(row.list);
        credentials(QString::fromLatin1(row.subject));
        const QList<AccountIdentity> found = resolver.resolveAccounts();
        EXPECT_EQ(ids(found, "gemini.cli"), row.ids) << row.list << " " << row.subject;
        for (const AccountIdentity& account : found)
            EXPECT_FALSE(account.id.isEmpty()) << row.list;
    }
}

// GEMINI_CLI_HOME moves the client's whole folder; the Antigravity folders
// stay in the home folder.
TEST_F(Gemini, TheClientsFolderFollowsGeminiCliHome) {
    const QByteArray signedIn = test::testData(QStringLiteral("antigravity/google_accounts-signed-in.json"));
    home.write(QStringLiteral("elsewhere/.gemini/google_accounts.json"), signedIn);
    home.write(QStringLiteral(".gemini/google_accounts.json"),
               test::testData(QStringLiteral("antigravity/google_accounts-switched.json")));
    home.mkdir(QStringLiteral(".gemini/antigravity"));
    const struct {
        QString value;
        QString folder;
        QString account;
    } rows[] = {
        {home.file(QStringLiteral("elsewhere")), home.file(QStringLiteral("elsewhere/.gemini")),
         QStringLiteral("kim.minji@example.com")},
        {QStringLiteral("elsewhere"), home.file(QStringLiteral(".gemini")), QStringLiteral("lee.jiho@example.com")},
        {QString(), home.file(QStringLiteral(".gemini")), QStringLiteral("lee.jiho@example.com")},
    };
    for (const auto& row : rows) {
        QProcessEnvironment variables;
        variables.insert(QStringLiteral("GEMINI_CLI_HOME"), row.value);
        GeminiAccountResolver moved(test::hostUnderHome(home.path(), variables), clock);
        EXPECT_EQ(moved.geminiFolder(), row.folder) << row.value.toStdString();
        const QList<AccountIdentity> found = moved.resolveAccounts();
        ASSERT_EQ(found.size(), 2) << row.value.toStdString();
        EXPECT_EQ(found[0].email, row.account) << row.value.toStdString();
        EXPECT_EQ(found[1].source.rootPath, home.file(QStringLiteral(".gemini/antigravity")));
        EXPECT_EQ(found[1].email, row.account) << "the IDE row takes the client's active account";
    }
}

TEST_F(Gemini, TheNewestLogWithASignInGivesItsFirstAddress) {
    log("cli-2026-02-01.log", "applyAuthResult: email=old@example.com\n");
    log("cli-2026-02-03.log", "start\napplyAuthResult: email=first@example.com, provider=google\n"
                              "applyAuthResult: email=second@example.com\n");
    log("cli-2026-02-09.log", "applyAuthResult: email=kim\n"); // a bare user name
    log("cli-2026-02-10.log", "applyAuthResult: email=bad\xFF@example.com\n");
    log("cli-2026-02-11.log", "applyAuthResult: email=" + QByteArray(5000, 'a') + "@example.com\n");
    log("server-2026-03-01.log", "applyAuthResult: email=other@example.com\n");
    home.makeFifo(QStringLiteral(".gemini/antigravity-cli/log/cli-2026-09.log"));
    EXPECT_EQ(signedIn(), QStringLiteral("first@example.com"));
    log("cli-2026-02-12.log", "x applyAuthResult: email=nb@example.com\xC2\xA0(no-break space)");
    EXPECT_EQ(signedIn(), QStringLiteral("nb@example.com"));
}

TEST_F(Gemini, OnlyTheEightNewestLogsAreSearched) {
    log("cli-00.log", "applyAuthResult: email=ninth@example.com\n");
    for (const char* name : {"cli-01.log", "cli-02.log", "cli-03.log", "cli-04.log", "cli-05.log", "cli-06.log",
                             "cli-07.log", "cli-08.log"})
        log(name, "nothing here\n");
    EXPECT_EQ(signedIn(), std::nullopt);
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(home.file(QStringLiteral("missing"))), std::nullopt);
}

TEST_F(Gemini, ALargeLogIsSearchedAcrossChunkBoundaries) {
    log("cli-1.log", QByteArray(256 * 1024 - 10, 'x') + "applyAuthResult: email=deep@example.com more\n");
    EXPECT_EQ(signedIn(), QStringLiteral("deep@example.com"));
}

TEST_F(Gemini, AntigravityRowsShareTheActiveAccountsSubject) {
    accountList(R"({"active":"a@example.com"})");
    credentials(QStringLiteral("S-1"));
    home.mkdir(QStringLiteral(".gemini/antigravity"));
    log("cli-1.log", "applyAuthResult: email=a@example.com\n");
    auto found = resolver.resolveAccounts();
    EXPECT_EQ(ids(found, "antigravity.cli"), QStringList{QStringLiteral("S-1")});
    EXPECT_EQ(ids(found, "antigravity.ide"), QStringList{QStringLiteral("S-1")});
    ASSERT_EQ(found.size(), 3);
    EXPECT_TRUE(found[1].usageReadable);
    EXPECT_FALSE(found[2].usageReadable);
    EXPECT_EQ(found[2].source, (AccountSource{QStringLiteral("antigravity.ide"), AccountSourceKind::ide,
                                              QStringLiteral("Antigravity IDE"), home.file(QStringLiteral(".gemini/antigravity")),
                                              {QStringLiteral("com.google.antigravity")}}));

    log("cli-2.log", "applyAuthResult: email=c@example.com\n");
    found = resolver.resolveAccounts();
    EXPECT_EQ(ids(found, "antigravity.cli"), QStringList{QStringLiteral("c@example.com")}) << "another account keeps its address";
    EXPECT_EQ(ids(found, "antigravity.ide"), QStringList{QStringLiteral("S-1")});

    QFile::remove(home.file(QStringLiteral(".gemini/google_accounts.json")));
    found = resolver.resolveAccounts();
    EXPECT_EQ(ids(found, "antigravity.ide"), QStringList()) << "the IDE row needs an active account";
    EXPECT_EQ(ids(found, "antigravity.cli"), QStringList{QStringLiteral("c@example.com")});

    // Signed out of the Gemini CLI: neither it nor the IDE row names the old
    // account; the Antigravity client's own sign-in still counts.
    accountList(test::testData(QStringLiteral("antigravity/google_accounts-signed-out.json")));
    log("cli-3.log", test::testData(QStringLiteral("antigravity/cli-20261210T050144.log")));
    found = resolver.resolveAccounts();
    EXPECT_EQ(ids(found, "gemini.cli"), QStringList());
    EXPECT_EQ(ids(found, "antigravity.ide"), QStringList());
    EXPECT_EQ(ids(found, "antigravity.cli"), QStringList{QStringLiteral("kim.minji@example.com")});
}

TEST_F(Gemini, DesktopAccountsComeFromThePreferenceKeysInTheCurrentLanguage) {
    home.write(QStringLiteral("Library/Preferences/com.google.GeminiMacOS.plist"), R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>discoveryInteractionRecords_1234567</key><data>AA==</data>
<key>discoveryInteractionRecords_abc</key><string>x</string>
<key>discoveryInteractionRecords_</key><string>empty suffix</string>
</dict></plist>
)");
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty()) << "no app folder, no accounts";
    home.mkdir(QStringLiteral(".config/com.google.GeminiMacOS"));
    auto found = resolver.resolveAccounts();
    ASSERT_EQ(ids(found, "gemini.desktop"), (QStringList{QStringLiteral("1234567"), QStringLiteral("abc")}));
    EXPECT_EQ(found[0].displayName, QStringLiteral("Google account ···4567"));
    EXPECT_EQ(found[1].displayName, QStringLiteral("Google account ···abc"));
    EXPECT_FALSE(found[1].usageReadable);
    EXPECT_EQ(found[1].source.bundleIdentifiers, QStringList{QStringLiteral("com.google.GeminiMacOS")});

    test::speak(ResolvedLanguage::korean);
    found = resolver.resolveAccounts();
    test::speak();
    EXPECT_EQ(found[1].displayName, QStringLiteral("Google 계정 ···abc"));
}
