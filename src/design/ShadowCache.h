#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QSizeF>

#include <chrono>

namespace meterix {

// Pre-rendered soft shadows of rounded rectangles. A shadow is blurred once per
// (size, corner radius, blur radius, colour, pixel ratio) and reused from then
// on, so no paint ever blurs. Large shadows (a window's, the bar's) are let go
// once none has been asked for in a while (10 s), and blurred again if asked
// for later. GUI thread only (pixmaps).
class ShadowCache {
public:
    struct Shadow {
        QPixmap pixmap; // device-pixel-ratio aware
        double padding; // logical pixels of blur on every side of the shape
    };

    // The shadow of a size.width() x size.height() rounded rectangle blurred by
    // blurRadius (a Gaussian of standard deviation blurRadius / 2). Draw pixmap
    // with its top-left at the shape's top-left minus padding.
    static Shadow roundedRect(QSizeF size, double cornerRadius, double blurRadius, const QColor& color,
                              double devicePixelRatio);

    // Room a blur of this radius needs beyond the shape (three deviations).
    static double paddingFor(double blurRadius);

    // A Gaussian approximated by three box blurs, applied in place to an 8-bit
    // alpha image. Pure; exposed for tests.
    static void blurAlpha(QImage& alpha8, double sigma);

    static void clear();
};

} // namespace meterix
