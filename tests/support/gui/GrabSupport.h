#pragma once

// Helpers for widget tests: render a widget without any window background, save
// it as a PNG under the test program's build folder, and read pixels.

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace meterix::test {

// <build folder of the test program>/grabs, created on first use.
inline QString grabFolder() {
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/grabs");
    QDir().mkpath(path);
    return path;
}

// The widget drawn on a transparent image (children included, no background).
inline QImage renderWidget(QWidget& widget, qreal devicePixelRatio = 1.0) {
    widget.ensurePolished();
    if (widget.layout()) widget.layout()->activate();
    // A widget nobody sized yet is taken at its ideal size.
    if (!widget.testAttribute(Qt::WA_Resized)) widget.resize(widget.sizeHint());
    const QSize size = widget.size();
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// An image laid on an opaque backdrop, for looking at.
inline QImage onBackdrop(const QImage& image, const QColor& backdrop) {
    QImage out(image.size(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(image.devicePixelRatio());
    out.fill(backdrop);
    QPainter p(&out);
    p.drawImage(QPoint(0, 0), image);
    return out;
}

// Saves under grabFolder(); returns the path ("" when it could not be written).
inline QString saveGrab(const QImage& image, const QString& name) {
    const QString path = grabFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
    return image.save(path, "PNG") ? path : QString();
}

// Several images side by side, each on the backdrop, with a gap.
inline QImage sheet(const QList<QImage>& images, const QColor& backdrop, int gap = 8) {
    int w = gap, h = 0;
    for (const QImage& i : images) {
        w += i.width() + gap;
        h = std::max(h, i.height());
    }
    QImage out(w, h + 2 * gap, QImage::Format_ARGB32_Premultiplied);
    out.fill(backdrop);
    QPainter p(&out);
    int x = gap;
    for (const QImage& i : images) {
        QImage copy = i;
        copy.setDevicePixelRatio(1.0);
        p.drawImage(QPoint(x, gap), copy);
        x += i.width() + gap;
    }
    return out;
}

// Rows of images stacked into one.
inline QImage stack(const QList<QImage>& rows, const QColor& backdrop) {
    int w = 0, h = 0;
    for (const QImage& r : rows) {
        w = std::max(w, r.width());
        h += r.height();
    }
    QImage out(std::max(1, w), std::max(1, h), QImage::Format_ARGB32_Premultiplied);
    out.fill(backdrop);
    QPainter p(&out);
    int y = 0;
    for (const QImage& r : rows) {
        p.drawImage(QPoint(0, y), r);
        y += r.height();
    }
    return out;
}

// The pixel at logical coordinates (x, y) of an image with a device pixel ratio.
inline QColor pixelAt(const QImage& image, double x, double y) {
    const qreal d = image.devicePixelRatio();
    return image.pixelColor(int(x * d), int(y * d));
}

// Sum of alpha over a rectangle in device pixels.
inline qint64 inkIn(const QImage& image, const QRect& deviceRect) {
    qint64 sum = 0;
    const QRect r = deviceRect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) sum += qAlpha(image.pixel(x, y));
    return sum;
}

// The mean lightness (0 black ... 255 white) of what is drawn in an image, each
// pixel weighted by its alpha; -1 when nothing is drawn.
inline double inkLightness(const QImage& image) {
    double sum = 0, weight = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            sum += c.lightness() * c.alphaF();
            weight += c.alphaF();
        }
    return weight > 0 ? sum / weight : -1;
}

} // namespace meterix::test
