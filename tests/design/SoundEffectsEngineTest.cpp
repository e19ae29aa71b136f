#include "core/MeterixPreferences.h"
#include "core/SoundSwitch.h"
#include "design/PressableButton.h"
#include "design/SoundEffectsEngine.h"

#include "support/TempHome.h"

#include <QPainter>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace meterix {
namespace {

class RecordingSink final : public FeedbackSink {
public:
    void playSound(SystemSound::Event event, double volume) override { sounds.push_back({event, volume}); }
    std::vector<std::pair<SystemSound::Event, double>> sounds;
};

class TestButton final : public PressableButton {
public:
    using PressableButton::PressableButton;
    int paints = 0;

protected:
    void paintContent(QPainter& p, const QRectF& r) override {
        ++paints;
        p.fillRect(r, Qt::black);
    }
};

class SoundEngine : public ::testing::Test {
protected:
    void SetUp() override {
        sink = std::make_shared<RecordingSink>();
        previous = SoundEffectsEngine::shared().setSink(sink);
        SoundEffectsEngine::shared().setSoundEnabled(true);
    }
    void TearDown() override {
        SoundEffectsEngine::shared().setSink(previous);
        soundSwitch().store(true);
    }
    SoundEffectsEngine& engine() { return SoundEffectsEngine::shared(); }
    std::shared_ptr<RecordingSink> sink;
    std::shared_ptr<FeedbackSink> previous;
};

TEST_F(SoundEngine, EachOperationReachesTheSinkWhileSoundIsOn) {
    engine().playSnapSound();
    ASSERT_EQ(sink->sounds.size(), 1u);
    EXPECT_EQ(sink->sounds[0], std::make_pair(SystemSound::Event::snap, 0.25));
}

TEST_F(SoundEngine, NothingAtAllWhileSoundIsOff) {
    engine().setSoundEnabled(false);
    engine().playSnapSound();
    EXPECT_TRUE(sink->sounds.empty());
}

TEST_F(SoundEngine, TheSwitchIsTheOneThePreferencesWrite) {
    test::TempHome home;
    auto settings = std::make_shared<QSettings>(home.file(QStringLiteral("prefs.ini")), QSettings::IniFormat);
    MeterixPreferences prefs(settings);
    prefs.setSoundEnabled(false);
    EXPECT_FALSE(engine().isSoundEnabled());
    engine().playSnapSound();
    EXPECT_TRUE(sink->sounds.empty());
    prefs.setSoundEnabled(true);
    EXPECT_TRUE(engine().isSoundEnabled());
    engine().setSoundEnabled(false);
    EXPECT_FALSE(soundSwitch().load());
}

TEST_F(SoundEngine, APressShrinksAndFadesTheControlUntilItsRelease) {
    TestButton button;
    button.resize(40, 20);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(button.currentScale(), 0.93);
    EXPECT_DOUBLE_EQ(button.currentOpacity(), 0.75);
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(button.currentScale(), 1.0);
    EXPECT_DOUBLE_EQ(button.currentOpacity(), 1.0);
}

TEST_F(SoundEngine, ThePressTransformShrinksAboutTheCentre) {
    TestButton button(PressableStyle{0.5, 0.5});
    button.resize(40, 40);
    QTest::mousePress(&button, Qt::LeftButton);
    QImage img(40, 40, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    button.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qAlpha(img.pixel(2, 2)), 0);      // the corner is outside the shrunk label
    EXPECT_NEAR(qAlpha(img.pixel(20, 20)), 128, 2); // the centre at half opacity
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_GT(button.paints, 0);
}

} // namespace
} // namespace meterix
