#pragma once

#include <QByteArray>
#include <QRectF>

#include <functional>

class QPainter;

namespace meterix {

// Drawings that stay the same from frame to frame (a ring at rest, a symbol)
// painted once into a pixmap and stamped from then on. A drawing is known by a
// key the caller builds from everything it depends on (figure, colours, size);
// the device's scale and the appearance scheme are added here, and a change of
// scheme empties the cache, so no drawing of the old look is ever stamped.
// Where the painter is scaled or rotated (a press or hover transform) the
// drawing is painted directly, as it would be without the cache. GUI thread only.
class CachedPainting {
public:
    // Paints (or stamps) what paint draws inside box, in the painter's
    // coordinates; paint must not draw outside box.
    static void draw(QPainter& painter, const QRectF& box, const QByteArray& key,
                     const std::function<void(QPainter&)>& paint);

    static void clear();
};

} // namespace meterix
