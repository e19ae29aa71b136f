// A provider's panel screen against a scripted manager, registry and settings.
#include "design/IconTile.h"
#include "design/InsetSection.h"
#include "design/RollingDigitsView.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "panels/AccountRow.h"
#include "panels/DetailGlassCardView.h"
#include "panels/MenuBarProviderDetailScreen.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuScreenHeader.h"
#include "panels/QuotaHeroView.h"
#include "panels/QuotaMeterRow.h"
#include "panels/SymbolLabel.h"
#include "platform/ui/Appearance.h"

#include "ScreenChecks.h"
#include "ScreenFixture.h"
#include "support/FetchEnd.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/LinkCatcher.h"
#include "support/gui/ScreenParts.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <QAbstractButton>
#include <QTest>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using P = AIProviderType;

class ProviderScreen : public ::testing::Test {
  protected:
    void SetUp() override { test::speak(ResolvedLanguage::english); }
    void TearDown() override {
        test::speak();
        test::showLook(std::nullopt);
    }

    std::unique_ptr<MenuBarProviderDetailScreen> open(test::ScreenFixture& f, P provider) {
        auto s = std::make_unique<MenuBarProviderDetailScreen>(f.context(), provider);
        s->resize(312, s->heightForWidth(312));
        s->show();
        return s;
    }
    static void settle(MenuBarProviderDetailScreen& s) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        s.resize(312, s.heightForWidth(312));
    }
    UsageSnapshot reading(test::ScreenFixture& f, double percent, std::optional<QString> account,
                          FetchStrategy strategy = FetchStrategy::oauthKeychain) {
        UsageSnapshot s(UsageSnapshot::Fields{.provider = P::claudeCode,
                                              .headlineRemainingPercentage = percent,
                                              .weeklyRemainingPercentage = 38,
                                              .lastUpdated = f.clock.now(),
                                              .strategyUsed = strategy,
                                              .accountID = account,
                                              .headlineResetAt = f.clock.now().addSecs(5400),
                                              .weeklyResetAt = f.clock.now().addDays(3)});
        return s;
    }
    static AccountSource cli() {
        return {QStringLiteral("cli"), AccountSourceKind::cli, QStringLiteral("Claude Code CLI"),
                std::nullopt};
    }
};

TEST_F(ProviderScreen, APlaceholderShowsTheConnectionNoticeAndNoQuotaLines) {
    test::ScreenFixture f;
    auto screen = open(f, P::openAICodex);
    ASSERT_TRUE(test::part(*screen, QStringLiteral("noDataNotice")));
    EXPECT_EQ(test::part(*screen, QStringLiteral("quotaSection")), nullptr);
    EXPECT_EQ(test::part(*screen, QStringLiteral("failureNotice")), nullptr);
    EXPECT_EQ(test::part(*screen, QStringLiteral("accountsSection")), nullptr);
    EXPECT_TRUE(test::part<QuotaHeroView>(*screen, QStringLiteral("hero"))->shown().withheld);
    EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->text(), QStringLiteral("Not connected"));
    const auto titles = [&] {
        QStringList out;
        for (InsetSection* s : screen->findChildren<InsetSection*>())
            if (s->findChild<TextView*>(QStringLiteral("sectionTitle"), Qt::FindDirectChildrenOnly)) out.append(s->findChild<TextView*>(QStringLiteral("sectionTitle"), Qt::FindDirectChildrenOnly)->text());
        return out;
    }();
    EXPECT_EQ(titles, QStringList{QStringLiteral("Client")});
}

TEST_F(ProviderScreen, AReadingOfTheShownAccountWithMaskingOnAndOff) {
    test::ScreenFixture f;
    f.addAccount(QStringLiteral("u-1"), QStringLiteral("dev@example.com"), cli());
    ASSERT_TRUE(f.scan());
    f.manager->apply({reading(f, 64, QStringLiteral("u-1"))}, P::claudeCode);
    auto screen = open(f, P::claudeCode);
    EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->text(), QStringLiteral("d***@example.com"));
    ASSERT_TRUE(test::part(*screen, QStringLiteral("accountsSection")));
    EXPECT_EQ(static_cast<InsetSection*>(test::part(*screen, QStringLiteral("accountsSection")))->findChild<TextView*>(QStringLiteral("footnote"), Qt::FindDirectChildrenOnly), nullptr);
    const auto rows = test::part(*screen, QStringLiteral("accountsSection"))->findChildren<AccountRow*>();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]->accessibleName(), QStringLiteral("d***@example.com, CLI, On the bar"));
    EXPECT_EQ(rows[0]->model().remainingPercentage, 64);
    // Session and weekly lines made from the window figures.
    const auto lines = test::part(*screen, QStringLiteral("quotaSection"))->findChildren<QuotaMeterRow*>();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(labelText(lines[0]->item().name), QStringLiteral("Claude session"));
    EXPECT_EQ(labelText(lines[1]->item().name), QStringLiteral("Claude weekly"));
    EXPECT_EQ(test::part(*screen, QStringLiteral("noDataNotice")), nullptr);

    f.preferences->setMaskAccountEmails(false);
    settle(*screen);
    EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->text(), QStringLiteral("dev@example.com"));
    EXPECT_EQ(test::part(*screen, QStringLiteral("accountsSection"))->findChildren<AccountRow*>().value(0)->model().label,
              QStringLiteral("dev@example.com"));
}

// A reading without a figure is never a percentage anywhere on the screen: the
// header, the account line and the notice give the reading's own reason in the
// detail card's words (a tool that publishes none, a failed network read).
TEST_F(ProviderScreen, AReadingWithoutAFigureTellsItsOwnReasonAsTheCardDoes) {
    const struct {
        const char* name;
        P provider;
        UsageUnavailableReason reason;
        bool signedIn;
        const char* subtitle;    // the identity header's second line
        const char* accountLine; // the account row's second line, when signed in
        const char* header;      // the notice's section title
        const char* title;
    } rows[] = {
        {"Cursor, signed in, Cursor Pro", P::cursor, UsageUnavailableReason::notMeasured, true,
         "d***@example.com", "Usage not measurable", "Measurement", "This provider does not report usage"},
        {"Groq, key present, network down", P::groq, UsageUnavailableReason::networkFailure, false,
         "Network error", nullptr, "Network", "Could not reach the provider"},
        {"Groq, key refused", P::groq, UsageUnavailableReason::authenticationFailed, false,
         "Authentication failed", nullptr, "Authentication", "Authentication was rejected"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::ScreenFixture f({r.provider}, {r.provider}, r.provider);
        std::optional<QString> accountID;
        if (r.signedIn) {
            f.addAccount(QStringLiteral("u-1"), QStringLiteral("dev@example.com"), cli());
            ASSERT_TRUE(f.scan());
            accountID = QStringLiteral("u-1");
        }
        UsageSnapshot s = UsageSnapshot::unavailable(r.provider, r.reason, std::nullopt,
                                                     r.signedIn ? std::optional(QStringLiteral("Cursor Pro"))
                                                                : std::nullopt,
                                                     accountID, std::nullopt, f.clock.now());
        f.manager->apply({s}, r.provider);
        auto screen = open(f, r.provider);
        settle(*screen);
        EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->text(), QString::fromUtf8(r.subtitle));
        EXPECT_EQ(test::part(*screen, QStringLiteral("quotaSection")), nullptr);
        const auto accountRows = screen->findChildren<AccountRow*>();
        ASSERT_EQ(accountRows.size(), r.signedIn ? 1 : 0);
        if (r.signedIn) {
            EXPECT_EQ(accountRows[0]->model().percentageText(), std::nullopt);
            // The one account is the one the bar follows: its line says so,
            // the header and the notice give the reason.
            EXPECT_EQ(accountRows[0]->model().missingFigure, QString::fromUtf8(r.accountLine));
            EXPECT_EQ(accountRows[0]->model().secondLine(f.clock), QStringLiteral("On the bar"));
        }
        // The notice is the card's own, word for word.
        const auto card = DetailGlassCardView::display(f.manager->snapshots().value(r.provider), {}, f.clock,
                                                       QLocale::c());
        ASSERT_TRUE(card.notice);
        auto* notice = static_cast<InsetSection*>(test::part(*screen, QStringLiteral("noDataNotice")));
        ASSERT_TRUE(notice && notice->findChild<TextView*>(QStringLiteral("sectionTitle"), Qt::FindDirectChildrenOnly));
        EXPECT_EQ(notice->findChild<TextView*>(QStringLiteral("sectionTitle"), Qt::FindDirectChildrenOnly)->text(), card.notice->header);
        EXPECT_EQ(card.notice->header, QString::fromUtf8(r.header));
        QStringList texts;
        for (TextView* t : notice->findChildren<TextView*>())
            texts.append(t->text());
        EXPECT_TRUE(texts.contains(QString::fromUtf8(r.title))) << texts.join(" | ").toStdString();
        EXPECT_TRUE(texts.contains(card.notice->detail));
        // Nothing on the screen reads as a percentage.
        for (const QString& t : texts)
            EXPECT_FALSE(t.contains(QLatin1Char('%'))) << t.toStdString();
        for (RollingDigitsView* d : screen->findChildren<RollingDigitsView*>())
            EXPECT_FALSE(d->isVisibleTo(screen.get()) && d->hasFigure());
        test::saveGrab(screen->grab().toImage(), QStringLiteral("provider-screen-") + rawValue(r.reason));
    }
}

TEST_F(ProviderScreen, TwoAccountsCarryTheFootnote) {
    test::ScreenFixture f;
    f.addAccount(QStringLiteral("u-1"), QStringLiteral("dev@example.com"), cli());
    f.addAccount(QStringLiteral("u-2"), QStringLiteral("ops@example.com"), cli());
    ASSERT_TRUE(f.scan());
    auto screen = open(f, P::claudeCode);
    ASSERT_TRUE(test::part(*screen, QStringLiteral("accountsSection")));
    auto* section = static_cast<InsetSection*>(test::part(*screen, QStringLiteral("accountsSection")));
    ASSERT_TRUE(section->findChild<TextView*>(QStringLiteral("footnote"), Qt::FindDirectChildrenOnly));
    // No account is on the bar yet (nothing read): the note names no mark.
    EXPECT_EQ(section->findChild<TextView*>(QStringLiteral("footnote"), Qt::FindDirectChildrenOnly)->text(), QStringLiteral("Quota is tallied per account."));
    EXPECT_EQ(section->findChildren<AccountRow*>().size(), 2);
}

TEST_F(ProviderScreen, ASimulatedReadingWithAnErrorHasNoSuffixAndTheConnectionNotice) {
    test::ScreenFixture f;
    UsageSnapshot failed = UsageSnapshot::simulatedFallback(P::claudeCode, f.clock.now());
    failed.fetchError = QStringLiteral("Usage could not be refreshed.");
    f.manager->apply({failed}, P::claudeCode);
    auto screen = open(f, P::claudeCode);
    ASSERT_TRUE(test::part(*screen, QStringLiteral("failureNotice")));
    EXPECT_EQ(static_cast<SymbolLabel*>(test::part(*screen, QStringLiteral("failureNotice")))->text(),
              QStringLiteral("Refresh failed: Usage could not be refreshed."));
    EXPECT_TRUE(test::part(*screen, QStringLiteral("noDataNotice")));
    // A failed refresh is stale: the subtitle is the reading's age, in orange.
    EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->text(), QStringLiteral("as of just now"));
    EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->color(), QColor(255, 159, 10));
}

TEST_F(ProviderScreen, AStaleReadingTurnsTheSubtitleIntoItsAgeInOrange) {
    const QColor orange(255, 159, 10);
    const struct {
        int age;
        bool failed;
        QString text;
        bool orangeText;
    } rows[] = {
        {0, false, QStringLiteral("d***@example.com"), false},
        {900, false, QStringLiteral("d***@example.com"), false},
        {901, false, QStringLiteral("as of 15m ago"), true},
        {3 * 3600, false, QStringLiteral("as of 3h ago"), true},
        {10, true, QStringLiteral("as of just now"), true},
    };
    for (auto scheme : {Appearance::Scheme::light, Appearance::Scheme::dark}) {
        test::showLook(scheme);
        for (const auto& r : rows) {
            test::ScreenFixture f;
            f.addAccount(QStringLiteral("u-1"), QStringLiteral("dev@example.com"), cli());
            ASSERT_TRUE(f.scan());
            UsageSnapshot s = reading(f, 64, QStringLiteral("u-1"));
            s.lastUpdated = s.capturedAt = f.clock.now().addSecs(-r.age);
            if (r.failed) s.fetchError = QStringLiteral("Usage could not be refreshed.");
            f.manager->apply({s}, P::claudeCode);
            auto screen = open(f, P::claudeCode);
            EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->text(), r.text) << r.age;
            EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->color(), r.orangeText ? orange : LabelColor::secondary())
                << r.age;
        }
    }
}

TEST_F(ProviderScreen, CommandsRefreshOpenLinksAndLeadToSettings) {
    test::ScreenFixture f;
    test::LinkCatcher links;
    auto screen = open(f, P::claudeCode);
    const auto rows = test::parts<MenuCommandRow>(*screen, QStringLiteral("actionRow"));
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0]->title(), QStringLiteral("Refresh this provider"));
    QTest::mouseClick(rows[1], Qt::LeftButton);
    QTest::mouseClick(rows[2], Qt::LeftButton);
    ASSERT_EQ(links.opened.size(), 2);
    EXPECT_EQ(links.opened[0], *accountDashboardURL(P::claudeCode));
    EXPECT_EQ(links.opened[1], statusPageURL(P::claudeCode));
    QTest::mouseClick(rows[3], Qt::LeftButton);
    EXPECT_EQ(f.navigator.screen(), MenuBarScreen::settings());

    for (P p : allProviderTypes()) {
        if (accountDashboardURL(p)) continue;
        auto other = open(f, p);
        EXPECT_EQ(test::parts<MenuCommandRow>(*other, QStringLiteral("actionRow")).size(), 3) << rawValue(p).toStdString();
    }
}

TEST_F(ProviderScreen, ShowingTheScreenAsksForAFreshReading) {
    test::ScreenFixture f({P::claudeCode, P::groq});
    const test::ScriptedAdapter& groq = *f.adapters.value(P::groq);
    auto screen = std::make_unique<MenuBarProviderDetailScreen>(f.context(), P::groq);
    QCoreApplication::processEvents();
    EXPECT_EQ(groq.fetches, 0); // built but not shown: nothing asked
    screen->show();
    ASSERT_TRUE(test::waitUntil([&] { return groq.fetches == 1; }));
    ASSERT_TRUE(test::fetchEnded(*f.manager, P::groq));
    EXPECT_EQ(groq.fetches, 1);
    EXPECT_EQ(f.adapters.value(P::claudeCode)->fetches, 0); // only the provider shown
}

TEST_F(ProviderScreen, BackReturnsToTheOverview) {
    test::ScreenFixture f;
    f.navigator.push(MenuBarScreen::providerDetail(P::claudeCode));
    auto screen = open(f, P::claudeCode);
    auto* header = screen->findChild<MenuScreenHeader*>();
    ASSERT_TRUE(header);
    QTest::mouseClick(header->findChild<QAbstractButton*>(QStringLiteral("back")), Qt::LeftButton);
    EXPECT_EQ(f.navigator.screen(), MenuBarScreen::overview());
    EXPECT_FALSE(f.navigator.isForward());
}

// A poll during a refresh brings a new figure: the screen keeps its rows, so the
// refresh row keeps turning, the ring's digits roll to the new figure and a
// hover stays. Only a new shape (accounts, a notice, no reading) or a new
// language builds it anew.
TEST_F(ProviderScreen, APublishedChangeKeepsTheRowsOfTheSameShape) {
    enum class Change { figure, age, masking, newAccount, failure, nothingRead, language };
    const struct {
        const char* name;
        Change change;
        bool rebuilds;
    } rows[] = {
        {"a new figure", Change::figure, false},      {"an older reading", Change::age, false},
        {"masking off", Change::masking, false},      {"a new account", Change::newAccount, true},
        {"a failed refresh", Change::failure, true},  {"nothing read", Change::nothingRead, true},
        {"another language", Change::language, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::ScreenFixture f;
        f.addAccount(QStringLiteral("u-1"), QStringLiteral("dev@example.com"), cli());
        f.addAccount(QStringLiteral("u-2"), QStringLiteral("ops@example.com"), cli());
        ASSERT_TRUE(f.scan());
        f.manager->apply({reading(f, 64, QStringLiteral("u-1"))}, P::claudeCode);
        // Every fetch (the one the screen asks for when shown, the refresh's)
        // waits until released: only the changes below reach the screen.
        f.adapters.value(P::claudeCode)->hold();
        auto screen = open(f, P::claudeCode);
        settle(*screen);
        f.manager->refreshAll(true);
        ASSERT_TRUE(f.manager->isRefreshing());
        const QPointer<QWidget> content = screen->content();
        const QPointer<MenuCommandRow> refresh = test::parts<MenuCommandRow>(*screen, QStringLiteral("actionRow")).value(0);
        const QPointer<QuotaHeroView> hero = test::part<QuotaHeroView>(*screen, QStringLiteral("hero"));
        const QPointer<AccountRow> first = test::parts<AccountRow>(*screen, QStringLiteral("accountRow")).value(0);
        const QPointer<QuotaMeterRow> session = test::parts<QuotaMeterRow>(*screen, QStringLiteral("quotaRow")).value(0);
        ASSERT_TRUE(refresh && hero && first && session);
        EXPECT_TRUE(refresh->isSpinning());
        test::parts<MenuCommandRow>(*screen, QStringLiteral("actionRow")).value(2)->setHovered(true);

        switch (row.change) {
        case Change::figure:
            f.manager->apply({reading(f, 40, QStringLiteral("u-1"))}, P::claudeCode);
            break;
        case Change::age: {
            // An hour on, a reading taken when the screen opened.
            f.clock.advance(3600);
            UsageSnapshot older = reading(f, 63, QStringLiteral("u-1"));
            older.capturedAt = older.lastUpdated = f.clock.now().addSecs(-3600);
            f.manager->apply({older}, P::claudeCode);
            break;
        }
        case Change::masking:
            f.preferences->setMaskAccountEmails(false);
            break;
        case Change::newAccount:
            f.addAccount(QStringLiteral("u-3"), QStringLiteral("qa@example.com"), cli());
            ASSERT_TRUE(f.scan());
            break;
        case Change::failure: {
            UsageSnapshot failed = reading(f, 64, QStringLiteral("u-1"));
            failed.fetchError = QStringLiteral("Usage could not be refreshed.");
            f.manager->apply({failed}, P::claudeCode);
            break;
        }
        case Change::nothingRead:
            f.manager->apply({UsageSnapshot::simulatedFallback(P::claudeCode, f.clock.now())}, P::claudeCode);
            break;
        case Change::language:
            test::speak(ResolvedLanguage::korean);
            f.manager->apply({reading(f, 40, QStringLiteral("u-1"))}, P::claudeCode);
            break;
        }
        settle(*screen);

        EXPECT_EQ(content.isNull(), row.rebuilds);
        if (!row.rebuilds) {
            EXPECT_EQ(screen->content(), content.data());
            EXPECT_EQ(test::parts<MenuCommandRow>(*screen, QStringLiteral("actionRow")).value(0), refresh.data());
            EXPECT_EQ(test::part<QuotaHeroView>(*screen, QStringLiteral("hero")), hero.data());
            EXPECT_EQ(test::parts<AccountRow>(*screen, QStringLiteral("accountRow")).value(0), first.data());
            EXPECT_EQ(test::parts<QuotaMeterRow>(*screen, QStringLiteral("quotaRow")).value(0), session.data());
            EXPECT_TRUE(refresh->isSpinning());
            EXPECT_TRUE(test::parts<MenuCommandRow>(*screen, QStringLiteral("actionRow")).value(2)->isHovered());
        }
        auto* digits = test::part<QuotaHeroView>(*screen, QStringLiteral("hero"))->findChild<RollingDigitsView*>();
        ASSERT_TRUE(digits);
        switch (row.change) {
        case Change::figure:
            // The ring's figure rolls from 64 to 40; the lines follow.
            EXPECT_EQ(digits->value(), 40);
            {
                const QImage rolling = digits->grab().toImage();
                EXPECT_TRUE(test::waitUntil([&] { return digits->grab().toImage() != rolling; }));
            }
            EXPECT_EQ(first->model().remainingPercentage, 40);
            EXPECT_EQ(session->item().remainingPercentage, 40);
            break;
        case Change::age:
            EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->text(), QStringLiteral("as of 1h ago"));
            EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->color(), QColor(255, 159, 10));
            EXPECT_EQ(first->model().readingCapturedAt, f.clock.now().addSecs(-3600));
            break;
        case Change::masking:
            EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("headerSubtitle"))->text(), QStringLiteral("dev@example.com"));
            EXPECT_EQ(first->model().label, QStringLiteral("dev@example.com"));
            break;
        case Change::newAccount:
            EXPECT_EQ(test::parts<AccountRow>(*screen, QStringLiteral("accountRow")).size(), 3);
            break;
        case Change::failure:
            EXPECT_TRUE(test::part(*screen, QStringLiteral("failureNotice")));
            break;
        case Change::nothingRead:
            EXPECT_TRUE(test::part(*screen, QStringLiteral("noDataNotice")));
            break;
        case Change::language:
            EXPECT_EQ(test::parts<MenuCommandRow>(*screen, QStringLiteral("actionRow")).value(0)->title(), QStringLiteral("이 프로바이더 새로 고침"));
            break;
        }
        f.adapters.value(P::claudeCode)->release();
        ASSERT_TRUE(test::waitUntil([&] { return !f.manager->isRefreshing(); }));
        settle(*screen);
        EXPECT_FALSE(test::parts<MenuCommandRow>(*screen, QStringLiteral("actionRow")).value(0)->isSpinning());
        test::speak(ResolvedLanguage::english);
    }
}

TEST_F(ProviderScreen, GrabsInBothLooks) {
    test::ScreenFixture f({P::claudeCode, P::openAICodex});
    f.addAccount(QStringLiteral("u-1"), QStringLiteral("dev@example.com"), cli());
    f.addAccount(QStringLiteral("u-2"), QStringLiteral("ops@example.com"),
                 {QStringLiteral("desktop"), AccountSourceKind::desktopApp, QStringLiteral("Claude app"),
                  std::nullopt});
    ASSERT_TRUE(f.scan());
    UsageSnapshot measured = reading(f, 64, QStringLiteral("u-1"));
    measured.modelQuotas = {
        ModelQuotaItem(QuotaKind::sessionFiveHours, 64, QuotaKind::fiveHourSession, measured.capturedAt.addSecs(5400)),
        ModelQuotaItem(QuotaKind::weeklyAllModels, 38, QuotaKind::weeklyLimit, measured.capturedAt.addSecs(3 * 86400),
                       std::nullopt, 57)};
    f.manager->apply({measured}, P::claudeCode);
    UsageSnapshot failed = UsageSnapshot::simulatedFallback(P::openAICodex, f.clock.now());
    failed.fetchError = QStringLiteral("Usage could not be refreshed.");
    f.manager->apply({failed}, P::openAICodex);
    for (auto scheme : {Appearance::Scheme::light, Appearance::Scheme::dark}) {
        test::showLook(scheme);
        QList<QImage> shots;
        for (auto lang : {ResolvedLanguage::english, ResolvedLanguage::korean}) {
            test::speak(lang);
            for (P p : {P::claudeCode, P::openAICodex}) {
                SCOPED_TRACE(testing::Message() << int(scheme) << " " << int(lang) << " " << int(p));
                auto screen = open(f, p);
                shots.append(test::renderWidget(*screen));
                // Every text in its room and apart, in either language.
                test::expectTextsInsideAndApart(*screen);
                // Each section's plate in the look's own fill, beside its rows.
                for (InsetSection* section : screen->findChildren<InsetSection*>()) {
                    QWidget* plate = section->plate();
                    const QPoint at = plate->mapTo(screen.get(), QPoint(3, plate->height() / 2));
                    EXPECT_TRUE(
                        test::colourNear(test::pixelAt(shots.last(), at.x(), at.y()), Surface::plateFill()));
                }
                // The identity tile drawn in its gradient's top colour: Claude's
                // 64 % in the steady tier's.
                auto* tile = screen->findChild<IconTile*>();
                ASSERT_TRUE(tile && !tile->colors().isEmpty());
                const QPoint top =
                    tile->mapTo(screen.get(), tile->tileRect().topLeft().toPoint() + QPoint(4, 6));
                EXPECT_TRUE(test::colourNear(test::pixelAt(shots.last(), top.x(), top.y()),
                                             tile->colors().first(), 24));
                if (p == P::claudeCode) {
                    EXPECT_EQ(tile->colors().first(), toQColor(accent(UsageTier::steady)));
                }
            }
        }
        const bool dark = scheme == Appearance::Scheme::dark;
        EXPECT_FALSE(test::saveGrab(test::sheet(shots, dark ? QColor(30, 30, 34) : QColor(242, 242, 246)),
                                    dark ? QStringLiteral("provider-dark") : QStringLiteral("provider-light"))
                         .isEmpty());
    }
}

} // namespace
} // namespace meterix
