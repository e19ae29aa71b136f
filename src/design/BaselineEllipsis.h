#pragma once

#include <QFont>
#include <QString>

#include <optional>

class QPainter;
class QRectF;

namespace meterix {

// Some of the app's fonts (the Korean ones) draw "…" as three dots at mid-height,
// the way Korean and Japanese typesetting does. Latin text wants its ellipsis
// on the baseline: "Settings…", a name cut short.

// The font to draw "…" in beside text set in font: nothing when font's own
// ellipsis already sits on the baseline (or no installed font has one that
// does); else font's size and weight in the first family, of font's own and a
// few common ones, whose ellipsis does.
std::optional<QFont> baselineEllipsisFont(const QFont& font);

// QPainter::drawText for one line in rect with the painter's font and pen, the
// ellipsis drawn from baselineEllipsisFont on the same baseline. Text that
// wraps is drawn as QPainter draws it.
void drawTextLine(QPainter& painter, const QRectF& rect, int flags, const QString& text);

} // namespace meterix
