#pragma once

#include <QRectF>
#include <QSizeF>

namespace meterix {

// Which point of the anchor a re-anchored window keeps horizontally.
enum class PanelHorizontalPin { center, leading };

// Where a window goes when its content takes a new size: it keeps the anchor's
// leading edge or horizontal centre, and the anchor's bottom edge when the card
// opens upward (the window grows up), else its top edge (it grows down). The
// position is rounded to whole pixels; the size is the new size. Pure.
struct PanelReanchor {
    static QRectF frame(const QRectF& anchor, const QSizeF& size, bool opensUpward, PanelHorizontalPin horizontal);
};

} // namespace meterix
