// The ellipsis of "Settings…" and of names cut short sits on the baseline in
// every font the app draws with.
#include "design/BaselineEllipsis.h"
#include "design/MeterixFont.h"

#include "support/gui/GrabSupport.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <gtest/gtest.h>

namespace meterix {
namespace {

// The rows of ink in [fromX, toX) of an image drawn black on white.
std::pair<int, int> inkRows(const QImage& image, int fromX, int toX) {
    int top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = std::max(0, fromX); x < std::min(image.width(), toX); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return {top, bottom};
}

TEST(Ellipsis, EveryAppFontDrawsItOnTheBaseline) {
    const struct {
        const char* name;
        QFont font;
    } fonts[] = {
        {"rounded regular", MeterixFont::rounded(11.5, QFont::Medium)},
        {"rounded bold", MeterixFont::rounded(11.5, QFont::Bold)},
        {"system", MeterixFont::system(12, QFont::Normal)},
        {"serif", MeterixFont::serif(12, QFont::Normal)},
        {"section header", MeterixFont::sectionHeaderStyle()},
    };
    for (const auto& f : fonts) {
        SCOPED_TRACE(f.name);
        // The glyph that is drawn (the font's own, or one from a font that has
        // it on the baseline) is a real one, not a box for a missing glyph.
        EXPECT_TRUE(QRawFont::fromFont(baselineEllipsisFont(f.font).value_or(f.font)).supportsCharacter(QChar(0x2026)));

        // Drawn: the dots of "Settings…" end where the letters stand, and begin
        // below the middle of a lower-case letter.
        const QString text = QStringLiteral("Settings\u2026");
        const QFontMetricsF fm(f.font);
        QImage image(int(fm.horizontalAdvance(text) * 2 + 40), int(fm.height() + 8), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setFont(f.font);
        p.setPen(Qt::black);
        const QRectF rect(4, 4, image.width() - 8, fm.height());
        drawTextLine(p, rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        p.end();
        const int lettersEnd = int(4 + fm.horizontalAdvance(QStringLiteral("Settings")));
        const auto [lettersTop, lettersBottom] = inkRows(image, 4, int(4 + fm.horizontalAdvance(QStringLiteral("Se"))));
        const auto [dotsTop, dotsBottom] = inkRows(image, lettersEnd + 1, image.width());
        ASSERT_GE(dotsBottom, 0);
        const double baseline = 4 + fm.ascent(); // the rect is one line high
        EXPECT_NEAR(dotsBottom, baseline, 1.5) << "letters end at " << lettersBottom;
        EXPECT_GT(dotsTop, baseline - fm.xHeight() / 2);
        test::saveGrab(image, QStringLiteral("ellipsis-") + QString::fromLatin1(f.name).replace(' ', '-'));
    }
}

} // namespace
} // namespace meterix
