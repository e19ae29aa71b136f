#include "core/MeterixPreferences.h"
#include "core/Settings.h"
#include "core/SoundSwitch.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace meterix;

namespace {

class Preferences : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("Meterix.conf"));
        settings = std::make_shared<QSettings>(path, QSettings::IniFormat);
    }
    void TearDown() override { soundSwitch().store(true); }
    // A second settings object on the same file: what the next launch sees.
    std::shared_ptr<QSettings> reopen() const {
        return std::make_shared<QSettings>(path, QSettings::IniFormat);
    }

    QTemporaryDir dir;
    QString path;
    std::shared_ptr<QSettings> settings;
};

} // namespace

TEST_F(Preferences, AFreshDomainReadsTheDefaultsAndWritesNothing) {
    MeterixPreferences p(settings);
    EXPECT_EQ(p.panelOriginX(), -1.0);
    EXPECT_EQ(p.panelOriginY(), -1.0);
    EXPECT_EQ(p.panelWidth(), -1.0);
    EXPECT_EQ(p.panelHeight(), -1.0);
    EXPECT_TRUE(p.soundEnabled());
    EXPECT_TRUE(p.eyeTrackingEnabled());
    EXPECT_TRUE(p.pixelCatEnabled());
    EXPECT_TRUE(p.maskAccountEmails());
    EXPECT_TRUE(p.accountScanEnabled());
    EXPECT_FALSE(p.hasCustomizedProviders());
    EXPECT_EQ(p.refreshIntervalSeconds(), 60.0);
    EXPECT_EQ(p.pixelCatBreedRaw(), QStringLiteral("치즈 태비"));
    EXPECT_EQ(p.pixelCatBreed(), PixelCatBreed::orangeTabby);
    EXPECT_FALSE(p.enabledProviders());
    EXPECT_TRUE(settings->allKeys().isEmpty());
}

TEST_F(Preferences, ValuesPersistUnderTheirOwnKeysAndSignal) {
    {
        MeterixPreferences p(settings);
        int changes = 0;
        QObject::connect(&p, &MeterixPreferences::panelOriginXChanged, [&] { ++changes; });
        QObject::connect(&p, &MeterixPreferences::maskAccountEmailsChanged, [&] { ++changes; });
        p.setPanelOriginX(120.5);
        p.setPanelHeight(36);
        p.setMaskAccountEmails(false);
        p.setAccountScanEnabled(false);
        p.setEyeTrackingEnabled(false);
        p.setPixelCatEnabled(false);
        EXPECT_EQ(changes, 2);
    }
    const auto again = reopen();
    EXPECT_EQ(again->value(QStringLiteral("panelOriginX")).toDouble(), 120.5);
    MeterixPreferences p(again);
    EXPECT_EQ(p.panelOriginX(), 120.5);
    EXPECT_EQ(p.panelHeight(), 36);
    EXPECT_FALSE(p.maskAccountEmails());
    EXPECT_FALSE(p.accountScanEnabled());
    EXPECT_FALSE(p.eyeTrackingEnabled());
    EXPECT_FALSE(p.pixelCatEnabled());
}

TEST_F(Preferences, EnabledProvidersRoundTripAsCompactJson) {
    MeterixPreferences p(settings);
    int changed = 0;
    QObject::connect(&p, &MeterixPreferences::changed, [&] { ++changed; });
    p.setEnabledProviders(QList<AIProviderType>{AIProviderType::claudeCode, AIProviderType::openAICodex});
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(p.hasCustomizedProviders());
    EXPECT_EQ(reopen()->value(QStringLiteral("enabledProvidersJSON")).toString(),
              QStringLiteral("[\"claude\",\"codex\"]"));
    EXPECT_EQ(MeterixPreferences(reopen()).enabledProviders(),
              (QList<AIProviderType>{AIProviderType::claudeCode, AIProviderType::openAICodex}));
    p.setEnabledProviders(QList<AIProviderType>{});
    EXPECT_EQ(p.enabledProviders(), QList<AIProviderType>{});
    p.setEnabledProviders(std::nullopt);
    EXPECT_EQ(changed, 3);
    EXPECT_FALSE(p.hasCustomizedProviders());
    EXPECT_EQ(p.enabledProvidersJSON(), QString());
    EXPECT_FALSE(p.enabledProviders());
}

TEST_F(Preferences, BadStoredProviderListsReadAsNeverChosen) {
    MeterixPreferences p(settings);
    p.setHasCustomizedProviders(true);
    for (const char* stored :
         {"[\"claude\",\"gemini\"]", "[\"claude\",1]", "{\"a\":1}", "not json", "\"claude\""}) {
        p.setEnabledProvidersJSON(QString::fromLatin1(stored));
        EXPECT_FALSE(p.enabledProviders()) << stored;
    }
    p.setHasCustomizedProviders(false);
    p.setEnabledProvidersJSON(QStringLiteral("[\"claude\"]"));
    EXPECT_FALSE(p.enabledProviders());
}

TEST_F(Preferences, CatCoatFallsBackToTheFirstAndStoresKoreanRawValues) {
    MeterixPreferences p(settings);
    p.setPixelCatBreedRaw(QStringLiteral("calico"));
    EXPECT_EQ(p.pixelCatBreed(), PixelCatBreed::orangeTabby);
    p.setPixelCatBreed(PixelCatBreed::calico);
    EXPECT_EQ(p.pixelCatBreedRaw(), QStringLiteral("삼색이"));
    EXPECT_EQ(MeterixPreferences(reopen()).pixelCatBreed(), PixelCatBreed::calico);
    // decomposed Hangul still names the coat
    p.setPixelCatBreedRaw(QStringLiteral("턱시도").normalized(QString::NormalizationForm_D));
    EXPECT_EQ(p.pixelCatBreed(), PixelCatBreed::tuxedo);
}

TEST_F(Preferences, SoundSwitchFollowsTheSettingFromTheStart) {
    {
        MeterixPreferences p(settings);
        EXPECT_TRUE(soundSwitch().load());
        p.setSoundEnabled(false);
        EXPECT_FALSE(soundSwitch().load());
    }
    soundSwitch().store(true);
    MeterixPreferences next(reopen()); // a launch with sound stored off starts silenced
    EXPECT_FALSE(soundSwitch().load());
    next.setSoundEnabled(true);
    EXPECT_TRUE(soundSwitch().load());
}

TEST_F(Preferences, MalformedStoredValuesReadAsDefaults) {
    settings->setValue(QStringLiteral("soundEnabled"), QStringLiteral("maybe"));
    settings->setValue(QStringLiteral("panelWidth"), QStringLiteral("wide"));
    settings->setValue(QStringLiteral("panelHeight"), QStringLiteral("nan"));
    MeterixPreferences p(settings);
    EXPECT_TRUE(p.soundEnabled());
    EXPECT_EQ(p.panelWidth(), -1.0);
    EXPECT_EQ(p.panelHeight(), -1.0);
}

TEST_F(Preferences, StaleSettingsWindowKeyIsRemoved) {
    settings->setValue(QStringLiteral("NSWindow Frame com_apple_SwiftUI_Settings_window"),
                       QStringLiteral("0 0 10 10"));
    removeStaleSettingsWindowFrame(*settings);
    EXPECT_FALSE(settings->contains(QStringLiteral("NSWindow Frame com_apple_SwiftUI_Settings_window")));
}
