#include "core/L10n.h"
#include "core/Localization.h"
#include "core/UsageTier.h"
#include "core/UsageUnavailableReason.h"
#include "support/Speaking.h"
#include "support/PlainTexts.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace meterix;

namespace {

class Texts : public ::testing::Test {
  protected:
    void TearDown() override { test::speak(); }
    static void korean() { test::speak(ResolvedLanguage::korean); }
    static void english() { test::speak(ResolvedLanguage::english); }
};

QString en(const L10n& l) {
    return l.pair().en;
}
QString ko(const L10n& l) {
    return l.pair().ko;
}

} // namespace

TEST_F(Texts, EveryPlainTextExistsInBothLanguages) {
    for (L10n::Case c : test::plainCases()) {
        const L10nPair p = L10n::plain(c).pair();
        EXPECT_FALSE(p.ko.trimmed().isEmpty()) << static_cast<int>(c);
        EXPECT_FALSE(p.en.trimmed().isEmpty()) << static_cast<int>(c);
    }
}

TEST_F(Texts, ValuedTextsInterpolateWithoutGrouping) {
    EXPECT_EQ(en(L10n::tokensPerMinute(6000)), QStringLiteral("6000 tokens/min"));
    EXPECT_EQ(ko(L10n::tokensPerMinute(6000)), QStringLiteral("분당 6000 토큰"));
    EXPECT_EQ(en(L10n::allProducts(5)), QStringLiteral("All 5"));
    EXPECT_EQ(ko(L10n::allProducts(5)), QStringLiteral("전체 5개"));
    EXPECT_EQ(en(L10n::balanceOf(QStringLiteral("-12.50"))), QStringLiteral("Balance -12.50"));
    EXPECT_EQ(en(L10n::keyBudgetOf(QStringLiteral("$1"), QStringLiteral("$5"))),
              QStringLiteral("API key budget ($1 / $5)"));
    EXPECT_EQ(en(L10n::captionRemaining(QStringLiteral("Codex"), 40, QStringLiteral("Steady"))),
              QStringLiteral("Codex, 40 percent left, Steady"));
    EXPECT_EQ(ko(L10n::captionRemaining(QStringLiteral("Codex"), 40, QStringLiteral("안정"))),
              QStringLiteral("Codex 잔여 40 퍼센트, 안정"));
    EXPECT_EQ(ko(L10n::countdownDaysHours(3, 4)), QStringLiteral("3일 4시간 후"));
    // Values are put in once: a value that reads like a slot stays as it is.
    EXPECT_EQ(en(L10n::captionAwaiting(QStringLiteral("{t}"), QStringLiteral("{s}"))),
              QStringLiteral("{t}, {s}, awaiting re-measurement"));
    EXPECT_TRUE(L10n::showingLastMeasurement().pair().ko.startsWith(QLatin1Char(' ')));
    EXPECT_TRUE(L10n::showingLastMeasurement().pair().en.startsWith(QLatin1Char(' ')));
    EXPECT_EQ(en(L10n::refreshing()), QStringLiteral("Refreshing\u2026"));
    EXPECT_EQ(ko(L10n::refreshing()), QStringLiteral("새로 고침 중..."));
}

TEST_F(Texts, TextFollowsTheResolvedLanguageAtEachRead) {
    const L10n l = L10n::networkError();
    english();
    EXPECT_EQ(l.text(), QStringLiteral("Network error"));
    korean();
    EXPECT_EQ(l.text(), QStringLiteral("네트워크 오류"));
}

TEST_F(Texts, CountdownBoundaries) {
    english();
    EXPECT_EQ(quotaCountdownText(59), QStringLiteral("Resets soon"));
    EXPECT_EQ(quotaCountdownText(59.9), QStringLiteral("Resets soon"));
    EXPECT_EQ(quotaCountdownText(60), QStringLiteral("in 1m"));
    EXPECT_EQ(quotaCountdownText(3599), QStringLiteral("in 59m"));
    EXPECT_EQ(quotaCountdownText(3600), QStringLiteral("in 1h"));
    EXPECT_EQ(quotaCountdownText(3659), QStringLiteral("in 1h"));
    EXPECT_EQ(quotaCountdownText(3660), QStringLiteral("in 1h 1m"));
    EXPECT_EQ(quotaCountdownText(86399), QStringLiteral("in 23h 59m"));
    EXPECT_EQ(quotaCountdownText(86400), QStringLiteral("in 1d"));
    EXPECT_EQ(quotaCountdownText(86400 + 3599), QStringLiteral("in 1d"));
    EXPECT_EQ(quotaCountdownText(90000), QStringLiteral("in 1d 1h"));
    korean();
    EXPECT_EQ(quotaCountdownText(90000), QStringLiteral("1일 1시간 후"));
    EXPECT_EQ(quotaCountdownText(3660), QStringLiteral("1시간 1분 후"));
    EXPECT_EQ(quotaCountdownText(10), QStringLiteral("곧 리셋"));
}

TEST_F(Texts, CountdownSurvivesValuesFromOutside) {
    english();
    EXPECT_EQ(quotaCountdownText(-5), QStringLiteral("Resets soon"));
    EXPECT_EQ(quotaCountdownText(std::nan("")), QStringLiteral("Resets soon"));
    EXPECT_EQ(quotaCountdownText(-std::numeric_limits<double>::infinity()), QStringLiteral("Resets soon"));
    // Huge values are capped, never converted with overflow.
    const QString capped = quotaCountdownText(1e12);
    EXPECT_EQ(quotaCountdownText(std::numeric_limits<double>::infinity()), capped);
    EXPECT_EQ(quotaCountdownText(1e300), capped);
    EXPECT_EQ(capped, QStringLiteral("in 11574074d 1h"));
}

TEST_F(Texts, ResetLine) {
    english();
    EXPECT_EQ(L10n::resetLine(59.9).text(), QStringLiteral("Resets soon"));
    EXPECT_EQ(L10n::resetLine(60).text(), QStringLiteral("Resets in 1m"));
    EXPECT_EQ(L10n::resetLine(90000).text(), QStringLiteral("Resets in 1d 1h"));
    EXPECT_EQ(L10n::resetLine(std::nan("")).text(), QStringLiteral("Resets soon"));
    EXPECT_EQ(L10n::resetLine(1e300).text(), QStringLiteral("Resets in 11574074d 1h"));
    korean();
    EXPECT_EQ(L10n::resetLine(60).text(), QStringLiteral("1분 후 리셋"));
    EXPECT_EQ(L10n::resetLine(-1).text(), QStringLiteral("곧 리셋"));
    // both elements carry the countdown of the language in use
    EXPECT_EQ(L10n::resetLine(60).pair().en, QStringLiteral("Resets 1분 후"));
}

TEST_F(Texts, ReasonsInBothLanguages) {
    english();
    EXPECT_EQ(displayText(UsageUnavailableReason::networkFailure), QStringLiteral("Network error"));
    const auto n = notice(UsageUnavailableReason::networkFailure);
    EXPECT_EQ(n.header, QStringLiteral("Network"));
    EXPECT_EQ(n.title, QStringLiteral("Could not reach the provider"));
    EXPECT_TRUE(n.isFault);
    EXPECT_TRUE(notice(UsageUnavailableReason::notMeasured).detail.contains(QStringLiteral(" \u2014 ")));
    korean();
    EXPECT_EQ(displayText(UsageUnavailableReason::networkFailure), QStringLiteral("네트워크 오류"));
    EXPECT_EQ(notice(UsageUnavailableReason::networkFailure).header, QStringLiteral("네트워크"));
    // A signed-in account without figures is neither a fault nor a missing
    // sign-in; only an API-key sign-in stays as it is.
    const int signedIn = static_cast<int>(UsageUnavailableReason::signedInWithAPIKey);
    for (int i = 0; i <= static_cast<int>(UsageUnavailableReason::awaitingFirstReading); ++i) {
        const auto r = static_cast<UsageUnavailableReason>(i);
        EXPECT_EQ(unavailableReasonFromRawValue(rawValue(r)), r);
        EXPECT_EQ(meansSignedIn(r), i >= signedIn);
        EXPECT_EQ(notice(r).isFault, r != UsageUnavailableReason::notMeasured && i < signedIn);
        EXPECT_EQ(isTransient(r), i >= 2 && i != signedIn);
        EXPECT_FALSE(displayText(r).isEmpty());
    }
    EXPECT_FALSE(unavailableReasonFromRawValue(u"RateLimited"));
}

// A key that is valid but may not read usage says which permission it needs,
// not that it was refused.
TEST_F(Texts, AMissingPermissionNamesThePermission) {
    const auto r = UsageUnavailableReason::missingPermission;
    EXPECT_EQ(rawValue(r), QStringLiteral("missingPermission"));
    english();
    EXPECT_EQ(displayText(r), QStringLiteral("Permission missing"));
    EXPECT_NE(displayText(r), displayText(UsageUnavailableReason::authenticationFailed));
    EXPECT_TRUE(notice(r).detail.contains(QStringLiteral("user-read permission (user_read)")));
    EXPECT_TRUE(notice(r).isFault);
    korean();
    EXPECT_EQ(displayText(r), QStringLiteral("권한 부족"));
    EXPECT_TRUE(notice(r).detail.contains(QStringLiteral("사용자 읽기 권한(user_read)")));
}

// Nothing in the table names another platform, its apps or its keys; the
// footnotes that did speak of this computer and the system's language setting.
TEST_F(Texts, TextsSpeakOfThisComputerAndItsSystem) {
    static const QRegularExpression otherPlatform(
        QStringLiteral("\\bMac\\b|macOS|\\bFinder\\b|\\bDock\\b|\\bCommand\\b|⌘|System Settings|"
                       "System Preferences|Keychain|Launchpad|Spotlight|메뉴 막대|키체인|시스템 환경설정"));
    for (L10n::Case c : test::plainCases()) {
        const L10nPair p = L10n::plain(c).pair();
        EXPECT_FALSE(otherPlatform.match(p.ko).hasMatch()) << p.ko.toStdString();
        EXPECT_FALSE(otherPlatform.match(p.en).hasMatch()) << p.en.toStdString();
    }
    EXPECT_TRUE(ko(L10n::providersOnBarFootnote()).contains(QStringLiteral("이 컴퓨터에서")));
    EXPECT_TRUE(en(L10n::guidanceDetailNotMeasured())
                    .startsWith(QStringLiteral("It was detected on this computer,")));
    EXPECT_TRUE(ko(L10n::languageFootnote()).contains(QStringLiteral("시스템의 언어 설정")));
    EXPECT_TRUE(en(L10n::languageFootnote()).contains(QStringLiteral("your system's language setting")));
}

TEST_F(Texts, TierLabelFollowsTheLanguage) {
    english();
    EXPECT_EQ(label(UsageTier::critical), QStringLiteral("Critical"));
    korean();
    EXPECT_EQ(label(UsageTier::critical), QStringLiteral("임박"));
    EXPECT_EQ(label(UsageTier::critical), L10n::tierCritical().text());
}

TEST(Language, ResolutionUsesOnlyTheFirstPreferredLanguage) {
    using L = QStringList;
    EXPECT_EQ(Localization::resolve(AppLanguage::system, L{"ko-KR", "en-US"}), ResolvedLanguage::korean);
    EXPECT_EQ(Localization::resolve(AppLanguage::system, L{"KO_kr"}), ResolvedLanguage::korean);
    EXPECT_EQ(Localization::resolve(AppLanguage::system, L{"kok-IN"}), ResolvedLanguage::english);
    EXPECT_EQ(Localization::resolve(AppLanguage::system, L{"en-KR", "ko-KR"}), ResolvedLanguage::english);
    EXPECT_EQ(Localization::resolve(AppLanguage::system, L{}), ResolvedLanguage::english);
    EXPECT_EQ(Localization::resolve(AppLanguage::system, L{""}), ResolvedLanguage::english);
    EXPECT_EQ(Localization::resolve(AppLanguage::system, L{"-_"}), ResolvedLanguage::english);
    EXPECT_EQ(Localization::resolve(AppLanguage::system, L{"_-ko-KR"}), ResolvedLanguage::korean);
    EXPECT_EQ(Localization::resolve(AppLanguage::system, L{"ko"}), ResolvedLanguage::korean);
    EXPECT_EQ(Localization::resolve(AppLanguage::system, L{"k-o"}), ResolvedLanguage::english);
    EXPECT_EQ(Localization::resolve(AppLanguage::korean, L{"en"}), ResolvedLanguage::korean);
    EXPECT_EQ(Localization::resolve(AppLanguage::english, L{"ko"}), ResolvedLanguage::english);
}

class LanguageSetting : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        settings = std::make_shared<QSettings>(dir.filePath(QStringLiteral("s.conf")), QSettings::IniFormat);
    }
    void TearDown() override { test::speak(); }
    QTemporaryDir dir;
    std::shared_ptr<QSettings> settings;
};

TEST_F(LanguageSetting, StoredValueIsMatchedExactly) {
    for (const char* stored : {"Korean", "ja", ""}) {
        settings->setValue(QStringLiteral("appLanguage"), QString::fromLatin1(stored));
        Localization l(settings, [] { return QStringList{QStringLiteral("ko-KR")}; });
        EXPECT_EQ(l.preference(), AppLanguage::system) << stored;
        EXPECT_EQ(Localization::current(), ResolvedLanguage::korean); // system -> first preferred
    }
    settings->setValue(QStringLiteral("appLanguage"), QStringLiteral("english"));
    Localization l(settings, [] { return QStringList{QStringLiteral("ko-KR")}; });
    EXPECT_EQ(l.preference(), AppLanguage::english);
    EXPECT_EQ(Localization::current(), ResolvedLanguage::english);
}

TEST_F(LanguageSetting, SetPreferenceStoresPublishesAndSkipsNoChange) {
    Localization l(settings, [] { return QStringList{QStringLiteral("en-US")}; });
    int signals_ = 0;
    QObject::connect(&l, &Localization::preferenceChanged, [&] { ++signals_; });
    l.setPreference(AppLanguage::system);
    EXPECT_EQ(signals_, 0);
    EXPECT_FALSE(settings->contains(QStringLiteral("appLanguage")));
    l.setPreference(AppLanguage::korean);
    EXPECT_EQ(signals_, 1);
    EXPECT_EQ(settings->value(QStringLiteral("appLanguage")).toString(), QStringLiteral("korean"));
    EXPECT_EQ(Localization::current(), ResolvedLanguage::korean);
    EXPECT_EQ(displayName(AppLanguage::system), QStringLiteral("시스템 설정 따름"));
    // a new object on the same settings reads it back
    Localization again(settings, [] { return QStringList{QStringLiteral("en-US")}; });
    EXPECT_EQ(again.preference(), AppLanguage::korean);
}

// A provider's own text carries its pair, filled with its values as the table's are.
TEST_F(Texts, ACarriedTextFillsItsOwnPair) {
    const L10n t = L10n::carried({QStringLiteral("{s} 서버"), QStringLiteral("The {s} server")}, QStringLiteral("{t}"));
    EXPECT_EQ(t.kind(), L10n::Case::carried);
    EXPECT_EQ(en(t), QStringLiteral("The {t} server"));
    korean();
    EXPECT_EQ(t.text(), QStringLiteral("{t} 서버"));
}
