#include "design/BaselineEllipsis.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <limits>

namespace meterix {

namespace {

constexpr char16_t kEllipsis = 0x2026;

// Families with a baseline ellipsis that Debian desktops usually carry.
const QStringList& commonLatinFamilies() {
    static const QStringList families = {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans"),
                                         QStringLiteral("Liberation Sans"), QStringLiteral("Cantarell")};
    return families;
}

QFont inFamily(const QFont& font, const QString& family) {
    QFont f = font;
    f.setFamilies({family});
    return f;
}

// The family that draws "…" for font: its first installed family that has the
// character (Qt's own order of fallback).
std::optional<QString> drawingFamily(const QFont& font) {
    for (const QString& family : font.families()) {
        if (!QFontDatabase::hasFamily(family)) continue;
        const QRawFont raw = QRawFont::fromFont(inFamily(font, family));
        if (raw.isValid() && raw.supportsCharacter(QChar(kEllipsis))) return family;
    }
    return std::nullopt;
}

bool rawEllipsisOnBaseline(const QFont& font) {
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid() || !raw.supportsCharacter(QChar(kEllipsis))) return false;
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString(QChar(kEllipsis)));
    if (glyphs.isEmpty() || glyphs.first() == 0) return false;
    // y grows downwards from the baseline: dots on the baseline end at about 0,
    // dots at mid-height end well above it.
    const QRectF ink = raw.boundingRect(glyphs.first());
    return !ink.isEmpty() && ink.bottom() > -0.2 * raw.xHeight();
}

// Whether the glyph that font draws for "…" sits on the baseline.
bool ellipsisSitsOnBaseline(const QFont& font) {
    const auto family = drawingFamily(font);
    return family && rawEllipsisOnBaseline(inFamily(font, *family));
}

} // namespace

std::optional<QFont> baselineEllipsisFont(const QFont& font) {
    // Drawn on the GUI thread only, many times a frame: decided once per font.
    static QHash<QString, std::optional<QFont>> decided;
    const QString key = font.key();
    if (const auto it = decided.constFind(key); it != decided.constEnd()) return *it;
    std::optional<QFont> chosen;
    if (!ellipsisSitsOnBaseline(font)) {
        QStringList candidates = font.families();
        for (const QString& family : commonLatinFamilies())
            if (!candidates.contains(family)) candidates.append(family);
        for (const QString& family : candidates) {
            if (!QFontDatabase::hasFamily(family)) continue;
            const QFont candidate = inFamily(font, family);
            if (rawEllipsisOnBaseline(candidate)) {
                chosen = candidate;
                break;
            }
        }
    }
    decided.insert(key, chosen);
    return chosen;
}

void drawTextLine(QPainter& p, const QRectF& rect, int flags, const QString& text) {
    if (!text.contains(QChar(kEllipsis)) || (flags & Qt::TextWordWrap)) {
        p.drawText(rect, flags, text);
        return;
    }
    const QFont font = p.font();
    const std::optional<QFont> ellipsis = baselineEllipsisFont(font);
    if (!ellipsis) {
        p.drawText(rect, flags, text);
        return;
    }
    QTextLayout layout(text, font, p.device());
    QList<QTextLayout::FormatRange> ranges;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QChar(kEllipsis)) continue;
        QTextLayout::FormatRange range;
        range.start = int(i);
        range.length = 1;
        range.format.setFont(*ellipsis);
        ranges.append(range);
    }
    layout.setFormats(ranges);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        p.drawText(rect, flags, text);
        return;
    }
    line.setLineWidth(std::numeric_limits<int>::max() / 4);
    layout.endLayout();

    const double width = line.naturalTextWidth();
    double x = rect.left();
    if (flags & Qt::AlignRight) x = rect.right() - width;
    else if (flags & Qt::AlignHCenter) x = rect.left() + (rect.width() - width) / 2;
    // The baseline where QPainter puts it for the font alone.
    const QFontMetricsF fm(font, p.device());
    double top = rect.top();
    if (flags & Qt::AlignBottom) top = rect.bottom() - fm.height();
    else if (flags & Qt::AlignVCenter) top = rect.top() + (rect.height() - fm.height()) / 2;
    const double baseline = top + fm.ascent();
    layout.draw(&p, QPointF(x, baseline - line.ascent()));
}

} // namespace meterix
