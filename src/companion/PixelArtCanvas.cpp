#include "companion/PixelArtCanvas.h"

#include <QPainter>

#include <cmath>

namespace meterix {

PixelArtCanvas::PixelArtCanvas(PixelCatFrame frameData, CatColorPalette palette, double pixelSize,
                               QWidget* parent)
    : QWidget(parent), frameData_(std::move(frameData)), palette_(palette),
      pixelSize_(std::isfinite(pixelSize) && pixelSize > 0 ? pixelSize : 0) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
}

void PixelArtCanvas::setPalette(const CatColorPalette& palette) {
    if (palette == palette_) return;
    palette_ = palette;
    update();
}

QSizeF PixelArtCanvas::canvasSize(const PixelCatFrame& frame, double pixelSize) {
    return QSizeF(frame.columns() * pixelSize, frame.lineCount() * pixelSize);
}

void PixelArtCanvas::paint(QPainter& painter, const PixelCatFrame& frame, const CatColorPalette& palette,
                           double pixelSize, QPointF origin, bool antialiased) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    painter.setPen(Qt::NoPen);
    for (int r = 0; r < frame.lineCount(); ++r) {
        const QString& row = frame.rows.at(r);
        for (int c = 0; c < row.size(); ++c) {
            const QColor color = cellColor(row.at(c), palette);
            if (!color.isValid()) continue;
            painter.fillRect(
                QRectF(origin.x() + c * pixelSize, origin.y() + r * pixelSize, pixelSize, pixelSize), color);
        }
    }
    painter.restore();
}

void PixelArtCanvas::paintMirrored(QPainter& painter, const PixelCatFrame& frame,
                                   const CatColorPalette& palette, double pixelSize, QPointF topLeft,
                                   bool mirrored, bool antialiased) {
    if (!mirrored) {
        paint(painter, frame, palette, pixelSize, topLeft, antialiased);
        return;
    }
    painter.save();
    painter.translate(topLeft.x() + canvasSize(frame, pixelSize).width(), topLeft.y());
    painter.scale(-1, 1);
    paint(painter, frame, palette, pixelSize, QPointF(), antialiased);
    painter.restore();
}

QRegion PixelArtCanvas::silhouette(const PixelCatFrame& frame, double pixelSize, QPointF topLeft,
                                   bool mirrored) {
    QRegion region;
    const double width = canvasSize(frame, pixelSize).width();
    for (int r = 0; r < frame.lineCount(); ++r) {
        const QString& row = frame.rows.at(r);
        int c = 0;
        while (c < row.size()) {
            if (!isFilledCell(row.at(c))) {
                ++c;
                continue;
            }
            int end = c;
            while (end < row.size() && isFilledCell(row.at(end)))
                ++end;
            double left = c * pixelSize, right = end * pixelSize;
            if (mirrored) {
                left = width - end * pixelSize;
                right = width - c * pixelSize;
            }
            const double top = topLeft.y() + r * pixelSize;
            const int x0 = int(std::floor(topLeft.x() + left)), x1 = int(std::ceil(topLeft.x() + right));
            const int y0 = int(std::floor(top)), y1 = int(std::ceil(top + pixelSize));
            region += QRect(x0, y0, x1 - x0, y1 - y0);
            c = end;
        }
    }
    return region;
}

QSize PixelArtCanvas::sizeHint() const {
    const QSizeF s = canvasSize(frameData_, pixelSize_);
    return QSize(int(std::ceil(s.width())), int(std::ceil(s.height())));
}

void PixelArtCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QSizeF s = canvasSize(frameData_, pixelSize_);
    // Centred in whatever room the widget was given.
    paint(p, frameData_, palette_, pixelSize_,
          QPointF((width() - s.width()) / 2, (height() - s.height()) / 2));
}

} // namespace meterix
