#include "accounts/AccountIdentity.h"
#include "accounts/AccountSource.h"
#include "accounts/AccountSourceKind.h"
#include "accounts/ResolvedAccount.h"

#include <QJsonArray>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace meterix;

namespace {

const QDateTime kT0(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);

AccountSource cliSource(std::optional<QString> root) {
    return AccountSource{
        QStringLiteral("claude.cli"), AccountSourceKind::cli, QStringLiteral("Claude Code"), root, {}};
}

AccountSource desktopSource() {
    return AccountSource{QStringLiteral("claude.desktop"),
                         AccountSourceKind::desktopApp,
                         QStringLiteral("Claude Desktop"),
                         QStringLiteral("/h/.config/Claude"),
                         {QStringLiteral("com.anthropic.claudefordesktop")}};
}

AccountIdentity identity(const QString& id, AccountSource source, QDateTime seen = kT0) {
    return AccountIdentity{.id = id,
                           .provider = AIProviderType::claudeCode,
                           .source = std::move(source),
                           .usageReadable = false,
                           .lastSeenAt = std::move(seen)};
}

} // namespace

TEST(AccountSourceKind, RawValuesBadgesAndSymbols) {
    EXPECT_EQ(rawValue(AccountSourceKind::desktopApp), QStringLiteral("desktopApp"));
    EXPECT_EQ(badgeText(AccountSourceKind::cli), QStringLiteral("CLI"));
    EXPECT_EQ(badgeText(AccountSourceKind::desktopApp), QStringLiteral("App"));
    EXPECT_EQ(badgeText(AccountSourceKind::ide), QStringLiteral("IDE"));
    EXPECT_EQ(badgeText(AccountSourceKind::api), QStringLiteral("API"));
    EXPECT_EQ(symbol(AccountSourceKind::ide), QStringLiteral("chevron.left.forwardslash.chevron.right"));
    EXPECT_EQ(symbol(AccountSourceKind::api), QStringLiteral("key"));
    for (auto k : {AccountSourceKind::cli, AccountSourceKind::desktopApp, AccountSourceKind::ide,
                   AccountSourceKind::api})
        EXPECT_EQ(accountSourceKindFromRawValue(rawValue(k)), k);
    EXPECT_FALSE(accountSourceKindFromRawValue(u"CLI"));
    EXPECT_FALSE(accountSourceKindFromRawValue(u"desktopapp"));
    EXPECT_FALSE(accountSourceKindFromRawValue(u""));
}

TEST(AccountSource, JsonRoundTripLeavesOutAbsentRootPath) {
    AccountSource s = cliSource(QStringLiteral("/h/.claude"));
    EXPECT_EQ(AccountSource::fromJson(s.toJson()), s);
    s.rootPath.reset();
    const QJsonObject o = s.toJson();
    EXPECT_FALSE(o.contains(QLatin1String("rootPath")));
    EXPECT_EQ(AccountSource::fromJson(o), s);
    const AccountSource d = desktopSource();
    EXPECT_EQ(AccountSource::fromJson(d.toJson()), d);
}

TEST(AccountIdentity, JsonRoundTripWritesOptionalsOnlyWhenPresent) {
    AccountIdentity a = identity(QStringLiteral("u-1"), cliSource(QStringLiteral("/h/.claude")));
    QJsonObject o = a.toJson();
    EXPECT_FALSE(o.contains(QLatin1String("email")));
    EXPECT_FALSE(o.contains(QLatin1String("planName")));
    EXPECT_EQ(AccountIdentity::fromJson(o), a);
    a.email = QStringLiteral("a@b.c");
    a.planName = QString();
    a.usageReadable = true;
    o = a.toJson();
    EXPECT_EQ(o.value(QLatin1String("planName")).toString(QStringLiteral("x")), QString());
    EXPECT_EQ(AccountIdentity::fromJson(o), a);
    o.insert(QLatin1String("provider"), QStringLiteral("nope"));
    EXPECT_FALSE(AccountIdentity::fromJson(o));
}

TEST(ResolvedAccount, InitCopiesTheIdentityWithOneSource) {
    AccountIdentity a = identity(QStringLiteral("id-1"), cliSource(QStringLiteral("/h/.claude")));
    a.email = QStringLiteral("x@y.z");
    a.organization = QStringLiteral("Org");
    a.usageReadable = true;
    const ResolvedAccount r(a);
    EXPECT_EQ(r.id, a.id);
    EXPECT_EQ(r.email, a.email);
    EXPECT_EQ(r.organization, a.organization);
    EXPECT_TRUE(r.usageReadable);
    EXPECT_EQ(r.lastSeenAt, kT0);
    ASSERT_EQ(r.sources.size(), 1);
    EXPECT_EQ(r.sources.front(), a.source);
}

TEST(ResolvedAccount, LabelFallsBackToFirstTwelveCharactersOfId) {
    AccountIdentity a = identity(QStringLiteral("0123456789ab-cdef-0123-4567-89abcdef0123"), cliSource({}));
    a.displayName = QString();
    ResolvedAccount r(a);
    EXPECT_EQ(r.displayLabel(), QStringLiteral("0123456789ab"));
    EXPECT_EQ(r.maskedLabel(), QStringLiteral("0123456789ab"));
    r.id = QStringLiteral("12345678");
    EXPECT_EQ(r.displayLabel(), QStringLiteral("12345678"));
    // Characters are user-perceived characters, not UTF-16 units.
    r.id = QStringLiteral("\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600"
                          "\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600");
    EXPECT_EQ(r.displayLabel().size(), 24);
}

TEST(ResolvedAccount, EmptyEmailIsNeverReplacedAndLabelUsesDisplayName) {
    AccountIdentity first = identity(QStringLiteral("id"), cliSource(QStringLiteral("/a")));
    first.email = QString();
    ResolvedAccount r(first);
    AccountIdentity second = identity(QStringLiteral("id"), cliSource(QStringLiteral("/b")));
    second.email = QStringLiteral("later@example.com");
    second.displayName = QStringLiteral("Kim");
    r.absorb(second);
    EXPECT_EQ(r.email, QString());
    EXPECT_EQ(r.displayName, QStringLiteral("Kim"));
    EXPECT_EQ(r.displayLabel(), QStringLiteral("Kim"));
    EXPECT_EQ(r.maskedLabel(), QStringLiteral("Kim"));
}

TEST(ResolvedAccount, MaskedLabelRules) {
    ResolvedAccount r(identity(QStringLiteral("id"), cliSource({})));
    r.email = QStringLiteral("a@x.com");
    EXPECT_EQ(r.maskedLabel(), QStringLiteral("a***@x.com"));
    EXPECT_EQ(r.label(false), QStringLiteral("a@x.com"));
    r.email = QStringLiteral("kim.minji@corp.kr");
    EXPECT_EQ(r.label(true), QStringLiteral("k***@corp.kr"));
    r.email = QStringLiteral("@x.com");
    EXPECT_EQ(r.maskedLabel(), QStringLiteral("@x.com"));
    r.email = QStringLiteral("no-at-sign");
    EXPECT_EQ(r.maskedLabel(), QStringLiteral("no-at-sign"));
    r.email = QStringLiteral("ab@c@d");
    EXPECT_EQ(r.maskedLabel(), QStringLiteral("a***@c***@d"));
    r.email = QStringLiteral("\U0001F600x@y");
    EXPECT_EQ(r.maskedLabel(), QStringLiteral("\U0001F600***@y"));
}

TEST(ResolvedAccount, AbsorbMergesSourcesByIdAndRootPath) {
    ResolvedAccount r(identity(QStringLiteral("id"), cliSource(QStringLiteral("/h/.claude"))));
    AccountSource sameIdOtherPath = cliSource(QStringLiteral("/h/.claude-work"));
    r.absorb(identity(QStringLiteral("id"), sameIdOtherPath));
    EXPECT_EQ(r.sources.size(), 2);
    AccountSource samePlaceOtherName = cliSource(QStringLiteral("/h/.claude"));
    samePlaceOtherName.displayName = QStringLiteral("Renamed");
    samePlaceOtherName.kind = AccountSourceKind::ide;
    r.absorb(identity(QStringLiteral("id"), samePlaceOtherName));
    ASSERT_EQ(r.sources.size(), 2);
    EXPECT_EQ(r.sources.front().displayName, QStringLiteral("Claude Code"));
    EXPECT_EQ(r.sources.front().kind, AccountSourceKind::cli);

    ResolvedAccount noPaths(identity(QStringLiteral("id"), cliSource({})));
    AccountSource alsoNoPath = cliSource({});
    alsoNoPath.displayName = QStringLiteral("Other");
    noPaths.absorb(identity(QStringLiteral("id"), alsoNoPath));
    EXPECT_EQ(noPaths.sources.size(), 1);
}

TEST(ResolvedAccount, OlderIdentityKeepsDateButFillsFieldsAndReadability) {
    ResolvedAccount r(identity(QStringLiteral("id"), cliSource({}), kT0));
    AccountIdentity older = identity(QStringLiteral("id"), desktopSource(), kT0.addSecs(-60));
    older.planName = QStringLiteral("Claude Max");
    older.usageReadable = true;
    r.absorb(older);
    EXPECT_EQ(r.lastSeenAt, kT0);
    EXPECT_EQ(r.planName, QStringLiteral("Claude Max"));
    EXPECT_TRUE(r.usageReadable);
    AccountIdentity same = identity(QStringLiteral("id"), desktopSource(), kT0);
    r.absorb(same);
    EXPECT_TRUE(r.usageReadable) << "readability never turns off";
    r.absorb(identity(QStringLiteral("id"), cliSource({}), kT0.addSecs(5)));
    EXPECT_EQ(r.lastSeenAt, kT0.addSecs(5));
}

TEST(ResolvedAccount, BadgeTextAndWatchPaths) {
    ResolvedAccount r(identity(QStringLiteral("id"), cliSource(QStringLiteral("/h/.claude"))));
    r.absorb(identity(QStringLiteral("id"), cliSource(QStringLiteral("/h/.claude-work"))));
    r.absorb(identity(QStringLiteral("id"), desktopSource()));
    r.absorb(identity(QStringLiteral("id"), cliSource({})));
    AccountSource samePathOtherId = desktopSource();
    samePathOtherId.id = QStringLiteral("claude.other");
    r.absorb(identity(QStringLiteral("id"), samePathOtherId));
    EXPECT_EQ(r.sourceBadgeText(), QStringLiteral("CLI \u00B7 App"));
    EXPECT_EQ(r.watchPaths(),
              (QStringList{QStringLiteral("/h/.claude"), QStringLiteral("/h/.claude-work"),
                           QStringLiteral("/h/.config/Claude"), QStringLiteral("/h/.config/Claude")}));
    r.sources.clear();
    EXPECT_EQ(r.sourceBadgeText(), QString());
    EXPECT_TRUE(r.watchPaths().isEmpty());
}
