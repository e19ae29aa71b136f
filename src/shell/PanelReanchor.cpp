#include "shell/PanelReanchor.h"

#include "shell/ScreenPlacementEngine.h"

namespace meterix {

QRectF PanelReanchor::frame(const QRectF& anchor, const QSizeF& size, bool opensUpward,
                            PanelHorizontalPin horizontal) {
    const double x = horizontal == PanelHorizontalPin::leading ? anchor.left()
                                                               : anchor.center().x() - size.width() / 2;
    const double y = opensUpward ? anchor.bottom() - size.height() : anchor.top();
    return QRectF(ScreenPlacementEngine::atWholePixels(QPointF(x, y)), size);
}

} // namespace meterix
