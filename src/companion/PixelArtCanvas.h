#pragma once

#include "design/CatColorPalette.h"
#include "companion/PixelCatFrame.h"

#include <QRegion>
#include <QWidget>

class QPainter;

namespace meterix {

// Paints one sprite frame in one coat, a square of pixelSize per cell. The cat
// views paint at 1.35, a 21.6 pt square. Not opaque; nothing is cached, each
// paint draws every cell anew.
class PixelArtCanvas : public QWidget {
    Q_OBJECT

  public:
    static constexpr double catPixelSize = 1.35;

    PixelArtCanvas(PixelCatFrame frameData, CatColorPalette palette, double pixelSize,
                   QWidget* parent = nullptr);

    const CatColorPalette& palette() const { return palette_; }
    double pixelSize() const { return pixelSize_; }
    void setPalette(const CatColorPalette& palette);

    // (cells across) x pixelSize wide, (rows) x pixelSize high.
    static QSizeF canvasSize(const PixelCatFrame& frame, double pixelSize);
    // Paints the cells with their top-left at origin: rows top to bottom,
    // characters left to right, each an anti-aliased square, so a later square
    // overdraws an earlier one where fractional sizes overlap. Characters past
    // the first row's length land outside the canvas, as they are.
    static void paint(QPainter& painter, const PixelCatFrame& frame, const CatColorPalette& palette,
                      double pixelSize, QPointF origin = {}, bool antialiased = true);
    // The same with the canvas at topLeft, mirrored about its centre when asked.
    static void paintMirrored(QPainter& painter, const PixelCatFrame& frame, const CatColorPalette& palette,
                              double pixelSize, QPointF topLeft, bool mirrored, bool antialiased = true);
    // The whole pixels the filled cells touch, for windows cut to what they draw.
    static QRegion silhouette(const PixelCatFrame& frame, double pixelSize, QPointF topLeft, bool mirrored);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    PixelCatFrame frameData_;
    CatColorPalette palette_;
    double pixelSize_;
};

} // namespace meterix
