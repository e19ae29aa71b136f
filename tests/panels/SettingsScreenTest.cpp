// The settings screen against a scripted manager, registry and settings.
#include "design/SoundEffectsEngine.h"
#include "design/TextView.h"
#include "panels/CatBreedSwatchPicker.h"
#include "panels/LanguageSegmentedPicker.h"
#include "panels/SwitchToggleStyle.h"
#include "panels/MenuBarSettingsScreen.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuScreenHeader.h"
#include "panels/MenuToggleRow.h"
#include "panels/ProviderToggleRow.h"
#include "panels/TextCapsuleBadge.h"
#include "platform/ui/Appearance.h"

#include "ScreenChecks.h"
#include "ScreenFixture.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/ScreenParts.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <QAbstractButton>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using P = AIProviderType;

// A coat's swatch, found as a screen reader does: by its stored name.
QAbstractButton* swatch(const QWidget& screen, PixelCatBreed breed) {
    for (QAbstractButton* b : screen.findChildren<QAbstractButton*>())
        if (b->accessibleName() == rawValue(breed)) return b;
    return nullptr;
}

// How wide a swatch is drawn now: the opaque run across its middle.
int drawnWidth(QWidget& swatch) {
    const QImage image = test::renderWidget(swatch);
    int n = 0;
    for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, image.height() / 2)) > 200;
    return n;
}

class SettingsScreen : public ::testing::Test {
  protected:
    void SetUp() override { test::speak(ResolvedLanguage::english); }
    void TearDown() override {
        test::speak();
        test::showLook(std::nullopt);
    }
    std::unique_ptr<MenuBarSettingsScreen> open(test::ScreenFixture& f) {
        auto s = std::make_unique<MenuBarSettingsScreen>(f.context(), f.localization.get());
        s->resize(312, s->heightForWidth(312));
        s->show();
        return s;
    }
    static void flip(MenuToggleRow* row) { QTest::mouseClick(row->findChild<SwitchToggleStyle*>(QStringLiteral("switch")), Qt::LeftButton); }
    static QStringList texts(QWidget* w) {
        QStringList out;
        for (TextView* t : w->findChildren<TextView*>())
            if (t->isVisibleTo(w)) out.append(t->text());
        return out;
    }
};

TEST_F(SettingsScreen, TheLastProviderOnTheBarCannotBeSwitchedOff) {
    test::ScreenFixture f({P::claudeCode});
    auto screen = open(f);
    ProviderToggleRow* claude = test::providerRow<ProviderToggleRow>(*screen, P::claudeCode);
    EXPECT_FALSE(claude->findChild<SwitchToggleStyle*>(QStringLiteral("switch"))->isEnabled());
    EXPECT_EQ(claude->toolTip(), QStringLiteral("At least one provider has to stay on the bar"));
    for (P p : allProviderTypes()) {
        if (p == P::claudeCode) continue;
        EXPECT_TRUE(test::providerRow<ProviderToggleRow>(*screen, p)->findChild<SwitchToggleStyle*>(QStringLiteral("switch"))->isEnabled()) << rawValue(p).toStdString();
        EXPECT_TRUE(test::providerRow<ProviderToggleRow>(*screen, p)->toolTip().isEmpty());
    }
    QTest::mouseClick(claude->findChild<SwitchToggleStyle*>(QStringLiteral("switch")), Qt::LeftButton); // disabled: nothing happens
    EXPECT_EQ(f.manager->activeProviders(), QList<P>{P::claudeCode});

    // Two on: both switches work; switching one off locks the other.
    QTest::mouseClick(test::providerRow<ProviderToggleRow>(*screen, P::kimi)->findChild<SwitchToggleStyle*>(QStringLiteral("switch")), Qt::LeftButton);
    EXPECT_EQ(f.manager->activeProviders(), (QList<P>{P::claudeCode, P::kimi}));
    EXPECT_TRUE(claude->findChild<SwitchToggleStyle*>(QStringLiteral("switch"))->isEnabled());
    EXPECT_TRUE(test::providerRow<ProviderToggleRow>(*screen, P::kimi)->findChild<SwitchToggleStyle*>(QStringLiteral("switch"))->isChecked());
    QTest::mouseClick(claude->findChild<SwitchToggleStyle*>(QStringLiteral("switch")), Qt::LeftButton);
    EXPECT_EQ(f.manager->activeProviders(), QList<P>{P::kimi});
    EXPECT_EQ(f.preferences->enabledProviders(), QList<P>{P::kimi});
    EXPECT_FALSE(claude->findChild<SwitchToggleStyle*>(QStringLiteral("switch"))->isChecked());
    EXPECT_FALSE(test::providerRow<ProviderToggleRow>(*screen, P::kimi)->findChild<SwitchToggleStyle*>(QStringLiteral("switch"))->isEnabled());
    EXPECT_EQ(claude->accessibleDescription(), QStringLiteral("Hidden"));
    EXPECT_EQ(test::providerRow<ProviderToggleRow>(*screen, P::kimi)->accessibleDescription(), QStringLiteral("Shown"));
}

TEST_F(SettingsScreen, DetectedBadgeWhetherOnTheBarOrNot) {
    test::ScreenFixture f({P::claudeCode}, {P::claudeCode, P::cursor});
    auto screen = open(f);
    EXPECT_TRUE(test::providerRow<ProviderToggleRow>(*screen, P::claudeCode)->findChild<TextCapsuleBadge*>(QStringLiteral("detected"))->isVisibleTo(screen.get()));
    EXPECT_TRUE(test::providerRow<ProviderToggleRow>(*screen, P::cursor)->findChild<TextCapsuleBadge*>(QStringLiteral("detected"))->isVisibleTo(screen.get()));
    EXPECT_FALSE(test::providerRow<ProviderToggleRow>(*screen, P::groq)->findChild<TextCapsuleBadge*>(QStringLiteral("detected"))->isVisibleTo(screen.get()));
    EXPECT_EQ(test::providerRow<ProviderToggleRow>(*screen, P::cursor)->findChild<TextCapsuleBadge*>(QStringLiteral("detected"))->text(), QStringLiteral("Detected"));
}

TEST_F(SettingsScreen, DetectionOffHidesItsRowsAndOnAgainScans) {
    test::ScreenFixture f;
    AccountSource cli{QStringLiteral("cli"), AccountSourceKind::cli, QStringLiteral("Claude Code CLI"),
                      QDir::homePath() + QStringLiteral("/.claude")};
    f.addAccount(QStringLiteral("u-1"), QStringLiteral("dev@example.com"), cli);
    ASSERT_TRUE(f.scan());
    auto screen = open(f);
    const auto shown = [&](QWidget* w) { return w->isVisibleTo(screen.get()); };
    EXPECT_TRUE(shown(test::part<MenuToggleRow>(*screen, QStringLiteral("maskRow"))) && shown(test::part(*screen, QStringLiteral("sourceList"))) && shown(test::part<MenuCommandRow>(*screen, QStringLiteral("rescanRow"))));
    EXPECT_FALSE(shown(test::part<TextView>(*screen, QStringLiteral("noAccountsText"))));
    EXPECT_TRUE(texts(test::part(*screen, QStringLiteral("sourceList"))).contains(QStringLiteral("~/.claude")));

    flip(test::part<MenuToggleRow>(*screen, QStringLiteral("accountDetectionRow")));
    EXPECT_FALSE(f.preferences->accountScanEnabled());
    ASSERT_TRUE(
        test::waitUntil([&] { return !f.registry->isScanning() && f.registry->allSources().isEmpty(); }));
    for (QWidget* w : QList<QWidget*>{test::part<MenuToggleRow>(*screen, QStringLiteral("maskRow")), test::part(*screen, QStringLiteral("sourceList")), test::part<TextView>(*screen, QStringLiteral("noAccountsText")),
                                      test::part<MenuCommandRow>(*screen, QStringLiteral("rescanRow"))})
        EXPECT_FALSE(shown(w));

    // On again: the scan runs and its accounts' places come back.
    const QDateTime before = f.registry->lastScanDate();
    f.clock.advance(5);
    flip(test::part<MenuToggleRow>(*screen, QStringLiteral("accountDetectionRow")));
    EXPECT_TRUE(f.preferences->accountScanEnabled());
    ASSERT_TRUE(
        test::waitUntil([&] { return f.registry->lastScanDate() > before && !f.registry->isScanning(); }));
    EXPECT_EQ(f.registry->accounts(P::claudeCode).size(), 1);
    EXPECT_TRUE(shown(test::part(*screen, QStringLiteral("sourceList"))) && shown(test::part<MenuToggleRow>(*screen, QStringLiteral("maskRow"))) && shown(test::part<MenuCommandRow>(*screen, QStringLiteral("rescanRow"))));
    EXPECT_TRUE(texts(test::part(*screen, QStringLiteral("sourceList"))).contains(QStringLiteral("Claude Code CLI")));
}

TEST_F(SettingsScreen, DetectionOnAgainMarksRunningAppsOnlyAfterTheScanFoundTheirAccounts) {
    test::ScreenFixture f;
    f.addAccount(QStringLiteral("u-1"), QStringLiteral("dev@example.com"),
                 {QStringLiteral("desktop"),
                  AccountSourceKind::desktopApp,
                  QStringLiteral("Claude app"),
                  std::nullopt,
                  {QStringLiteral("com.anthropic.claudefordesktop")}});
    f.startProcess(QStringLiteral("4242"), "claude-desktop");
    ASSERT_EQ(f.running->runningBundleIdentifiers(),
              QSet<QString>{QStringLiteral("com.anthropic.claudefordesktop")});
    ASSERT_TRUE(f.scan());
    auto screen = open(f);
    flip(test::part<MenuToggleRow>(*screen, QStringLiteral("accountDetectionRow")));
    // Off: the accounts are gone, and so is the running mark that was theirs.
    ASSERT_TRUE(test::waitUntil(
        [&] { return f.registry->accounts(P::claudeCode).isEmpty() && !f.registry->isScanning(); }));
    EXPECT_FALSE(f.manager->isAccountRunning(P::claudeCode, QStringLiteral("u-1")));
    // On: scanned first, then the running apps are matched to what was found.
    flip(test::part<MenuToggleRow>(*screen, QStringLiteral("accountDetectionRow")));
    ASSERT_TRUE(
        test::waitUntil([&] { return f.manager->isAccountRunning(P::claudeCode, QStringLiteral("u-1")); }));
    EXPECT_EQ(f.registry->accounts(P::claudeCode).size(), 1);
}

TEST_F(SettingsScreen, SourcePathsShowHomeAsTildeOnlyInsideIt) {
    test::ScreenFixture f;
    const QString home = QDir::homePath();
    f.addAccount(QStringLiteral("u-1"), QStringLiteral("a@example.com"),
                 {QStringLiteral("cli"), AccountSourceKind::cli, QStringLiteral("Inside"),
                  home + QStringLiteral("/.claude")});
    f.addAccount(QStringLiteral("u-2"), QStringLiteral("b@example.com"),
                 {QStringLiteral("cli-sibling"), AccountSourceKind::cli, QStringLiteral("Sibling"),
                  home + QStringLiteral("by/.claude")});
    f.addAccount(QStringLiteral("u-3"), QStringLiteral("c@example.com"),
                 {QStringLiteral("desktop"),
                  AccountSourceKind::desktopApp,
                  QStringLiteral("No folder"),
                  std::nullopt,
                  {QStringLiteral("com.example.app")}});
    ASSERT_TRUE(f.scan());
    auto screen = open(f);
    const QStringList shown = texts(test::part(*screen, QStringLiteral("sourceList")));
    EXPECT_TRUE(shown.contains(QStringLiteral("~/.claude"))) << shown.join('|').toStdString();
    EXPECT_TRUE(shown.contains(home + QStringLiteral("by/.claude"))) << shown.join('|').toStdString();
    EXPECT_EQ(shown.size(), 5); // three names, two paths
    const auto rows = test::part(*screen, QStringLiteral("sourceList"))->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QStringList names;
    for (QWidget* r : rows)
        names.append(r->accessibleName());
    EXPECT_TRUE(names.contains(QStringLiteral("No folder, App")));
}

TEST_F(SettingsScreen, ACoatThatNamesNoneShowsTheOrangeTabbyAndAPickStoresItsName) {
    test::ScreenFixture f;
    for (const char* raw : {"calico", ""}) {
        f.preferences->setPixelCatBreedRaw(QString::fromUtf8(raw));
        auto screen = open(f);
        EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("coatName"))->text(), QStringLiteral("Orange Tabby")) << raw;
        EXPECT_TRUE(swatch(*screen, PixelCatBreed::orangeTabby)->isChecked());
    }
    test::speak(ResolvedLanguage::korean);
    auto screen = open(f);
    EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("coatName"))->text(), QStringLiteral("치즈 태비"));
    QSignalSpy changed(f.preferences.get(), &MeterixPreferences::changed);
    QTest::mouseClick(swatch(*screen, PixelCatBreed::tuxedo), Qt::LeftButton);
    EXPECT_EQ(f.preferences->pixelCatBreedRaw(), QStringLiteral("턱시도"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(test::part<TextView>(*screen, QStringLiteral("coatName"))->text(), QStringLiteral("턱시도"));
    EXPECT_TRUE(swatch(*screen, PixelCatBreed::tuxedo)->isChecked());

    // Without the cat, no coat picker.
    flip(test::part<MenuToggleRow>(*screen, QStringLiteral("catRow")));
    EXPECT_FALSE(f.preferences->pixelCatEnabled());
    EXPECT_FALSE(test::part(*screen, QStringLiteral("coatPicker"))->isVisibleTo(screen.get()));
}

TEST_F(SettingsScreen, HoveringASwatchOtherThanTheSelectedOneEnlargesIt) {
    test::ScreenFixture f;
    auto screen = open(f);
    CatBreedSwatchPicker* picker = test::part<CatBreedSwatchPicker>(*screen, QStringLiteral("swatches"));
    QAbstractButton* selected = swatch(*picker, PixelCatBreed::orangeTabby);
    QAbstractButton* other = swatch(*picker, PixelCatBreed::calico);
    const int selectedWidth = drawnWidth(*selected);
    const int otherWidth = drawnWidth(*other);
    QEnterEvent enterSelected(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(selected, &enterSelected);
    ASSERT_TRUE(test::waitUntil([&] { return picker->hovered() == PixelCatBreed::orangeTabby; }));
    EXPECT_EQ(drawnWidth(*selected), selectedWidth);
    QEnterEvent enterOther(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(other, &enterOther);
    // The 21-pt disc grows to 1.1 times.
    EXPECT_TRUE(test::waitUntil([&] { return drawnWidth(*other) == otherWidth + 2; })) << drawnWidth(*other);
    EXPECT_EQ(drawnWidth(*selected), selectedWidth);
}

TEST_F(SettingsScreen, EyeTrackingOnlyStoresItsSetting) {
    test::ScreenFixture f;
    auto screen = open(f);
    flip(test::part<MenuToggleRow>(*screen, QStringLiteral("eyeTrackingRow")));
    EXPECT_FALSE(f.preferences->eyeTrackingEnabled());
    EXPECT_TRUE(f.preferences->soundEnabled());
    EXPECT_TRUE(f.preferences->pixelCatEnabled());
    // Linux has no haptic device: the row is about sound alone.
    EXPECT_EQ(test::part<MenuToggleRow>(*screen, QStringLiteral("soundRow"))->accessibleName(), QStringLiteral("Sound"));
    EXPECT_TRUE(texts(screen.get()).contains(QStringLiteral("Sound effects on selection and interaction")));
    flip(test::part<MenuToggleRow>(*screen, QStringLiteral("soundRow")));
    EXPECT_FALSE(f.preferences->soundEnabled());
    EXPECT_FALSE(SoundEffectsEngine::shared().isSoundEnabled());
    f.preferences->setSoundEnabled(true);
    EXPECT_TRUE(test::part<MenuToggleRow>(*screen, QStringLiteral("soundRow"))->isOn());
}

TEST_F(SettingsScreen, ChoosingALanguageRedrawsEveryTextInIt) {
    test::ScreenFixture f;
    auto screen = open(f);
    QSignalSpy changed(f.localization.get(), &Localization::preferenceChanged);
    QTest::mouseClick(test::part<LanguageSegmentedPicker>(*screen, QStringLiteral("languagePicker"))->segment(AppLanguage::korean), Qt::LeftButton);
    EXPECT_EQ(f.localization->preference(), AppLanguage::korean);
    EXPECT_EQ(Localization::current(), ResolvedLanguage::korean);
    EXPECT_EQ(changed.count(), 1);
    // The screen in the old language goes once the click is over.
    ASSERT_TRUE(test::waitUntil([&] { return screen->findChildren<MenuScreenHeader*>().size() == 1; }));
    auto* header = screen->findChild<MenuScreenHeader*>();
    ASSERT_TRUE(header);
    EXPECT_EQ(header->title(), QStringLiteral("설정"));
    EXPECT_TRUE(texts(screen.get()).contains(QStringLiteral("표시할 프로바이더")));
    EXPECT_TRUE(texts(screen.get()).contains(QStringLiteral("이메일 가리기")));
    EXPECT_TRUE(texts(screen.get()).contains(QStringLiteral("선택과 상호작용에 효과음")));
    EXPECT_TRUE(test::part<LanguageSegmentedPicker>(*screen, QStringLiteral("languagePicker"))->segment(AppLanguage::korean)->isChecked());
    // The one already in effect changes nothing.
    QTest::mouseClick(test::part<LanguageSegmentedPicker>(*screen, QStringLiteral("languagePicker"))->segment(AppLanguage::korean), Qt::LeftButton);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(SettingsScreen, GrabsInBothLooks) {
    test::ScreenFixture f({P::claudeCode, P::openAICodex}, {P::claudeCode, P::cursor});
    f.addAccount(QStringLiteral("u-1"), QStringLiteral("dev@example.com"),
                 {QStringLiteral("cli"), AccountSourceKind::cli, QStringLiteral("Claude Code CLI"),
                  QDir::homePath() + QStringLiteral("/.claude")});
    f.addAccount(QStringLiteral("u-2"), QStringLiteral("ops@example.com"),
                 {QStringLiteral("desktop"), AccountSourceKind::desktopApp,
                  QStringLiteral("Claude desktop app"),
                  QStringLiteral("/opt/claude-desktop/profiles/a-rather-long-folder-name/for/the/head/cut")});
    ASSERT_TRUE(f.scan());
    QList<QImage> shots;
    for (auto scheme : {Appearance::Scheme::light, Appearance::Scheme::dark}) {
        test::showLook(scheme);
        for (auto lang : {ResolvedLanguage::english, ResolvedLanguage::korean}) {
            SCOPED_TRACE(testing::Message() << int(scheme) << " " << int(lang));
            test::speak(lang);
            auto screen = open(f);
            shots.append(test::renderWidget(*screen));
            // Every text in its room and apart (the footnotes, the source paths cut
            // at the head), in either language.
            test::expectTextsInsideAndApart(*screen);
            // A switch that is on is blue in both looks; one that is off is not.
            const auto trackStart = [&](P p) {
                QWidget* control = test::providerRow<ProviderToggleRow>(*screen, p)->findChild<SwitchToggleStyle*>(QStringLiteral("switch"));
                const QPoint at = control->mapTo(screen.get(), QPoint(0, control->height() / 2));
                // The track's leading end: 3 pt in from where it starts, clear of the knob.
                const int x0 = (control->width() - 28) / 2;
                return test::pixelAt(shots.last(), at.x() + x0 + 3, at.y());
            };
            EXPECT_TRUE(test::colourNear(trackStart(P::claudeCode), QColor(0, 122, 255), 4));
            EXPECT_FALSE(test::colourNear(trackStart(P::zed), QColor(0, 122, 255), 60));
        }
        const QColor backdrop =
            scheme == Appearance::Scheme::dark ? QColor(30, 30, 34) : QColor(242, 242, 246);
        EXPECT_FALSE(test::saveGrab(test::sheet(shots, backdrop), scheme == Appearance::Scheme::dark
                                                                      ? QStringLiteral("settings-dark")
                                                                      : QStringLiteral("settings-light"))
                         .isEmpty());
        shots.clear();
    }
}

} // namespace
} // namespace meterix
