// The panel screens' derivations, without a window, in both languages.
#include "core/Localization.h"
#include "panels/AccountRowModel.h"
#include "panels/MakerShowcase.h"
#include "panels/ProviderDetailModel.h"
#include "panels/SettingsModel.h"

#include "support/FakeClock.h"
#include "support/Speaking.h"

#include <gtest/gtest.h>

#include <cmath>

namespace meterix {
namespace {

class PanelModels : public ::testing::TestWithParam<ResolvedLanguage> {
  protected:
    void SetUp() override { test::speak(GetParam()); }
    void TearDown() override { test::speak(); }
    bool korean() const { return GetParam() == ResolvedLanguage::korean; }
    QString pick(const char* ko, const char* en) const { return QString::fromUtf8(korean() ? ko : en); }
    QDateTime ago(double seconds) const {
        return clock.now().addMSecs(-qint64(std::llround(seconds * 1000)));
    }

    UsageSnapshot reading(double percent, double age,
                          FetchStrategy strategy = FetchStrategy::oauthKeychain) const {
        UsageSnapshot s(UsageSnapshot::Fields{.provider = AIProviderType::claudeCode,
                                              .headlineRemainingPercentage = percent,
                                              .lastUpdated = ago(age),
                                              .strategyUsed = strategy});
        return s;
    }
    static ResolvedAccount account(QString id, std::optional<QString> email,
                                   QList<AccountSource> sources = {}) {
        ResolvedAccount a;
        a.id = std::move(id);
        a.provider = AIProviderType::claudeCode;
        a.email = std::move(email);
        a.sources = std::move(sources);
        a.usageReadable = true;
        return a;
    }
    static AccountSource source(AccountSourceKind kind, QString id) {
        AccountSource s;
        s.id = std::move(id);
        s.kind = kind;
        s.displayName = s.id;
        return s;
    }

    test::FakeClock clock;
};

INSTANTIATE_TEST_SUITE_P(Languages, PanelModels,
                         ::testing::Values(ResolvedLanguage::korean, ResolvedLanguage::english),
                         [](const auto& info) { return rawValue(info.param).toStdString(); });

// MARK: account row

TEST_P(PanelModels, AccountRowSubtitleJoinsWhatHasText) {
    const struct {
        std::optional<QString> plan, organization;
        std::optional<QString> expected;
    } rows[] = {
        {std::nullopt, std::nullopt, std::nullopt},
        {QString(), QString(), std::nullopt},
        {QStringLiteral("Max"), std::nullopt, QStringLiteral("Max")},
        {QString(), QStringLiteral("Acme"), QStringLiteral("Acme")},
        {QStringLiteral("Max"), QStringLiteral("Acme"), QStringLiteral("Max · Acme")},
    };
    for (const auto& r : rows) {
        AccountRowModel m{.planName = r.plan, .organization = r.organization};
        EXPECT_EQ(m.subtitle(), r.expected) << r.plan.value_or("-").toStdString();
    }
}

TEST_P(PanelModels, AccountRowStateDecidesTileSecondLineOpacityAndLabel) {
    const struct {
        bool displayed, running, readable;
        std::optional<double> oldReadingAge;
        uint32_t tileTop;
        std::optional<QString> secondLine;
        double opacity;
        bool primaryLabel;
        QString accessible;
    } rows[] = {
        // Running and on the bar: green tile, both suffixes, running first.
        {true, true, true, std::nullopt, 0x30D158, pick("바에 표시 중", "On the bar"), 1.0, true,
         pick("a***@x.io, CLI, 실행 중, 바에 표시 중", "a***@x.io, CLI, Running, On the bar")},
        {true, false, true, std::nullopt, 0x0A84FF, pick("바에 표시 중", "On the bar"), 1.0, true,
         pick("a***@x.io, CLI, 바에 표시 중", "a***@x.io, CLI, On the bar")},
        {false, false, true, std::nullopt, 0x8E8E93, std::nullopt, 1.0, true,
         QStringLiteral("a***@x.io, CLI")},
        // Unreadable, not running: signed in with nothing recorded, secondary label, dimmed.
        {false, false, false, std::nullopt, 0x8E8E93, pick("로그인됨 · 기록 없음", "Signed in, nothing recorded"), 0.72, false,
         QStringLiteral("a***@x.io, CLI")},
        // The same while running is drawn at full opacity.
        {false, true, false, std::nullopt, 0x30D158, pick("로그인됨 · 기록 없음", "Signed in, nothing recorded"), 1.0, false,
         pick("a***@x.io, CLI, 실행 중", "a***@x.io, CLI, Running")},
        // An older reading shows its age, unless the bar follows it (the
        // screen's header tells the age then).
        {false, false, true, 7200, 0x8E8E93, pick("2시간 전 기준", "as of 2h ago"), 1.0, true,
         QStringLiteral("a***@x.io, CLI")},
        {true, false, true, 7200, 0x0A84FF, pick("바에 표시 중", "On the bar"), 1.0, true,
         pick("a***@x.io, CLI, 바에 표시 중", "a***@x.io, CLI, On the bar")},
        // On the bar while its reading is still to come.
        {true, false, false, std::nullopt, 0x0A84FF, pick("바에 표시 중", "On the bar"), 0.72, false,
         pick("a***@x.io, CLI, 바에 표시 중", "a***@x.io, CLI, On the bar")},
    };
    for (const auto& r : rows) {
        AccountRowModel m{.label = QStringLiteral("a***@x.io"),
                          .sourceBadge = QStringLiteral("CLI"),
                          .isDisplayed = r.displayed,
                          .isRunning = r.running,
                          .usageReadable = r.readable};
        if (r.oldReadingAge) m.readingCapturedAt = ago(*r.oldReadingAge);
        SCOPED_TRACE(r.accessible.toStdString());
        EXPECT_EQ(m.tileColors().first(), Rgb::fromHex(r.tileTop));
        EXPECT_EQ(m.secondLine(clock), r.secondLine);
        EXPECT_DOUBLE_EQ(m.opacity(), r.opacity);
        EXPECT_EQ(m.labelIsPrimary(), r.primaryLabel);
        EXPECT_EQ(m.accessibleLabel(), r.accessible);
    }
}

TEST_P(PanelModels, AccountRowPercentageRoundsDigitsButColoursByTheUnroundedValue) {
    const struct {
        double percent;
        bool old;
        QString text;
        std::optional<uint32_t> accent;
    } rows[] = {
        {74.5, false, QStringLiteral("75%"), 0x0A84FF}, // steady: the colour follows 74.5
        {75, false, QStringLiteral("75%"), 0x28CD41},
        {19.5, false, QStringLiteral("20%"), 0xFF453A},
        {90, true, QStringLiteral("90%"), std::nullopt}, // an older reading is secondary
    };
    for (const auto& r : rows) {
        AccountRowModel m{.remainingPercentage = r.percent};
        if (r.old) m.readingCapturedAt = ago(2000);
        EXPECT_EQ(m.percentageText(), r.text);
        const auto accent = m.percentageAccent();
        EXPECT_EQ(accent.has_value(), r.accent.has_value()) << r.percent;
        if (accent && r.accent) {
            EXPECT_EQ(*accent, Rgb::fromHex(*r.accent)) << r.percent;
        }
    }
    EXPECT_EQ(AccountRowModel{.remainingPercentage = std::nan("")}.percentageText(), std::nullopt);
    EXPECT_EQ(AccountRowModel{.remainingPercentage = INFINITY}.percentageText(), std::nullopt);
    EXPECT_EQ(AccountRowModel{}.percentageText(), std::nullopt);
    EXPECT_EQ(AccountRowModel{}.runningChipText(), pick("실행 중", "Running"));
}

// MARK: provider screen

TEST_P(PanelModels, WithoutAReadingTheScreenShowsTheNoDataStateNotAFullQuota) {
    ProviderDetailModel m({.provider = AIProviderType::openAICodex}, clock);
    EXPECT_TRUE(m.isSimulated());
    EXPECT_EQ(m.snapshot().unavailableReason, UsageUnavailableReason::notConfigured);
    EXPECT_EQ(m.snapshot().headlineRemainingPercentage, 0);
    EXPECT_EQ(m.snapshot().headlineResetAt, std::nullopt);
    EXPECT_EQ(m.sourceChipText(), pick("측정값 없음", "No reading"));
    EXPECT_EQ(m.failureNotice(), std::nullopt);
    // Nothing read at all: not connected.
    EXPECT_EQ(m.headerSubtitle(), pick("미연결", "Not connected"));
    EXPECT_EQ(m.headerTitle(), QStringLiteral("Codex"));
}

TEST_P(PanelModels, StaleAfterNineHundredSecondsTurnsTheSubtitleIntoTheAge) {
    const ResolvedAccount shown = account(QStringLiteral("u-1"), QStringLiteral("dev@example.com"));
    const struct {
        double age;
        bool stale;
        QString subtitle;
    } rows[] = {
        {900, false, QStringLiteral("d***@example.com")},
        {901, true, pick("15분 전 기준", "as of 15m ago")},
    };
    for (const auto& r : rows) {
        ProviderDetailModel m(
            {.snapshot = reading(60, r.age), .displayedAccount = PresentedState::presented(shown, true)}, clock);
        EXPECT_EQ(m.isStale(), r.stale) << r.age;
        EXPECT_EQ(m.headerSubtitle(), r.subtitle) << r.age;
    }
    UsageSnapshot failed = reading(60, 10);
    failed.fetchError = QStringLiteral("boom");
    EXPECT_TRUE(ProviderDetailModel({.snapshot = failed, .displayedAccount = shown}, clock).isStale());
}

TEST_P(PanelModels, SubtitleMasksTheReadingsOwnAddressWhileMaskingIsOn) {
    UsageSnapshot s = reading(60, 10);
    s.accountEmail = QStringLiteral("solo@example.com");
    const auto subtitle = [&](bool mask) {
        return ProviderDetailModel({.snapshot = PresentedState::presented(s, mask)}, clock).headerSubtitle();
    };
    EXPECT_EQ(subtitle(true), QStringLiteral("s***@example.com"));
    EXPECT_EQ(subtitle(false), QStringLiteral("solo@example.com"));
    s.accountEmail = QStringLiteral("@odd");
    EXPECT_EQ(subtitle(true), QStringLiteral("@odd"));
}

// A personal organisation is named after its owner's address, and other texts
// from outside may carry one too: while masking is on, none of the presented
// records reaches the screen whole; with it off, every text is as read.
TEST_P(PanelModels, EveryTextFromAnAccountOrReadingIsMaskedWhileMaskingIsOn) {
    ResolvedAccount owner = account(QStringLiteral("u-1"), QStringLiteral("mina.kim@example.com"));
    owner.organization = QStringLiteral("mina.kim@example.com's Organization");
    owner.planName = QStringLiteral("Claude Max");
    ResolvedAccount named = account(QStringLiteral("u-2"), std::nullopt);
    named.displayName = QStringLiteral("ops@example.com");
    named.planName = QStringLiteral("Team of ops@example.com");
    UsageSnapshot s = reading(60, 10);
    s.headlineQuotaName = QStringLiteral("Session of mina.kim@example.com");
    UsageSnapshot failed = s;
    failed.fetchError = QStringLiteral("Sign-in of mina.kim@example.com expired.");
    const auto model = [&](bool mask, const ResolvedAccount& shown, const UsageSnapshot& reading) {
        return ProviderDetailModel({.snapshot = PresentedState::presented(reading, mask),
                                    .displayedAccount = PresentedState::presented(shown, mask),
                                    .accounts = {PresentedState::presented(owner, mask),
                                                 PresentedState::presented(named, mask)}},
                                   clock);
    };
    const struct {
        bool mask;
        const char* subtitle; // of the first account's row
        const char* label2;   // the second account's label (its display name)
        const char* title2;   // the header's title with the second account shown
        const char* caption;
        const char* failure;
    } rows[] = {
        {true, "Claude Max · m***@example.com's Organization", "o***@example.com", "Team of o***@example.com",
         "Session of m***@example.com", "m***@example.com expired."},
        {false, "Claude Max · mina.kim@example.com's Organization", "ops@example.com",
         "Team of ops@example.com", "Session of mina.kim@example.com", "mina.kim@example.com expired."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mask);
        const ProviderDetailModel m = model(row.mask, owner, s);
        const auto accounts = m.accountRows();
        ASSERT_EQ(accounts.size(), 2);
        EXPECT_EQ(accounts[0].subtitle(), QString::fromUtf8(row.subtitle));
        EXPECT_EQ(accounts[1].label, QString::fromUtf8(row.label2));
        EXPECT_TRUE(accounts[1].accessibleLabel().startsWith(QString::fromUtf8(row.label2)));
        EXPECT_EQ(model(row.mask, named, s).headerSubtitle(), QString::fromUtf8(row.label2));
        EXPECT_EQ(model(row.mask, named, s).headerTitle(), QString::fromUtf8(row.title2));
        EXPECT_EQ(m.heroCaption(), QString::fromUtf8(row.caption));
        EXPECT_TRUE(model(row.mask, owner, failed).failureNotice()->contains(QString::fromUtf8(row.failure)));
    }
}

TEST_P(PanelModels, HeaderTitlePrefersTheShownAccountsPlan) {
    ResolvedAccount shown = account(QStringLiteral("u-1"), std::nullopt);
    UsageSnapshot s = reading(60, 10);
    s.planName = QStringLiteral("Pro");
    EXPECT_EQ(ProviderDetailModel({.snapshot = s, .displayedAccount = shown}, clock).headerTitle(),
              QStringLiteral("Pro"));
    shown.planName = QStringLiteral("Max");
    EXPECT_EQ(ProviderDetailModel({.snapshot = s, .displayedAccount = shown}, clock).headerTitle(),
              QStringLiteral("Max"));
    EXPECT_EQ(ProviderDetailModel({.snapshot = reading(60, 10)}, clock).headerTitle(),
              QStringLiteral("Claude Code"));
}

TEST_P(PanelModels, FallbackQuotasWithAndWithoutAWeeklyFigure) {
    UsageSnapshot s = reading(62, 10);
    s.headlineResetAt = s.capturedAt.addSecs(1800);
    auto quotas = ProviderDetailModel({.snapshot = s}, clock).quotas();
    ASSERT_EQ(quotas.size(), 1);
    EXPECT_EQ(labelText(quotas[0].name), pick("Claude 세션", "Claude session"));
    EXPECT_EQ(labelText(quotas[0].quotaType), pick("5시간 세션", "5-Hour Session"));
    EXPECT_EQ(quotas[0].remainingPercentage, 62);
    EXPECT_EQ(quotas[0].resetAt, s.headlineResetAt);

    s.weeklyRemainingPercentage = 40;
    s.weeklyResetAt = s.capturedAt.addDays(1);
    quotas = ProviderDetailModel({.snapshot = s}, clock).quotas();
    ASSERT_EQ(quotas.size(), 2);
    EXPECT_EQ(labelText(quotas[1].name), pick("Claude 주간", "Claude weekly"));
    EXPECT_EQ(labelText(quotas[1].quotaType), pick("주간 한도", "Weekly Limit"));
    EXPECT_EQ(quotas[1].remainingPercentage, 40);
    EXPECT_EQ(quotas[1].resetAt, s.weeklyResetAt);

    s.modelQuotas = {ModelQuotaItem(QStringLiteral("Opus"), 10, QStringLiteral("Weekly"))};
    EXPECT_EQ(ProviderDetailModel({.snapshot = s}, clock).quotas(), s.modelQuotas);
}

TEST_P(PanelModels, RunningLabelNamesEachAppKindOnceOrCLI) {
    const QList<AccountSource> twoAppsAndAnIDE{source(AccountSourceKind::desktopApp, QStringLiteral("a")),
                                               source(AccountSourceKind::desktopApp, QStringLiteral("b")),
                                               source(AccountSourceKind::ide, QStringLiteral("c"))};
    EXPECT_EQ(ProviderDetailModel::runningLabel(twoAppsAndAnIDE, true), pick("앱 · IDE", "App · IDE"));
    EXPECT_EQ(ProviderDetailModel::runningLabel(twoAppsAndAnIDE, false), pick("앱 · IDE", "App · IDE"));
    EXPECT_EQ(ProviderDetailModel::runningLabel({}, true), QStringLiteral("CLI"));
    EXPECT_EQ(ProviderDetailModel::runningLabel({}, false), std::nullopt);
}

TEST_P(PanelModels, AccountRowsTakeTheirReadingsMaskingAndRunningState) {
    const ResolvedAccount first =
        account(QStringLiteral("u-1"), QStringLiteral("dev@example.com"),
                {source(AccountSourceKind::desktopApp, QStringLiteral("claude.app"))});
    const ResolvedAccount second = account(QStringLiteral("u-2"), QStringLiteral("ops@example.com"));
    const ResolvedAccount third = account(QStringLiteral("u-3"), std::nullopt);
    UsageSnapshot ended = reading(30, 10);
    ended.headlineResetAt = ago(1);
    UsageSnapshot old = reading(80, 1000);
    const auto shown = [](const ResolvedAccount& a) { return PresentedState::presented(a, true); };
    ProviderDetailModel::Inputs in{.snapshot = reading(55, 10),
                                   .displayedAccount = shown(first),
                                   .accounts = {shown(first), shown(second), shown(third)}};
    in.bestKnownSnapshot = [&](const QString& id) -> std::optional<UsageSnapshot> {
        if (id == QLatin1String("u-1")) return reading(55, 10);
        if (id == QLatin1String("u-2")) return ended;
        return old;
    };
    in.isAccountRunning = [](const QString& id) { return id == QLatin1String("u-1"); };
    in.runningApps = [](const ResolvedAccount& a) { return a.sources; };
    const ProviderDetailModel m(in, clock);
    const auto rows = m.accountRows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(m.showsAccountsFootnote());
    EXPECT_EQ(rows[0].label, QStringLiteral("d***@example.com"));
    EXPECT_EQ(rows[0].sourceSymbol, QStringLiteral("macwindow"));
    EXPECT_EQ(rows[0].sourceBadge, pick("앱", "App"));
    EXPECT_TRUE(rows[0].isDisplayed && rows[0].isRunning);
    EXPECT_EQ(rows[0].runningLabel, pick("앱", "App"));
    EXPECT_EQ(rows[0].remainingPercentage, 55);
    EXPECT_EQ(rows[0].readingCapturedAt, std::nullopt);
    // A reading whose window has ended passes no figure.
    EXPECT_EQ(rows[1].remainingPercentage, std::nullopt);
    EXPECT_EQ(rows[1].sourceSymbol, QStringLiteral("person"));
    EXPECT_FALSE(rows[1].isDisplayed || rows[1].isRunning);
    EXPECT_EQ(rows[1].runningLabel, std::nullopt);
    // An old reading is passed with its capture time.
    EXPECT_EQ(rows[2].remainingPercentage, 80);
    EXPECT_EQ(rows[2].readingCapturedAt, old.capturedAt);
    EXPECT_EQ(rows[2].label, pick("Claude Code 계정", "Claude Code account")); // no name: called by its kind

    EXPECT_FALSE(ProviderDetailModel({.accounts = {first}}, clock).showsAccountsFootnote());
    EXPECT_FALSE(ProviderDetailModel({}, clock).showsAccounts());
}

TEST_P(PanelModels, FailureNoticeHasNoSuffixWhenNothingRealWasRead) {
    UsageSnapshot s = reading(0, 10, FetchStrategy::simulated);
    s.fetchError = QStringLiteral("timeout");
    EXPECT_EQ(ProviderDetailModel({.snapshot = s}, clock).failureNotice(),
              pick("갱신 실패: timeout", "Refresh failed: timeout"));
    s.strategyUsed = FetchStrategy::cliStatusProbe;
    EXPECT_EQ(ProviderDetailModel({.snapshot = s}, clock).failureNotice(),
              pick("갱신 실패: timeout 마지막 측정값입니다.",
                   "Refresh failed: timeout Showing the last measurement."));
}

TEST_P(PanelModels, ActionsLeaveOutAMissingDashboard) {
    const auto kinds = [&](AIProviderType p) {
        QList<ProviderDetailModel::Action> out;
        for (const auto& row : ProviderDetailModel({.provider = p}, clock).actions())
            out.append(row.action);
        return out;
    };
    using A = ProviderDetailModel::Action;
    EXPECT_EQ(kinds(AIProviderType::claudeCode),
              (QList<A>{A::refresh, A::dashboard, A::statusPage, A::settings}));
    for (AIProviderType p : allProviderTypes()) {
        if (!accountDashboardURL(p)) {
            EXPECT_EQ(kinds(p).size(), 3) << rawValue(p).toStdString();
        }
    }
    const auto rows = ProviderDetailModel({}, clock).actions();
    EXPECT_EQ(rows.first().title, pick("이 프로바이더 새로 고침", "Refresh this provider"));
    EXPECT_EQ(rows.last().title, pick("프로바이더 설정...", "Provider settings…"));
}

TEST_P(PanelModels, HeroCaptionAndEndedWindow) {
    UsageSnapshot s = reading(50, 10);
    EXPECT_EQ(ProviderDetailModel({.snapshot = s}, clock).heroCaption(), pick("세션 쿼터", "Session quota"));
    s.headlineQuotaName = QuotaKind::sessionFiveHours;
    s.headlineResetAt = clock.now().addSecs(60);
    const ProviderDetailModel future({.snapshot = s}, clock);
    EXPECT_EQ(future.heroCaption(), pick("세션 (5시간)", "Session (5h)"));
    EXPECT_EQ(future.windowEndedAt(), std::nullopt);
    s.headlineResetAt = clock.now();
    EXPECT_EQ(ProviderDetailModel({.snapshot = s}, clock).windowEndedAt(), clock.now());
}

// MARK: settings

TEST_P(PanelModels, TheLastProviderOnTheBarIsLocked) {
    using P = AIProviderType;
    const struct {
        QList<P> active;
        P row;
        bool on, locked;
    } rows[] = {
        {{P::groq}, P::groq, true, true},
        {{P::groq}, P::kimi, false, false},
        {{P::groq, P::kimi}, P::groq, true, false},
        {{P::groq, P::kimi}, P::kimi, true, false},
    };
    for (const auto& r : rows) {
        const auto t = SettingsModel::ProviderToggle::make(r.row, r.active, false);
        EXPECT_EQ(t.on, r.on);
        EXPECT_EQ(t.locked, r.locked);
        EXPECT_EQ(t.tooltip(), r.locked ? pick("최소 하나의 프로바이더는 표시되어야 합니다",
                                               "At least one provider has to stay on the bar")
                                        : QString());
        EXPECT_EQ(t.accessibleValue(), r.on ? pick("표시", "Shown") : pick("숨김", "Hidden"));
        EXPECT_EQ(t.tileColors().first(), Rgb::fromHex(r.on ? 0x0A84FF : 0x8E8E93));
    }
}

TEST_P(PanelModels, HomeIsAbbreviatedOnlyForItselfAndWhatLiesInside) {
    const struct {
        const char* path;
        const char* home;
        const char* shown;
    } rows[] = {
        {"/home/bob/.claude", "/home/bob", "~/.claude"},
        {"/home/bob", "/home/bob", "~"},
        {"/home/bob/", "/home/bob", "~/"},
        {"/home/bob/.codex", "/home/bob/", "~/.codex"},
        {"/home/bobby/.claude", "/home/bob", "/home/bobby/.claude"},
        {"/opt/cursor", "/home/bob", "/opt/cursor"},
        {"/etc/x", "/", "/etc/x"},
        {"/home/bob/x", "", "/home/bob/x"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(SettingsModel::abbreviateHome(QString::fromUtf8(r.path), QString::fromUtf8(r.home)),
                  QString::fromUtf8(r.shown))
            << r.path << " in " << r.home;
}

// MARK: about

TEST_P(PanelModels, ShowcaseCountsAndLanguage) {
    const auto products = MakerShowcase::products();
    ASSERT_EQ(products.size(), 5);
    EXPECT_EQ(MakerShowcase::twoDigits(int(products.size())), QStringLiteral("05"));
    EXPECT_EQ(MakerShowcase::twoDigits(MakerShowcase::liveCount()), QStringLiteral("04"));
    EXPECT_TRUE(products[3].isExperimental);
    EXPECT_EQ(products[4].category, MakerProduct::Category::crypto);
    EXPECT_EQ(products[0].summary,
              pick("하루 일정을 한 줄로 정리하는 메모", "Notes that fold a day into one line"));
    EXPECT_EQ(MakerProduct::symbol(products[0].category), QStringLiteral("iphone"));
    EXPECT_EQ(MakerProduct::colors(MakerProduct::Category::crypto).first(), Rgb::fromHex(0xBF5AF2));
}

} // namespace
} // namespace meterix
