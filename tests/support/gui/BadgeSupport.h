#pragma once

#include "support/gui/GrabSupport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace meterix::test {

// How wide a badge's capsule is drawn now along its middle row: a badge
// growing in or shrinking away is drawn smaller about its centre, one gone not
// at all.
inline int drawnBadgeWidth(QWidget& badge) {
    // Laid out first, as it would be before it is painted on screen.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QImage image = renderWidget(badge);
    const int y = image.height() / 2;
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x) {
        if (qAlpha(image.pixel(x, y)) == 0) continue;
        if (first < 0) first = x;
        last = x;
    }
    return first < 0 ? 0 : last - first + 1;
}

// Drawn whole: as wide as its own size.
inline bool drawnWhole(QWidget& badge) {
    return drawnBadgeWidth(badge) >= badge.sizeHint().width() - 1;
}

inline bool drawnGone(QWidget& badge) {
    return drawnBadgeWidth(badge) == 0;
}

} // namespace meterix::test
