#include "shell/PanelHitTest.h"

#include "design/Metric.h"

namespace meterix {

bool PanelHitTest::isLocationInsideBar(const QPointF& location, const QSizeF& window, bool opensUpward, double band) {
    if (location.x() < 0 || location.x() > window.width()) return false;
    // Opening upward, the bar sits at the bottom of the window with the card above.
    return opensUpward ? location.y() >= window.height() - band : location.y() <= band;
}

bool PanelHitTest::isLocationInsideCard(const QPointF& location, const QSizeF& window, bool opensUpward, double band,
                                        bool cardOpen, double cardShift) {
    if (!cardOpen) return false;
    const double left = (window.width() - Metric::detailWidth) / 2 + cardShift;
    if (location.x() < left || location.x() > left + Metric::detailWidth) return false;
    return opensUpward ? location.y() >= 0 && location.y() <= window.height() - band
                       : location.y() >= band && location.y() <= window.height();
}

QRectF PanelHitTest::barFrameWithin(const QRectF& panel, const QSizeF& restingSize, bool opensUpward) {
    const double y = opensUpward ? panel.bottom() - restingSize.height() : panel.top();
    return QRectF(panel.center().x() - restingSize.width() / 2, y, restingSize.width(), restingSize.height());
}

} // namespace meterix
