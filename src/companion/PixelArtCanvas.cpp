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

void PixelArtCanvas::setFrameData(const PixelCatFrame& frame) {
    if (frame == frameData_) return;
    frameData_ = frame;
    updateGeometry();
    update();
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
                           double pixelSize, QPointF origin) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
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
