// The panel's own row widgets, offscreen.
#include "core/Localization.h"
#include "design/SoundEffectsEngine.h"
#include "panels/AccountRow.h"
#include "panels/LanguageSegmentedPicker.h"
#include "platform/ui/Appearance.h"
#include "platform/ui/Haptics.h"

#include "support/FakeClock.h"
#include "support/gui/GrabSupport.h"

#include <QTest>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using Scheme = Appearance::Scheme;

class PanelRows : public ::testing::Test {
  protected:
    void TearDown() override {
        Appearance::shared().setSchemeOverrideForTesting(std::nullopt);
        Localization::resetResolvedLanguageForTesting();
        SoundEffectsEngine::shared().setSoundEnabled(true);
    }
    test::FakeClock clock;
};

TEST_F(PanelRows, AClickOnTheSelectedLanguageStillWrites) {
    AppLanguage stored = AppLanguage::korean;
    QList<AppLanguage> writes;
    LanguageSegmentedPicker picker([&] { return stored; },
                                   [&](AppLanguage l) {
                                       writes.append(l);
                                       stored = l;
                                   });
    picker.resize(300, picker.sizeHint().height());
    picker.show();
    EXPECT_TRUE(picker.segment(AppLanguage::korean)->isChecked());
    QTest::mouseClick(picker.segment(AppLanguage::korean), Qt::LeftButton);
    QTest::mouseClick(picker.segment(AppLanguage::english), Qt::LeftButton);
    EXPECT_EQ(writes, (QList<AppLanguage>{AppLanguage::korean, AppLanguage::english}));
    EXPECT_TRUE(picker.segment(AppLanguage::english)->isChecked());
    EXPECT_FALSE(picker.segment(AppLanguage::korean)->isChecked());
    // Three equal shares of the row.
    EXPECT_EQ(picker.segment(AppLanguage::system)->width(), picker.segment(AppLanguage::english)->width());
}

TEST_F(PanelRows, LanguageClicksFeelOnlyWithSoundOn) {
    AppLanguage stored = AppLanguage::system;
    LanguageSegmentedPicker picker([&] { return stored; }, [&](AppLanguage l) { stored = l; });
    picker.resize(300, picker.sizeHint().height());
    picker.show();
    const int before = Haptics::performedCount(Haptics::Pattern::alignment);
    QTest::mouseClick(picker.segment(AppLanguage::korean), Qt::LeftButton);
    EXPECT_EQ(Haptics::performedCount(Haptics::Pattern::alignment), before + 1);
    SoundEffectsEngine::shared().setSoundEnabled(false);
    QTest::mouseClick(picker.segment(AppLanguage::english), Qt::LeftButton);
    EXPECT_EQ(Haptics::performedCount(Haptics::Pattern::alignment), before + 1);
    EXPECT_EQ(stored, AppLanguage::english); // the change happens all the same
}

TEST_F(PanelRows, LanguageSegmentsAreNamedInTheResolvedLanguage) {
    AppLanguage stored = AppLanguage::system;
    LanguageSegmentedPicker picker([&] { return stored; }, [&](AppLanguage l) { stored = l; });
    EXPECT_EQ(picker.segment(AppLanguage::system)->accessibleName(), QStringLiteral("Follow System"));
    Localization::resetResolvedLanguageForTesting(ResolvedLanguage::korean);
    picker.refresh();
    EXPECT_EQ(picker.segment(AppLanguage::system)->accessibleName(), QStringLiteral("시스템 설정 따름"));
    EXPECT_EQ(picker.segment(AppLanguage::korean)->accessibleName(), QStringLiteral("한국어"));
    EXPECT_EQ(picker.segment(AppLanguage::english)->accessibleName(), QStringLiteral("English"));
}

TEST_F(PanelRows, AccountRowIsOneAccessibleElementAndDimsWhenUnreadable) {
    AccountRow row({.label = QStringLiteral("d***@example.com"),
                    .sourceBadge = QStringLiteral("CLI"),
                    .sourceSymbol = QStringLiteral("terminal"),
                    .isDisplayed = true,
                    .isRunning = true,
                    .usageReadable = true,
                    .remainingPercentage = 74.5},
                   clock);
    EXPECT_EQ(row.accessibleName(), QStringLiteral("d***@example.com, CLI, Running, On the bar"));
    row.resize(300, row.sizeHint().height());
    const QImage readable = test::renderWidget(row);
    AccountRowModel dim = row.model();
    dim.usageReadable = false;
    dim.isRunning = false;
    row.setModel(dim);
    const QImage dimmed = test::renderWidget(row);
    // The tile (beside its symbol) is drawn at 72 % opacity over its own faded
    // shadow.
    const QColor full = test::pixelAt(readable, 2.5, row.height() / 2.0);
    const QColor faded = test::pixelAt(dimmed, 2.5, row.height() / 2.0);
    EXPECT_GT(full.alpha(), 240);
    EXPECT_GT(faded.alpha(), 0.72 * 255 - 2);
    EXPECT_LT(faded.alpha(), 0.82 * 255);
}

TEST_F(PanelRows, GrabsOfRowsInBothLooks) {
    QList<QImage> rows;
    for (Scheme scheme : {Scheme::light, Scheme::dark}) {
        Appearance::shared().setSchemeOverrideForTesting(scheme);
        for (ResolvedLanguage lang : {ResolvedLanguage::english, ResolvedLanguage::korean}) {
            Localization::resetResolvedLanguageForTesting(lang);
            QList<QImage> column;
            const QList<AccountRowModel> models{
                {.label = QStringLiteral("d***@example.com"),
                 .planName = QStringLiteral("Max"),
                 .organization = QStringLiteral("Acme"),
                 .sourceBadge = QStringLiteral("App · CLI"),
                 .sourceSymbol = QStringLiteral("macwindow"),
                 .isDisplayed = true,
                 .isRunning = true,
                 .runningLabel = QStringLiteral("App"),
                 .usageReadable = true,
                 .remainingPercentage = 74.5},
                {.label = QStringLiteral("o***@example.com"),
                 .sourceBadge = QStringLiteral("CLI"),
                 .sourceSymbol = QStringLiteral("terminal"),
                 .usageReadable = true,
                 .remainingPercentage = 12,
                 .readingCapturedAt = clock.now().addSecs(-7200)},
                {.label = QStringLiteral("team-workspace"),
                 .sourceBadge = QStringLiteral("IDE"),
                 .sourceSymbol = QStringLiteral("chevron.left.forwardslash.chevron.right")},
            };
            for (const auto& m : models) {
                AccountRow row(m, clock);
                row.resize(300, row.sizeHint().height());
                column.append(test::renderWidget(row));
            }
            AppLanguage stored = AppLanguage::korean;
            LanguageSegmentedPicker picker([&] { return stored; }, [&](AppLanguage l) { stored = l; });
            picker.resize(300, picker.sizeHint().height());
            column.append(test::renderWidget(picker));
            rows.append(
                test::stack(column, scheme == Scheme::dark ? QColor(40, 40, 44) : QColor(236, 236, 240)));
        }
    }
    EXPECT_FALSE(
        test::saveGrab(test::sheet(rows, QColor(128, 128, 128)), QStringLiteral("panel-rows")).isEmpty());
}

} // namespace
} // namespace meterix
