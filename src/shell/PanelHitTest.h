#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace meterix {

// Where a point of the bar's window falls: the bar's band, the card's column
// beside it, and the bar's part of a window that also shows the card.
// Locations are window-relative (origin at the window's top-left). Pure.
struct PanelHitTest {
    static bool isLocationInsideBar(const QPointF& location, const QSizeF& window, bool opensUpward, double band);
    static bool isLocationInsideCard(const QPointF& location, const QSizeF& window, bool opensUpward, double band,
                                     bool cardOpen, double cardShift = 0);
    static QRectF barFrameWithin(const QRectF& panel, const QSizeF& restingSize, bool opensUpward);
};

} // namespace meterix
