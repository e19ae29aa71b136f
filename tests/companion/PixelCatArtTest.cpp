#include "design/CatColorPalette.h"
#include "companion/PixelArtCanvas.h"
#include "companion/PixelCatSprites.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"

#include "support/gui/GrabSupport.h"
#include "support/Speaking.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <map>

namespace meterix {
namespace {

struct BreedRow {
    PixelCatBreed breed;
    const char* raw;
    const char* english;
    // body, dark, white, pink, eye as red / green / blue
    std::array<std::array<double, 3>, 5> colours;
};

const BreedRow kBreeds[] = {
    {PixelCatBreed::orangeTabby,
     "치즈 태비",
     "Orange Tabby",
     {{{0.98, 0.62, 0.22}, {0.82, 0.42, 0.12}, {0.98, 0.96, 0.92}, {1.0, 0.72, 0.78}, {0.18, 0.62, 0.35}}}},
    {PixelCatBreed::calico,
     "삼색이",
     "Calico",
     {{{0.96, 0.94, 0.90}, {0.88, 0.48, 0.18}, {0.22, 0.22, 0.25}, {1.0, 0.70, 0.75}, {0.95, 0.75, 0.18}}}},
    {PixelCatBreed::tuxedo,
     "턱시도",
     "Tuxedo",
     {{{0.18, 0.18, 0.22}, {0.10, 0.10, 0.12}, {0.98, 0.98, 0.98}, {1.0, 0.72, 0.78}, {0.96, 0.82, 0.22}}}},
    {PixelCatBreed::snowWhite,
     "터키시 앙고라",
     "Turkish Angora",
     {{{0.98, 0.98, 0.99}, {0.86, 0.88, 0.92}, {1.0, 1.0, 1.0}, {1.0, 0.75, 0.82}, {0.32, 0.68, 0.95}}}},
    {PixelCatBreed::blackCat,
     "검은 고양이",
     "Black Cat",
     {{{0.14, 0.14, 0.16}, {0.08, 0.08, 0.10}, {0.26, 0.26, 0.30}, {0.85, 0.55, 0.60}, {0.98, 0.88, 0.25}}}},
};

// What each frame must show: its ear row, its lowest filled row, open eyes.
struct FrameRule {
    CatSprite sprite;
    int earRow;
    int lowestRow;
    bool eyesOpen;
};

const FrameRule kFrameRules[] = {
    {CatSprite::walk1, 2, 11, true},    {CatSprite::walk2, 2, 11, true},
    {CatSprite::idle1, 2, 11, true},    {CatSprite::idle2, 2, 11, true},
    {CatSprite::sit1, 3, 12, true},     {CatSprite::sit2, 3, 12, false},
    {CatSprite::wash1, 3, 12, false},   {CatSprite::wash2, 3, 12, false},
    {CatSprite::loaf, 4, 11, true},     {CatSprite::sleep1, 7, 12, false},
    {CatSprite::sleep2, 7, 12, false},  {CatSprite::stretch, 4, 11, true},
    {CatSprite::happy, 1, 9, false},    {CatSprite::dangle1, 1, 14, false},
    {CatSprite::dangle2, 1, 13, false}, {CatSprite::dangle3, 1, 13, false},
};

QColor expectedColour(const BreedRow& row, QChar cell) {
    static const std::map<char, int> role{{'B', 0}, {'D', 1}, {'W', 2}, {'P', 3}, {'E', 4}};
    if (cell == QLatin1Char('-')) return QColor::fromRgbF(0.15f, 0.15f, 0.18f);
    const auto it = role.find(char(cell.unicode()));
    if (it == role.end()) return QColor(0, 0, 0, 0);
    const auto& c = row.colours[size_t(it->second)];
    return QColor::fromRgbF(float(c[0]), float(c[1]), float(c[2]));
}

bool near(const QColor& a, const QColor& b, int tolerance = 1) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

QString at(const PixelCatFrame& f, int r, int c, int n) {
    return f.rows.at(r).mid(c, n);
}

TEST(PixelCatBreeds, RawValuesNamesAndFallback) {
    QTemporaryDir dir;
    auto settings = std::make_shared<QSettings>(dir.filePath("p.ini"), QSettings::IniFormat);
    MeterixPreferences preferences(settings);
    QList<PixelCatBreed> order;
    for (const BreedRow& row : kBreeds) {
        order.append(row.breed);
        EXPECT_EQ(rawValue(row.breed), QString::fromUtf8(row.raw));
        EXPECT_EQ(pixelCatBreedFromRawValue(QString::fromUtf8(row.raw)), row.breed);
        test::speak(ResolvedLanguage::english);
        EXPECT_EQ(displayName(row.breed), QString::fromUtf8(row.english));
        test::speak(ResolvedLanguage::korean);
        EXPECT_EQ(displayName(row.breed), QString::fromUtf8(row.raw));
        preferences.setPixelCatBreedRaw(QString::fromUtf8(row.raw));
        EXPECT_EQ(preferences.pixelCatBreed(), row.breed);
    }
    test::speak();
    EXPECT_EQ(allPixelCatBreeds(), order);
    for (const char* stray : {"", "calico", "치즈", "Black Cat"}) {
        EXPECT_EQ(pixelCatBreedFromRawValue(QString::fromUtf8(stray)), std::nullopt) << stray;
        preferences.setPixelCatBreedRaw(QString::fromUtf8(stray));
        EXPECT_EQ(preferences.pixelCatBreed(), PixelCatBreed::orangeTabby) << stray;
    }
}

TEST(PixelCatBreeds, PalettesAreTheCoatTable) {
    for (const BreedRow& row : kBreeds) {
        const CatColorPalette p = palette(row.breed);
        const QColor got[] = {p.body, p.dark, p.white, p.pink, p.eye};
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(got[i].redF(), row.colours[i][0], 1e-4) << row.english << " role " << i;
            EXPECT_NEAR(got[i].greenF(), row.colours[i][1], 1e-4) << row.english << " role " << i;
            EXPECT_NEAR(got[i].blueF(), row.colours[i][2], 1e-4) << row.english << " role " << i;
            EXPECT_EQ(got[i].alphaF(), 1.0);
        }
    }
}

// Every frame: 16 x 16 over the legend, row 0 and column 0 empty, the head of
// walk1 in place with open or closed eyes as the pose has them, and the pose's
// ear row and ground line.
TEST(PixelCatSprites, FrameTableMeetsItsRules) {
    ASSERT_EQ(PixelCatSprites::all().size(), 16);
    EXPECT_EQ(PixelCatSprites::walk1().rows.at(7), QStringLiteral(".BWWPWWBBBBBD..."));
    QSet<QStringList> distinct;
    for (const FrameRule& rule : kFrameRules) {
        SCOPED_TRACE(PixelCatSprites::name(rule.sprite));
        const PixelCatFrame& f = PixelCatSprites::frame(rule.sprite);
        EXPECT_EQ(&f, &PixelCatSprites::frame(rule.sprite)); // shared, built once
        distinct.insert(f.rows);
        ASSERT_EQ(f.lineCount(), 16);
        int firstFilled = -1, lastFilled = -1;
        for (int r = 0; r < 16; ++r) {
            const QString& row = f.rows.at(r);
            ASSERT_EQ(row.size(), 16) << "row " << r;
            for (QChar ch : row)
                EXPECT_TRUE(QStringLiteral("BDWPE-.").contains(ch)) << "row " << r;
            EXPECT_EQ(row.at(0), QLatin1Char('.')) << "row " << r;
            if (row.count(QLatin1Char('.')) != 16) {
                if (firstFilled < 0) firstFilled = r;
                lastFilled = r;
            }
        }
        EXPECT_EQ(firstFilled, rule.earRow);
        EXPECT_EQ(lastFilled, rule.lowestRow);
        // The ears and the head below them.
        const int r = rule.earRow;
        const int c = int(f.rows.at(r).indexOf(QStringLiteral("D...D")));
        ASSERT_GE(c, 2);
        EXPECT_EQ(at(f, r + 1, c, 5), QStringLiteral("BP.PB"));
        EXPECT_EQ(at(f, r + 2, c - 1, 7), QStringLiteral("BBBBBBB"));
        EXPECT_EQ(at(f, r + 5, c - 1, 7), QStringLiteral("BWWPWWB"));
        const QString all = f.rows.join(QString());
        if (rule.eyesOpen) {
            EXPECT_EQ(at(f, r + 3, c - 1, 7), QStringLiteral("BEEBEEB"));
            EXPECT_EQ(at(f, r + 4, c - 1, 7), QStringLiteral("BEWBEEW"));
            EXPECT_FALSE(all.contains(QLatin1Char('-')));
        } else {
            EXPECT_EQ(at(f, r + 3, c - 1, 7), QStringLiteral("BBBBBBB"));
            EXPECT_EQ(at(f, r + 4, c - 1, 7), QStringLiteral("B--B--B"));
            EXPECT_FALSE(all.contains(QLatin1Char('E')));
        }
    }
    EXPECT_EQ(distinct.size(), 16);
    // Frame pairs that animate differ where the pose says they do.
    const auto& sleep1 = PixelCatSprites::frame(CatSprite::sleep1).rows.at(12);
    const auto& sleep2 = PixelCatSprites::frame(CatSprite::sleep2).rows.at(12);
    EXPECT_EQ(sleep2.count(QLatin1Char('W')), sleep1.count(QLatin1Char('W')) - 2);
}

TEST(PixelArtCanvas, SizesFromTheFirstRowAndTheRowCount) {
    struct Row {
        QStringList rows;
        double px;
        QSizeF size;
    };
    const Row rows[] = {
        {PixelCatSprites::walk1().rows, 1.35, QSizeF(21.6, 21.6)},
        {{QStringLiteral("BBB"), QStringLiteral("BBBBBB")}, 2, QSizeF(6, 4)},
        {{}, 1.35, QSizeF(21.6, 0)},
        {{}, 10, QSizeF(160, 0)},
    };
    for (const Row& row : rows) {
        const QSizeF s = PixelArtCanvas::canvasSize(PixelCatFrame(row.rows), row.px);
        EXPECT_NEAR(s.width(), row.size.width(), 1e-9);
        EXPECT_NEAR(s.height(), row.size.height(), 1e-9);
    }
    PixelArtCanvas canvas(PixelCatSprites::walk1(), palette(PixelCatBreed::tuxedo), 1.35);
    EXPECT_EQ(canvas.sizeHint(), QSize(22, 22));
}

// Each frame in each coat, painted at 10 per cell: the centre of every cell
// has its role's colour from the coat table, closed eyes the same near-black
// in every coat, transparent cells nothing.
TEST(PixelArtCanvas, CellCentresHaveTheirCoatColours) {
    QList<QImage> sheets;
    for (const BreedRow& row : kBreeds) {
        QList<QImage> frames;
        for (CatSprite sprite : PixelCatSprites::all()) {
            const PixelCatFrame& f = PixelCatSprites::frame(sprite);
            QImage image(160, 160, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            {
                QPainter p(&image);
                PixelArtCanvas::paint(p, f, palette(row.breed), 10);
            }
            for (int r = 0; r < 16; ++r)
                for (int c = 0; c < 16; ++c) {
                    const QColor want = expectedColour(row, f.rows.at(r).at(c));
                    const QColor got = image.pixelColor(c * 10 + 5, r * 10 + 5);
                    ASSERT_TRUE(near(got, want))
                        << row.english << " " << PixelCatSprites::name(sprite) << " r" << r << " c" << c
                        << " got " << got.name(QColor::HexArgb).toStdString();
                }
            frames.append(image);
        }
        sheets.append(test::sheet(frames, QColor(128, 128, 128), 4));
    }
    EXPECT_FALSE(
        test::saveGrab(test::stack(sheets, QColor(128, 128, 128)), "cat-frames-all-coats").isEmpty());
}

TEST(PixelArtCanvas, LongerRowsPaintPastTheEdgeAndAnEmptyFramePaintsNothing) {
    QImage image(40, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        PixelArtCanvas::paint(p, PixelCatFrame({QStringLiteral("B"), QStringLiteral("BBB")}),
                              palette(PixelCatBreed::calico), 10);
    }
    EXPECT_EQ(PixelArtCanvas::canvasSize(PixelCatFrame({QStringLiteral("B"), QStringLiteral("BBB")}), 10),
              QSizeF(10, 20));
    EXPECT_EQ(image.pixelColor(25, 15).alpha(), 255); // third cell of the second row, outside the 10 pt width
    EXPECT_EQ(image.pixelColor(15, 5).alpha(), 0);

    PixelArtCanvas empty(PixelCatFrame(), palette(PixelCatBreed::blackCat), 1.35);
    empty.resize(22, 10);
    EXPECT_EQ(test::inkIn(test::renderWidget(empty), QRect(0, 0, 22, 10)), 0);
}

} // namespace
} // namespace meterix
