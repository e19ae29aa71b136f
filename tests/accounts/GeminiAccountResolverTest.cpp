#include "accounts/GeminiAccountResolver.h"

#include "core/Localization.h"
#include "support/FakeClock.h"
#include "support/QtPrinters.h"
#include "support/FileFixtures.h"
#include "support/TempHome.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace meterix;
using meterix::test::FakeClock;
using meterix::test::TempHome;

namespace {

// An unsigned token whose payload names the subject.
QByteArray idToken(const QString& subject) {
    const QByteArray payload = QJsonDocument(QJsonObject{{QStringLiteral("sub"), subject}}).toJson(QJsonDocument::Compact);
    return "eyJhbGciOiJub25lIn0." +
           payload.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals) + ".c2ln";
}

QStringList ids(const QList<AccountIdentity>& identities) {
    QStringList out;
    for (const auto& i : identities) out.append(i.id);
    return out;
}

QList<AccountIdentity> fromSource(const QList<AccountIdentity>& identities, const char* sourceID) {
    QList<AccountIdentity> out;
    for (const auto& i : identities)
        if (i.source.id == QLatin1String(sourceID)) out.append(i);
    return out;
}

class Gemini : public ::testing::Test {
  protected:
    TempHome home;
    FakeClock clock;
    GeminiAccountResolver resolver{HostEnvironment::underHome(home.path()), clock};

    void accountList(const QByteArray& json) const { home.write(QStringLiteral(".gemini/google_accounts.json"), json); }
    void credentials(const QString& subject) const {
        home.write(QStringLiteral(".gemini/oauth_creds.json"),
                   R"({"access_token":"ya29.secret","id_token":")" + idToken(subject) + R"("})");
    }
    QString logDir() const { return home.file(QStringLiteral(".gemini/antigravity-cli/log")); }
    void log(const QString& name, const QByteArray& text) const {
        home.write(QStringLiteral(".gemini/antigravity-cli/log/") + name, text);
    }
};

} // namespace

TEST_F(Gemini, TheActiveAccountTakesTheCredentialsSubjectAndIsNotListedTwice) {
    accountList(R"({"active":"a@example.com","old":["a@example.com","b@example.com"]})");
    credentials(QStringLiteral("S-123"));
    const auto cli = fromSource(resolver.resolveAccounts(), "gemini.cli");
    EXPECT_EQ(ids(cli), (QStringList{QStringLiteral("S-123"), QStringLiteral("b@example.com")}));
    ASSERT_EQ(cli.size(), 2);
    EXPECT_EQ(cli[0].email, QStringLiteral("a@example.com"));
    EXPECT_EQ(cli[1].email, QStringLiteral("b@example.com"));
    for (const auto& i : cli) {
        EXPECT_FALSE(i.usageReadable);
        EXPECT_EQ(i.provider, AIProviderType::antigravity);
        EXPECT_EQ(i.source.kind, AccountSourceKind::cli);
        EXPECT_EQ(i.source.displayName, QStringLiteral("Gemini CLI"));
        EXPECT_EQ(i.source.rootPath, home.file(QStringLiteral(".gemini")));
        EXPECT_TRUE(i.source.bundleIdentifiers.isEmpty());
        EXPECT_EQ(i.lastSeenAt, clock.now());
    }
}

TEST_F(Gemini, WithoutReadableCredentialsIdsAreAddresses) {
    accountList(R"({"active":"a@example.com","old":["a@example.com","b@example.com","b@example.com"]})");
    EXPECT_EQ(ids(resolver.resolveAccounts()),
              (QStringList{QStringLiteral("a@example.com"), QStringLiteral("b@example.com"), QStringLiteral("b@example.com")}))
        << "duplicates are left for the registry to merge";
    home.write(QStringLiteral(".gemini/oauth_creds.json"), R"({"id_token":"not-a-token"})");
    EXPECT_EQ(ids(resolver.resolveAccounts()).first(), QStringLiteral("a@example.com"));
    home.write(QStringLiteral(".gemini/oauth_creds.json"), R"({"id_token":5})");
    EXPECT_EQ(ids(resolver.resolveAccounts()).first(), QStringLiteral("a@example.com"));
}

TEST_F(Gemini, AccountListShapes) {
    const QString path = home.file(QStringLiteral(".gemini/google_accounts.json"));
    accountList(R"({"old":["x@example.com","y@example.com"]})");
    EXPECT_EQ(GeminiAccountResolver::googleAccountEmails(path),
              (GeminiAccountResolver::GoogleAccounts{std::nullopt, {QStringLiteral("x@example.com"), QStringLiteral("y@example.com")}}));
    EXPECT_EQ(ids(resolver.resolveAccounts()), (QStringList{QStringLiteral("x@example.com"), QStringLiteral("y@example.com")}));
    accountList(R"({"active":7,"old":["x@example.com",3]})");
    EXPECT_EQ(GeminiAccountResolver::googleAccountEmails(path), GeminiAccountResolver::GoogleAccounts{});
    accountList(R"(["a@example.com"])");
    EXPECT_EQ(GeminiAccountResolver::googleAccountEmails(path), GeminiAccountResolver::GoogleAccounts{});
    test::makeFifo(home, QStringLiteral(".gemini/fifo.json"));
    EXPECT_EQ(GeminiAccountResolver::googleAccountEmails(home.file(QStringLiteral(".gemini/fifo.json"))),
              GeminiAccountResolver::GoogleAccounts{})
        << "a pipe is never opened for reading";
}

TEST_F(Gemini, TheNewestLogWithASignInGivesItsFirstAddress) {
    log(QStringLiteral("cli-2026-02-01.log"), "applyAuthResult: email=old@example.com\n");
    log(QStringLiteral("cli-2026-02-03.log"),
        "start\napplyAuthResult: email=first@example.com, provider=google\napplyAuthResult: email=second@example.com\n");
    log(QStringLiteral("cli-2026-02-09.log"), "applyAuthResult: email=kim\n"); // a bare user name
    log(QStringLiteral("server-2026-03-01.log"), "applyAuthResult: email=other@example.com\n");
    log(QStringLiteral("cli-2026-03-01.txt"), "applyAuthResult: email=other@example.com\n");
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(logDir()), QStringLiteral("first@example.com"));
}

TEST_F(Gemini, AddressesEndAtBlanksCommasAndTheEnd) {
    log(QStringLiteral("cli-1.log"), "applyAuthResult: email=tab@example.com\tnext");
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(logDir()), QStringLiteral("tab@example.com"));
    log(QStringLiteral("cli-2.log"), "x applyAuthResult: email=end@example.com");
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(logDir()), QStringLiteral("end@example.com"));
    log(QStringLiteral("cli-3.log"), "applyAuthResult: email=nb@example.com\xC2\xA0(no-break space)");
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(logDir()), QStringLiteral("nb@example.com"));
    log(QStringLiteral("cli-4.log"), "applyAuthResult: email=bad\xFF@example.com\n");
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(logDir()), QStringLiteral("nb@example.com"))
        << "an address that is no UTF-8 text is passed over";
    log(QStringLiteral("cli-5.log"), "applyAuthResult: email=" + QByteArray(5000, 'a') + "@example.com\n");
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(logDir()), QStringLiteral("nb@example.com"))
        << "a run far longer than any address is none";
}

TEST_F(Gemini, OnlyTheEightNewestLogsAreSearched) {
    log(QStringLiteral("cli-00.log"), "applyAuthResult: email=ninth@example.com\n");
    for (int i = 1; i <= 8; ++i) log(QStringLiteral("cli-%1.log").arg(i, 2, 10, QLatin1Char('0')), "nothing here\n");
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(logDir()), std::nullopt);
    home.write(QStringLiteral(".gemini/antigravity-cli/log/cli-08.log"), "applyAuthResult: email=eighth@example.com\n");
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(logDir()), QStringLiteral("eighth@example.com"));
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(home.file(QStringLiteral("missing"))), std::nullopt);
}

TEST_F(Gemini, ALargeLogIsSearchedInChunksAndSpecialFilesAreSkipped) {
    // The marker straddles the reader's chunk boundary, deep into the file.
    const QByteArray marker("applyAuthResult: email=");
    const QByteArray text = QByteArray(256 * 1024 - 10, 'x') + marker + "deep@example.com more\n";
    log(QStringLiteral("cli-1.log"), text);
    test::makeFifo(home, QStringLiteral(".gemini/antigravity-cli/log/cli-9.log"));
    home.mkdir(QStringLiteral(".gemini/antigravity-cli/log/cli-8.log"));
    EXPECT_EQ(GeminiAccountResolver::antigravityCLIEmail(logDir()), QStringLiteral("deep@example.com"));
}

TEST_F(Gemini, AntigravityRowsShareTheActiveAccountsSubject) {
    accountList(R"({"active":"a@example.com"})");
    credentials(QStringLiteral("S-1"));
    home.mkdir(QStringLiteral(".gemini/antigravity"));
    log(QStringLiteral("cli-1.log"), "applyAuthResult: email=a@example.com\n");
    const auto all = resolver.resolveAccounts();
    const auto cli = fromSource(all, "antigravity.cli");
    const auto ide = fromSource(all, "antigravity.ide");
    ASSERT_EQ(cli.size(), 1);
    ASSERT_EQ(ide.size(), 1);
    EXPECT_EQ(cli[0].id, QStringLiteral("S-1"));
    EXPECT_EQ(ide[0].id, QStringLiteral("S-1"));
    EXPECT_TRUE(cli[0].usageReadable);
    EXPECT_FALSE(ide[0].usageReadable);
    EXPECT_EQ(cli[0].source.kind, AccountSourceKind::cli);
    EXPECT_EQ(cli[0].source.displayName, QStringLiteral("Antigravity CLI"));
    EXPECT_EQ(cli[0].source.rootPath, home.file(QStringLiteral(".gemini/antigravity-cli")));
    EXPECT_TRUE(cli[0].source.bundleIdentifiers.isEmpty());
    EXPECT_EQ(ide[0].source.kind, AccountSourceKind::ide);
    EXPECT_EQ(ide[0].source.displayName, QStringLiteral("Antigravity IDE"));
    EXPECT_EQ(ide[0].source.bundleIdentifiers, QStringList{QStringLiteral("com.google.antigravity")});
    // Order: the Gemini CLI first, then the two Antigravity rows.
    EXPECT_EQ(all.first().source.id, QStringLiteral("gemini.cli"));
}

TEST_F(Gemini, AnotherSignedInClientAccountKeepsItsAddressAsId) {
    accountList(R"({"active":"a@example.com"})");
    credentials(QStringLiteral("S-1"));
    log(QStringLiteral("cli-1.log"), "applyAuthResult: email=c@example.com\n");
    const auto cli = fromSource(resolver.resolveAccounts(), "antigravity.cli");
    ASSERT_EQ(cli.size(), 1);
    EXPECT_EQ(cli[0].id, QStringLiteral("c@example.com"));
    EXPECT_EQ(cli[0].email, QStringLiteral("c@example.com"));
}

TEST_F(Gemini, TheIdeRowNeedsAnActiveAccountEvenWhenTheLogsNameOne) {
    home.mkdir(QStringLiteral(".gemini/antigravity"));
    log(QStringLiteral("cli-1.log"), "applyAuthResult: email=c@example.com\n");
    const auto all = resolver.resolveAccounts();
    EXPECT_TRUE(fromSource(all, "antigravity.ide").isEmpty());
    EXPECT_EQ(ids(fromSource(all, "antigravity.cli")), QStringList{QStringLiteral("c@example.com")});
    EXPECT_TRUE(fromSource(all, "gemini.cli").isEmpty());
}

TEST_F(Gemini, WithoutLogsTheClientRowFallsBackToTheActiveAccount) {
    accountList(R"({"active":"a@example.com"})");
    home.mkdir(QStringLiteral(".gemini/antigravity-cli"));
    EXPECT_EQ(ids(fromSource(resolver.resolveAccounts(), "antigravity.cli")), QStringList{QStringLiteral("a@example.com")});
}

TEST_F(Gemini, DesktopAccountsComeFromThePreferenceKeysInTheCurrentLanguage) {
    const auto desktop = [&] { return fromSource(resolver.resolveAccounts(), "gemini.desktop"); };
    const QByteArray plist = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>discoveryInteractionRecords_1234567</key><data>AA==</data>
<key>discoveryInteractionRecords_abc</key><string>x</string>
<key>discoveryInteractionRecords_</key><string>empty suffix</string>
<key>otherKey</key><string>y</string>
</dict></plist>
)";
    home.write(QStringLiteral("Library/Preferences/com.google.GeminiMacOS.plist"), plist);
    EXPECT_TRUE(desktop().isEmpty()) << "no app folder, no accounts";
    home.mkdir(QStringLiteral(".config/com.google.GeminiMacOS"));
    auto found = desktop();
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0].id, QStringLiteral("1234567"));
    EXPECT_EQ(found[0].displayName, QStringLiteral("Google account ···4567"));
    EXPECT_EQ(found[1].displayName, QStringLiteral("Google account ···abc"));
    EXPECT_FALSE(found[1].email);
    EXPECT_FALSE(found[1].usageReadable);
    EXPECT_EQ(found[1].source.kind, AccountSourceKind::desktopApp);
    EXPECT_EQ(found[1].source.displayName, QStringLiteral("Gemini Desktop"));
    EXPECT_EQ(found[1].source.bundleIdentifiers, QStringList{QStringLiteral("com.google.GeminiMacOS")});
    EXPECT_EQ(found[1].source.rootPath, home.file(QStringLiteral(".config/com.google.GeminiMacOS")));

    Localization::resetResolvedLanguageForTesting(ResolvedLanguage::korean);
    found = desktop();
    Localization::resetResolvedLanguageForTesting();
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[1].displayName, QStringLiteral("Google 계정 ···abc"));
}
