#include "design/MeterixFont.h"
#include "design/RollingDigitsView.h"

#include "support/gui/GrabSupport.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace meterix {
namespace {

const QFont kNumber = MeterixFont::hero();
const QFont kSuffix = MeterixFont::caption();

TEST(RollingDigits, ASingleDigitWithoutSuffixIsJustThatDigit) {
    const auto l = RollingDigitsView::layout(7, QString(), kNumber, kSuffix);
    EXPECT_EQ(l.number, QStringLiteral("7"));
    EXPECT_FALSE(l.hasSuffix);
    EXPECT_DOUBLE_EQ(l.width, l.cellWidth); // no trailing space
    EXPECT_DOUBLE_EQ(l.baseline, QFontMetricsF(kNumber).ascent());
}

TEST(RollingDigits, TheSuffixFollowsTheNumberOnItsBaseline) {
    const auto l = RollingDigitsView::layout(100, QStringLiteral("%"), kNumber, kSuffix);
    EXPECT_EQ(l.number, QStringLiteral("100"));
    EXPECT_TRUE(l.hasSuffix);
    EXPECT_DOUBLE_EQ(l.suffixX, 3 * l.cellWidth);
    EXPECT_DOUBLE_EQ(l.width, 3 * l.cellWidth + QFontMetricsF(kSuffix).horizontalAdvance(QStringLiteral("%")));
    EXPECT_DOUBLE_EQ(RollingDigitsView::suffixOpacity, 0.55);
}

TEST(RollingDigits, DigitsHaveEqualCellsSoTheWidthDoesNotWobble) {
    const auto ones = RollingDigitsView::layout(11, QString(), kNumber, kSuffix);
    const auto eights = RollingDigitsView::layout(88, QString(), kNumber, kSuffix);
    EXPECT_DOUBLE_EQ(ones.width, eights.width);
}

TEST(RollingDigits, PlainDecimalWithSignAndNoGrouping) {
    const auto negative = RollingDigitsView::layout(-42, QString(), kNumber, kSuffix);
    EXPECT_EQ(negative.number, QStringLiteral("-42"));
    // The sign keeps its own width; only digits sit in cells.
    EXPECT_DOUBLE_EQ(negative.numberWidth,
                     2 * negative.cellWidth + QFontMetricsF(kNumber).horizontalAdvance(QLatin1Char('-')));
    EXPECT_EQ(RollingDigitsView::layout(1234567, QString(), kNumber, kSuffix).number, QStringLiteral("1234567"));
    EXPECT_EQ(RollingDigitsView::layout(std::numeric_limits<qint64>::min(), QString(), kNumber, kSuffix).number,
              QStringLiteral("-9223372036854775808"));
}

TEST(RollingDigits, TheWidgetSitsAtItsIdealSize) {
    RollingDigitsView view(7, QString(), kNumber, Qt::black, kSuffix);
    const auto l = RollingDigitsView::layout(7, QString(), kNumber, kSuffix);
    EXPECT_EQ(view.sizeHint(), QSize(qCeil(l.width), qCeil(l.height)));
    EXPECT_EQ(view.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    view.setValue(1000);
    EXPECT_GT(view.sizeHint().width(), qCeil(l.width));
    // Not on screen: no roll, the new value is drawn at once.
    RollingDigitsView resting(1000, QString(), kNumber, Qt::black, kSuffix);
    EXPECT_EQ(view.grab().toImage(), resting.grab().toImage());
}

// A percentage reading is shown as every view shows one: rounded and held to a
// sane range, or "---" without its suffix when it is not a number.
TEST(RollingDigits, ReadingsAreGuardedBeforeTheyBecomeDigits) {
    RollingDigitsView view(0, QStringLiteral("%"), kNumber, Qt::black, kSuffix);
    struct Row {
        double reading;
        bool hasFigure;
        qint64 value;
    };
    for (const Row& r : {Row{74.6, true, 75}, Row{std::nan(""), false, 75}, Row{1e300, true, 999},
                         Row{-std::numeric_limits<double>::infinity(), false, 999}, Row{-0.5, true, -1}}) {
        view.setReading(r.reading);
        EXPECT_EQ(view.hasFigure(), r.hasFigure) << r.reading;
        EXPECT_EQ(view.value(), r.value) << r.reading; // a missing figure keeps the last one to roll from
    }
    const auto none = RollingDigitsView::layout(std::nullopt, QStringLiteral("%"), kNumber, kSuffix);
    EXPECT_EQ(none.number, QStringLiteral("---"));
    EXPECT_FALSE(none.hasSuffix);
    view.setReading(std::nan(""));
    EXPECT_EQ(view.sizeHint().width(), qCeil(none.width));
}

TEST(RollingDigits, TheSuffixIsDrawnAtFiftyFivePercent) {
    RollingDigitsView view(100, QStringLiteral("%"), kNumber, Qt::black, kNumber);
    const QImage img = test::renderWidget(view);
    const auto l = RollingDigitsView::layout(100, QStringLiteral("%"), kNumber, kNumber);
    int numberMax = 0, suffixMax = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const int a = qAlpha(img.pixel(x, y));
            if (x < int(l.suffixX) - 1) numberMax = std::max(numberMax, a);
            else if (x > int(l.suffixX) + 1) suffixMax = std::max(suffixMax, a);
        }
    EXPECT_EQ(numberMax, 255);
    EXPECT_GT(suffixMax, 0);
    EXPECT_LE(suffixMax, int(0.55 * 255) + 1);
}

TEST(RollingDigits, Grabs) {
    QList<QImage> images;
    for (const auto& [value, suffix] : {std::pair<qint64, QString>{7, QString()}, {42, QStringLiteral("%")},
                                       {100, QStringLiteral("%")}, {-3, QString()}}) {
        RollingDigitsView view(value, suffix, kNumber, QColor(10, 132, 255), kSuffix);
        images << test::renderWidget(view, 2.0);
    }
    EXPECT_FALSE(test::saveGrab(test::sheet(images, QColor(245, 246, 248)), QStringLiteral("rolling-digits")).isEmpty());
}

} // namespace
} // namespace meterix
