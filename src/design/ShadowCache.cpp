#include "design/ShadowCache.h"

#include "platform/ui/Appearance.h"

#include <QCache>
#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QtMath>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace meterix {

namespace {

constexpr int kMaxCacheKilobytes = 16 * 1024;

// A shadow this large (a window's or the bar's) is asked for in bursts: while
// a panel is open and repainting, or once when the bar stamps its glass. Kept
// for the life of the process, each would hold hundreds of kilobytes that
// nothing draws; they are let go together once none of them has been asked
// for during the grace period.
constexpr qsizetype kLargeKilobytes = 64;
constexpr std::chrono::milliseconds kLargeGrace{10000};

struct Store {
    QCache<QString, QPixmap> pixmaps{kMaxCacheKilobytes};
    QSet<QString> large; // keys of large shadows that may be held
    QPointer<QTimer> release;

    Store() {
        // Shadows in the colours of the old look would never be asked for again.
        Appearance::registerCache([this] {
            pixmaps.clear();
            large.clear();
        });
    }

    void letGoOfLarge() {
        for (const QString& key : std::as_const(large))
            pixmaps.remove(key);
        large.clear();
    }

    // A large shadow was asked for: the grace period starts again.
    void usedLarge(const QString& key) {
        large.insert(key);
        if (!release) {
            if (!QCoreApplication::instance()) return; // no event loop to let go on: kept
            release = new QTimer(QCoreApplication::instance());
            release->setObjectName(QStringLiteral("shadowCacheRelease"));
            release->setSingleShot(true);
            QObject::connect(release, &QTimer::timeout, release, [this] { letGoOfLarge(); });
        }
        release->start(kLargeGrace);
    }
};

Store& store() {
    static Store* s = new Store(); // lives as long as the application's widgets
    return *s;
}

// Box widths whose three passes add up to a Gaussian of deviation sigma.
std::array<int, 3> boxSizes(double sigma) {
    const double ideal = std::sqrt(12.0 * sigma * sigma / 3.0 + 1.0);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0) --lower;
    const int upper = lower + 2;
    const double m = (12.0 * sigma * sigma - 3.0 * lower * lower - 4.0 * 3.0 * lower - 3.0 * 3.0) / (-4.0 * lower - 4.0);
    const int useLower = int(std::round(m));
    std::array<int, 3> sizes{};
    for (int i = 0; i < 3; ++i) sizes[i] = i < useLower ? lower : upper;
    return sizes;
}

// One box pass along rows (horizontal) or columns, with zero outside the image.
void boxPass(QImage& img, int radius, bool horizontal) {
    if (radius <= 0) return;
    const int w = img.width();
    const int h = img.height();
    const int lines = horizontal ? h : w;
    const int length = horizontal ? w : h;
    std::vector<int> line(length);
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> uchar& {
            return horizontal ? img.scanLine(l)[i] : img.scanLine(i)[l];
        };
        for (int i = 0; i < length; ++i) line[i] = at(i);
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            if (i >= 0 && i < length) sum += line[i];
        for (int i = 0; i < length; ++i) {
            at(i) = uchar((sum + window / 2) / window);
            const int out = i - radius;
            const int in = i + radius + 1;
            if (out >= 0) sum -= line[out];
            if (in < length) sum += line[in];
        }
    }
}

} // namespace

double ShadowCache::paddingFor(double blurRadius) {
    if (!(blurRadius > 0)) return 0;
    return std::ceil(1.5 * blurRadius) + 1;
}

void ShadowCache::blurAlpha(QImage& alpha8, double sigma) {
    if (alpha8.isNull() || alpha8.format() != QImage::Format_Alpha8 || !(sigma > 0.3)) return;
    for (int size : boxSizes(sigma)) {
        const int radius = (size - 1) / 2;
        boxPass(alpha8, radius, true);
        boxPass(alpha8, radius, false);
    }
}

ShadowCache::Shadow ShadowCache::roundedRect(QSizeF size, double cornerRadius, double blurRadius, const QColor& color,
                                             double devicePixelRatio) {
    const double dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const double blur = blurRadius > 0 ? blurRadius : 0.0;
    const double padding = paddingFor(blur);
    const QString key = QStringLiteral("%1x%2 r%3 b%4 c%5 d%6")
                            .arg(size.width(), 0, 'f', 2)
                            .arg(size.height(), 0, 'f', 2)
                            .arg(cornerRadius, 0, 'f', 2)
                            .arg(blur, 0, 'f', 2)
                            .arg(color.rgba(), 8, 16)
                            .arg(dpr, 0, 'f', 2);
    Store& st = store();
    if (const QPixmap* hit = st.pixmaps.object(key)) {
        if (st.large.contains(key)) st.usedLarge(key);
        return {*hit, padding};
    }

    const int w = std::max(1, qCeil((size.width() + 2 * padding) * dpr));
    const int h = std::max(1, qCeil((size.height() + 2 * padding) * dpr));
    QImage alpha(w, h, QImage::Format_Alpha8);
    alpha.fill(0);
    {
        QPainter p(&alpha);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(dpr, dpr);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(QPointF(padding, padding), size), cornerRadius, cornerRadius);
        p.fillPath(shape, Qt::black);
    }
    blurAlpha(alpha, blur / 2.0 * dpr);

    QImage tinted(w, h, QImage::Format_ARGB32_Premultiplied);
    const QRgb base = color.rgba();
    for (int y = 0; y < h; ++y) {
        const uchar* src = alpha.constScanLine(y);
        auto* dst = reinterpret_cast<QRgb*>(tinted.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int a = qAlpha(base) * src[x] / 255;
            dst[x] = qPremultiply(qRgba(qRed(base), qGreen(base), qBlue(base), a));
        }
    }
    QPixmap pixmap = QPixmap::fromImage(tinted);
    pixmap.setDevicePixelRatio(dpr);
    const qsizetype kilobytes = std::max<qsizetype>(1, qsizetype(w) * h * 4 / 1024);
    if (st.pixmaps.insert(key, new QPixmap(pixmap), kilobytes) && kilobytes > kLargeKilobytes)
        st.usedLarge(key);
    return {pixmap, padding};
}

void ShadowCache::clear() {
    store().pixmaps.clear();
    store().large.clear();
}


} // namespace meterix
