#pragma once

// Checks of what a grabbed screen shows: its texts in their room, apart from one
// another, and a colour where it belongs.

#include "design/TextView.h"

#include <QColor>
#include <QFontMetricsF>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

namespace meterix::test {

// Every text shown under root (laid out: grab it first) lies inside root's
// width, is as wide as its text unless it wraps or cuts it short, and overlaps
// no other text.
inline void expectTextsInsideAndApart(QWidget& root) {
    struct Shown {
        QRect rect;
        QString text;
    };
    QList<Shown> shown;
    for (TextView* t : root.findChildren<TextView*>()) {
        if (!t->isVisibleTo(&root) || t->text().isEmpty()) continue;
        const QRect r(t->mapTo(&root, QPoint(0, 0)), t->size());
        const std::string text = t->text().toStdString();
        EXPECT_GE(r.left(), 0) << text;
        EXPECT_LE(r.right(), root.width() - 1) << text;
        if (!t->hasHeightForWidth() && t->shownText() == t->text()) {
            EXPECT_GE(r.width(), t->sizeHint().width() - 1) << text; // its whole advance, to the pixel
        }
        for (const Shown& other : shown)
            EXPECT_FALSE(r.intersects(other.rect)) << text << " overlaps " << other.text.toStdString();
        shown.append({r, t->text()});
    }
    EXPECT_FALSE(shown.isEmpty());
}

// Within tolerance on every channel, alpha included.
inline ::testing::AssertionResult colourNear(const QColor& actual, const QColor& expected,
                                             int tolerance = 3) {
    const bool near = std::abs(actual.red() - expected.red()) <= tolerance &&
                      std::abs(actual.green() - expected.green()) <= tolerance &&
                      std::abs(actual.blue() - expected.blue()) <= tolerance &&
                      std::abs(actual.alpha() - expected.alpha()) <= tolerance;
    if (near) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.name(QColor::HexArgb).toStdString() << " is not near "
                                         << expected.name(QColor::HexArgb).toStdString();
}

} // namespace meterix::test
