// The panel's own row widgets, offscreen.
#include "core/Localization.h"
#include "design/MeterixFont.h"
#include "design/Surface.h"
#include "panels/AccountRow.h"
#include "panels/LanguageSegmentedPicker.h"
#include "platform/ui/Appearance.h"

#include "support/FakeClock.h"
#include "support/gui/GrabSupport.h"

#include "ScreenChecks.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <QFontMetricsF>
#include <QTest>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using Scheme = Appearance::Scheme;

class PanelRows : public ::testing::Test {
  protected:
    void TearDown() override {
        test::showLook(std::nullopt);
        test::speak();
    }
    test::FakeClock clock;
};

TEST_F(PanelRows, AClickOnTheSelectedLanguageStillWrites) {
    AppLanguage stored = AppLanguage::korean;
    QList<AppLanguage> writes;
    LanguageSegmentedPicker picker(
        [&] { return stored; },
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

TEST_F(PanelRows, LanguageSegmentsAreNamedInTheResolvedLanguage) {
    AppLanguage stored = AppLanguage::system;
    LanguageSegmentedPicker picker(
        [&] { return stored; }, [&](AppLanguage l) { stored = l; });
    EXPECT_EQ(picker.segment(AppLanguage::system)->accessibleName(), QStringLiteral("Follow System"));
    test::speak(ResolvedLanguage::korean);
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

// Account rows in both looks and languages, wide and narrow: the label and its
// chips give way to the right column and stop short of it (a clear gap of
// columns before the figure), and the figure is in its tier's colour only for
// a current reading.
TEST_F(PanelRows, GrabsOfRowsInBothLooks) {
    QList<QImage> rows;
    for (Scheme scheme : {Scheme::light, Scheme::dark}) {
        test::showLook(scheme);
        for (ResolvedLanguage lang : {ResolvedLanguage::english, ResolvedLanguage::korean}) {
            test::speak(lang);
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
                for (int width : {300, 210}) {
                    SCOPED_TRACE(testing::Message() << int(scheme) << " " << int(lang) << " "
                                                    << m.label.toStdString() << " " << width);
                    AccountRow row(m, clock);
                    row.resize(width, row.sizeHint().height());
                    const QImage image = test::renderWidget(row);
                    if (width == 300) column.append(image);
                    // The right column's width, as the row measures it.
                    const QFontMetricsF pfm(MeterixFont::rounded(12, QFont::Bold));
                    const QFontMetricsF sfm(MeterixFont::rounded(9, QFont::Medium));
                    const double percentW = m.percentageText() ? pfm.horizontalAdvance(*m.percentageText()) : 0.0;
                    const double secondW = m.secondLine(clock) ? sfm.horizontalAdvance(*m.secondLine(clock)) : 0.0;
                    const double rightW = std::max(percentW, secondW);
                    const int rightStart = int(std::floor(width - rightW));
                    const auto inkBetween = [&](int x0, int x1, int y0, int y1) {
                        return test::inkIn(image, QRect(x0, y0, x1 - x0, y1 - y0));
                    };
                    const auto ink = [&](int x0, int x1) { return inkBetween(x0, x1, 0, image.height()); };
                    EXPECT_GT(ink(rightStart, width), 0);
                    // A gap before the right column, line by line where both sides have two.
                    const int half = image.height() / 2;
                    if (percentW > 0 && secondW > 0 && m.subtitle()) {
                        const int top = int(std::floor(width - percentW)), bottom = int(std::floor(width - secondW));
                        EXPECT_EQ(inkBetween(top - 5, top - 1, 0, half - 1), 0);
                        EXPECT_EQ(inkBetween(bottom - 5, bottom - 1, half + 1, image.height()), 0);
                    } else {
                        EXPECT_EQ(ink(rightStart - 5, rightStart - 1), 0);
                    }
                    EXPECT_GT(ink(int(AccountRow::tileSize + AccountRow::spacing), rightStart - 5), 0);
                    // The figure's colour: the tier's for a current reading, none for an older one.
                    int tierInk = 0;
                    const QColor tier = m.remainingPercentage
                                            ? toQColor(accent(usageTierFrom(*m.remainingPercentage)))
                                            : QColor();
                    for (int y = 0; y < image.height(); ++y)
                        for (int x = rightStart; x < width; ++x)
                            if (tier.isValid() && test::colourNear(image.pixelColor(x, y), tier, 30))
                                ++tierInk;
                    if (m.remainingPercentage && !m.readingCapturedAt) {
                        EXPECT_GT(tierInk, 5);
                    } else {
                        EXPECT_EQ(tierInk, 0);
                    }
                }
            }
            AppLanguage stored = AppLanguage::korean;
            LanguageSegmentedPicker picker(
                [&] { return stored; }, [&](AppLanguage l) { stored = l; });
            picker.resize(300, picker.sizeHint().height());
            column.append(test::renderWidget(picker));
            rows.append(
                test::stack(column, scheme == Scheme::dark ? QColor(40, 40, 44) : QColor(236, 236, 240)));
        }
    }
    test::saveGrab(test::sheet(rows, QColor(128, 128, 128)), QStringLiteral("panel-rows"));
}

} // namespace
} // namespace meterix
