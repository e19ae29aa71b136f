#include "shell/PanelReanchor.h"

#include <cmath>

namespace meterix {

QRectF PanelReanchor::frame(const QRectF& anchor, const QSizeF& size, bool opensUpward,
                            PanelHorizontalPin horizontal) {
    const double x = horizontal == PanelHorizontalPin::leading ? anchor.left()
                                                               : anchor.center().x() - size.width() / 2;
    const double y = opensUpward ? anchor.bottom() - size.height() : anchor.top();
    return QRectF(std::round(x), std::round(y), size.width(), size.height());
}

} // namespace meterix
