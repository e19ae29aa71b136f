#pragma once

#include "core/UsageTier.h"
#include "platform/ui/Appearance.h"

#include <QColor>
#include <QList>
#include <QRectF>

class QPainter;

namespace meterix {

// A colour given as sRGB components 0...1 for the light and the dark look.
struct AdaptiveColor {
    Rgb light;
    Rgb dark;
    QColor resolve(Appearance::Scheme scheme) const;
};

QColor toQColor(const Rgb& rgb);
QList<QColor> toQColors(const QList<Rgb>& colors);

// The shared surface colours. Each call resolves against the current appearance
// (or the one given), so a light/dark switch needs nothing but a repaint.
class Surface {
public:
    enum class Token {
        shellTint,        // fill of glass shells (bar, card, panel)
        shellTintHovered, // the same fill while the pointer is over it
        shellRim,         // rim stroke of glass shells
        topSheen,         // highlight at the top of glass shells
        plateFill,        // fill of inset plates (sections, rows, tiles)
        plateRim,         // rim of inset plates
        hairline,         // hairline rules and separators
        track,            // unfilled track of gauges and bars
        hoverWash,        // wash behind a hovered control
        pressWash,        // wash behind a pressed control
        shadowDiffuse,    // the wide shadow layer
        shadowMid,        // the middle shadow layer
        shadowContact,    // the tight contact shadow
    };

    static const AdaptiveColor& adaptive(Token token);
    static QColor color(Token token, Appearance::Scheme scheme);
    static QColor color(Token token);

    static QColor shellTint() { return color(Token::shellTint); }
    static QColor shellTintHovered() { return color(Token::shellTintHovered); }
    static QColor shellRim() { return color(Token::shellRim); }
    static QColor topSheen() { return color(Token::topSheen); }
    static QColor plateFill() { return color(Token::plateFill); }
    static QColor plateRim() { return color(Token::plateRim); }
    static QColor hairline() { return color(Token::hairline); }
    static QColor track() { return color(Token::track); }
    static QColor hoverWash() { return color(Token::hoverWash); }
    static QColor pressWash() { return color(Token::pressWash); }
    static QColor shadowDiffuse() { return color(Token::shadowDiffuse); }
    static QColor shadowMid() { return color(Token::shadowMid); }
    static QColor shadowContact() { return color(Token::shadowContact); }
};

// The text colours of the system's hierarchical styles, by appearance.
class LabelColor {
public:
    static QColor primary();
    static QColor secondary();
    static QColor tertiary();
    static QColor primary(Appearance::Scheme scheme);
    static QColor secondary(Appearance::Scheme scheme);
    static QColor tertiary(Appearance::Scheme scheme);
};

// A colour with its alpha multiplied by opacity.
QColor withOpacity(QColor color, qreal opacity);
// The colour t of the way from a to b (each component, alpha included), t held
// to 0...1.
QColor mixColors(const QColor& a, const QColor& b, double t);

// The greys of a gauge or bar whose figure is withheld: the secondary label
// colour at 28 % and 16 %.
QList<QColor> withheldGaugeColors();

// A 0.5-pt rule in the hairline colour along the top edge of rect.
void paintHairlineRule(QPainter& painter, const QRectF& rect);

} // namespace meterix
