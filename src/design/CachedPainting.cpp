#include "design/CachedPainting.h"

#include "platform/ui/Appearance.h"

#include <QCache>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace meterix {

namespace {

// A few hundred small stamps at most: every figure of every segment, in two
// scales.
constexpr int kCacheBytes = 4 * 1024 * 1024;

struct Store {
    QCache<QByteArray, QPixmap> pixmaps{kCacheBytes};
    int renders = 0;
    // The scale's part of the key, written out once per scale rather than on
    // every stamp.
    qreal keyScale = -1;
    QByteArray keyScaleText;

    // Stamps in the colours of the old look would never be asked for again.
    Store() {
        Appearance::registerCache([this] { pixmaps.clear(); });
    }
};

Store& store() {
    static Store* s = new Store(); // lives as long as the application's widgets
    return *s;
}

} // namespace

void CachedPainting::draw(QPainter& painter, const QRectF& box, const QByteArray& key,
                          const std::function<void(QPainter&)>& paint) {
    const QTransform device = painter.deviceTransform();
    const qreal scale = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    // Only a plain shift (the device's own scale aside) keeps a stamp sharp; a
    // transform that animates would also fill the cache with one stamp a frame.
    if (!box.isValid() || device.type() > QTransform::TxScale || !qFuzzyCompare(device.m11(), scale) ||
        !qFuzzyCompare(device.m22(), scale) || painter.opacity() < 1.0) {
        paint(painter);
        return;
    }
    const QPointF topLeft = device.map(box.topLeft());
    const QPoint origin(int(std::floor(topLeft.x())), int(std::floor(topLeft.y())));
    // The drawing's position within its first pixel, to a quarter pixel: the
    // stamp lands exactly where direct painting would have drawn it.
    const int fx = int(std::lround((topLeft.x() - origin.x()) * 4)) % 4;
    const int fy = int(std::lround((topLeft.y() - origin.y()) * 4)) % 4;
    const QSize pixels(int(std::ceil(box.width() * scale)) + 1, int(std::ceil(box.height() * scale)) + 1);

    Store& s = store();
    if (scale != s.keyScale) {
        s.keyScale = scale;
        s.keyScaleText = '|' + QByteArray::number(scale, 'g', 6) + '|';
    }
    QByteArray full;
    full.reserve(key.size() + s.keyScaleText.size() + 8);
    full += key;
    full += s.keyScaleText;
    full += char('0' + fx);
    full += char('0' + fy);
    full += Appearance::shared().isDark() ? "|dark" : "|light";
    QPixmap* pixmap = s.pixmaps.object(full);
    if (!pixmap) {
        auto made = std::make_unique<QPixmap>(pixels);
        made->fill(Qt::transparent);
        {
            QPainter q(made.get());
            q.translate(fx / 4.0, fy / 4.0);
            q.scale(scale, scale);
            q.translate(-box.topLeft());
            paint(q);
        }
        ++s.renders;
        pixmap = made.get();
        const int cost = pixels.width() * pixels.height() * 4;
        if (!s.pixmaps.insert(full, made.release(), cost)) {
            paint(painter); // larger than the whole cache: never kept
            return;
        }
    }
    painter.save();
    painter.resetTransform();
    // Stamped in device pixels: the painter may carry the device's scale.
    const QTransform toDevice = painter.deviceTransform();
    painter.setWorldTransform(toDevice.inverted());
    painter.drawPixmap(origin, *pixmap);
    painter.restore();
}

int CachedPainting::cachedCount() { return store().pixmaps.count(); }

int CachedPainting::renderCount() { return store().renders; }

void CachedPainting::clear() { store().pixmaps.clear(); }

} // namespace meterix
