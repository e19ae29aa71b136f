#include "design/CachedPainting.h"

#include "platform/ui/Appearance.h"

#include <QCache>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace meterix {

namespace {

// The pixels of what one bar shows at a time at scale 1 (the glass at rest and
// hovered, a ring and a symbol per segment, the cat's steps) fit with room to
// spare; a larger scale gets as many stamps. The least recently stamped go
// first, so figures of long ago do not pile up over weeks of uptime.
constexpr int kBudgetBytesAtScaleOne = 1536 * 1024;

int budgetFor(qreal scale) {
    const qreal s = std::clamp(scale, 1.0, 4.0);
    return int(kBudgetBytesAtScaleOne * s * s);
}

struct Store {
    QCache<QByteArray, QPixmap> pixmaps{budgetFor(1)};
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
        s.pixmaps.setMaxCost(std::max<qsizetype>(s.pixmaps.maxCost(), budgetFor(scale)));
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
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter q(&image);
            q.translate(fx / 4.0, fy / 4.0);
            q.scale(scale, scale);
            q.translate(-box.topLeft());
            paint(q);
        }
        // An image keeps the engine that painted it (a few kilobytes, as much
        // as a small stamp's pixels) until it goes: the stamp keeps a copy.
        auto made = std::make_unique<QPixmap>(QPixmap::fromImage(image.copy()));
        pixmap = made.get();
        const int cost = int(image.sizeInBytes());
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

void CachedPainting::clear() {
    Store& s = store();
    s.pixmaps.clear();
    s.pixmaps.setMaxCost(budgetFor(1));
    s.keyScale = -1;
}

} // namespace meterix
