#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <optional>

class QPainter;

namespace meterix {

// How heavy a symbol is drawn. The icon font has one weight, so heavier weights
// are drawn by outlining the glyph with a pen of its own colour.
enum class SymbolWeight { regular, medium, semibold, bold, heavy, black };

// The symbol names the views use, drawn on Linux: each maps to a glyph of the
// Material Icons font (Debian's fonts-material-design-icons-iconfont, loaded from
// its system path by code point, never by ligature), and the few without a
// fitting glyph are painted from paths. GUI thread only.
class SymbolImage {
public:
    // The Material Icons code point of a glyph-backed name (none for a name
    // painted from paths or unknown).
    static std::optional<char32_t> codePoint(const QString& name);


    // The symbol's outline fitted into a side x side box at the origin; empty for
    // an unknown name or a glyph the font lacks.
    static QPainterPath outline(const QString& name, qreal side);

    // Draws the symbol centred on center as if set in a font of pointSize (its
    // box is a little larger than the point size, like a system symbol). Unknown
    // names draw nothing and return false.
    static bool paint(QPainter& painter, const QPointF& center, qreal pointSize, const QString& name,
                      const QColor& color, SymbolWeight weight = SymbolWeight::regular);

    // The box side used for a point size.
    static qreal boxSide(qreal pointSize);
    // The symbol rendered alone, transparent around it.
    static QImage image(const QString& name, qreal pointSize, const QColor& color, qreal devicePixelRatio = 1.0,
                        SymbolWeight weight = SymbolWeight::regular);
};

} // namespace meterix
