#include "platform/ui/SymbolImage.h"

#include "core/AIProviderType.h"
#include "core/UsageTier.h"

#include <QPainter>
#include <QRawFont>
#include <QSet>

#include <gtest/gtest.h>

namespace meterix {
namespace {

// Every symbol name the views draw: the app mark and screen symbols, the row,
// notice and action symbols, the account-source kinds, the settings toggles, the
// cat's symbols, and (below, from the catalogue itself) the providers' and the
// tiers' symbols.
const QStringList kViewSymbols = {
    QStringLiteral("sparkles"),
    QStringLiteral("sparkle.magnifyingglass"),
    QStringLiteral("gearshape"),
    QStringLiteral("arrow.clockwise"),
    QStringLiteral("info.circle"),
    QStringLiteral("info.circle.fill"),
    QStringLiteral("power"),
    QStringLiteral("chevron.left"),
    QStringLiteral("chevron.right"),
    QStringLiteral("chevron.left.forwardslash.chevron.right"),
    QStringLiteral("checkmark.seal"),
    QStringLiteral("flask"),
    QStringLiteral("iphone"),
    QStringLiteral("globe"),
    QStringLiteral("chart.line.uptrend.xyaxis"),
    QStringLiteral("arrow.up.forward"),
    QStringLiteral("exclamationmark.triangle"),
    QStringLiteral("exclamationmark.triangle.fill"),
    QStringLiteral("chart.bar.doc.horizontal"),
    QStringLiteral("waveform.path.ecg"),
    QStringLiteral("slider.horizontal.3"),
    QStringLiteral("terminal"),
    QStringLiteral("macwindow"),
    QStringLiteral("key"),
    QStringLiteral("person"),
    QStringLiteral("person.crop.circle"),
    QStringLiteral("eye.slash"),
    QStringLiteral("eyes"),
    QStringLiteral("speaker.wave.2.fill"),
    QStringLiteral("cat.fill"),
    QStringLiteral("pawprint.fill"),
    QStringLiteral("bolt.fill"),
    QStringLiteral("checkmark.circle.fill"),
    QStringLiteral("hourglass"),
    QStringLiteral("clock.arrow.circlepath"),
    QStringLiteral("xmark"),
    QStringLiteral("heart.fill"),
    QStringLiteral("star.fill"),
};

QStringList everySymbolInUse() {
    QStringList names = kViewSymbols;
    for (AIProviderType p : allProviderTypes()) names << sfSymbol(p);
    for (UsageTier t : {UsageTier::abundant, UsageTier::steady, UsageTier::caution, UsageTier::critical}) names << symbol(t);
    names.removeDuplicates();
    return names;
}

qint64 ink(const QImage& image) {
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += qAlpha(image.pixel(x, y));
    return sum;
}

TEST(SymbolImage, TheIconFontIsLoadedFromItsSystemPath) {
    ASSERT_TRUE(SymbolImage::codePoint(QStringLiteral("bolt.fill")));
    EXPECT_FALSE(SymbolImage::outline(QStringLiteral("bolt.fill"), 24).isEmpty())
        << "fonts-material-design-icons-iconfont is not installed";
}

TEST(SymbolImage, EverySymbolInUseResolvesToAGlyphOrAPaintedShape) {
    const QStringList names = everySymbolInUse();
    EXPECT_GE(names.size(), 50);
    for (const QString& name : names) {
        EXPECT_GT(ink(SymbolImage::image(name, 16, Qt::black)), 0) << name.toStdString();
        EXPECT_FALSE(SymbolImage::outline(name, 24).isEmpty()) << name.toStdString();
    }
}

TEST(SymbolImage, GlyphBackedNamesPointAtCodePointsTheFontHolds) {
    const QString path = QStringLiteral("/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf");
    const QRawFont font(path, 24);
    ASSERT_TRUE(font.isValid());
    for (const QString& name : everySymbolInUse()) {
        const std::optional<char32_t> cp = SymbolImage::codePoint(name);
        if (cp) EXPECT_TRUE(font.supportsCharacter(static_cast<uint>(*cp))) << name.toStdString();
    }
}

TEST(SymbolImage, ShapesWithoutAFittingGlyphArePainted) {
    for (const char* name : {"atom", "sparkle", "cat.fill", "fish", "cursorarrow"}) {
        EXPECT_FALSE(SymbolImage::codePoint(QString::fromLatin1(name))) << name;
        EXPECT_FALSE(SymbolImage::outline(QString::fromLatin1(name), 24).isEmpty()) << name;
    }
    // The four-point star of a provider is not the app's sparkles glyph.
    EXPECT_TRUE(SymbolImage::codePoint(QStringLiteral("sparkles")));
}

TEST(SymbolImage, OutlinesStayInsideTheirBox) {
    for (const QString& name : everySymbolInUse()) {
        const QRectF bounds = SymbolImage::outline(name, 48).boundingRect();
        EXPECT_GE(bounds.left(), -0.5) << name.toStdString();
        EXPECT_GE(bounds.top(), -0.5) << name.toStdString();
        EXPECT_LE(bounds.right(), 48.5) << name.toStdString();
        EXPECT_LE(bounds.bottom(), 48.5) << name.toStdString();
        EXPECT_GT(bounds.width() * bounds.height(), 48.0 * 48.0 * 0.1) << name.toStdString();
    }
}

TEST(SymbolImage, UnknownNamesDrawNothing) {
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    EXPECT_FALSE(SymbolImage::paint(p, QPointF(16, 16), 20, QStringLiteral("no.such.symbol"), Qt::black));
    p.end();
    EXPECT_EQ(ink(img), 0);
    EXPECT_TRUE(SymbolImage::outline(QString(), 10).isEmpty());
    EXPECT_TRUE(SymbolImage::outline(QStringLiteral("no.such.symbol"), 10).isEmpty());
}

TEST(SymbolImage, ImagesAreCentredAndHeavierWeightsUseMoreInk) {
    for (const char* name : {"bolt.fill", "atom"}) {
        const QImage regular = SymbolImage::image(QString::fromLatin1(name), 20, Qt::black, 2.0);
        const QImage black = SymbolImage::image(QString::fromLatin1(name), 20, Qt::black, 2.0, SymbolWeight::black);
        EXPECT_EQ(regular.width(), qCeil(SymbolImage::boxSide(20) * 2.0));
        EXPECT_GT(ink(regular), 0) << name;
        EXPECT_GT(ink(black), ink(regular)) << name;
        EXPECT_EQ(qAlpha(regular.pixel(0, 0)), 0) << name; // corners stay clear
    }
}

TEST(SymbolImage, DistinctSymbolsLookDistinct) {
    // Names mapped to the same glyph on purpose are the only ones allowed to match.
    QSet<QByteArray> seen;
    int duplicates = 0;
    for (const QString& name : everySymbolInUse()) {
        const QImage img = SymbolImage::image(name, 16, Qt::black);
        const QByteArray bytes(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes());
        if (seen.contains(bytes)) ++duplicates;
        seen.insert(bytes);
    }
    EXPECT_EQ(duplicates, 1); // terminal and terminal.fill
}

} // namespace
} // namespace meterix
