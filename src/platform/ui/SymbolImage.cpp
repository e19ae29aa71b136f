#include "platform/ui/SymbolImage.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRawFont>
#include <QStandardPaths>
#include <QTransform>
#include <QtMath>


namespace meterix {

namespace {

// Shapes drawn by hand on the icon font's 24-unit grid.
enum class Painted { none, atom, sparkle, catFill, fish, pointerArrow };

struct SymbolEntry {
    const char* name;
    char32_t codePoint; // Material Icons; 0 when painted
    Painted painted;
};

// Glyph names in the comments are the Material Icons names of the code points.
constexpr SymbolEntry kSymbols[] = {
    {"sparkles", 0xe65f, Painted::none},                                     // auto_awesome
    {"sparkle", 0, Painted::sparkle},                                         // a four-point star
    {"sparkle.magnifyingglass", 0xea11, Painted::none},                       // saved_search
    {"gearshape", 0xe8b8, Painted::none},                                     // settings
    {"arrow.clockwise", 0xe5d5, Painted::none},                               // refresh
    {"info.circle", 0xe88f, Painted::none},                                   // info_outline
    {"info.circle.fill", 0xe88e, Painted::none},                              // info
    {"power", 0xe8ac, Painted::none},                                         // power_settings_new
    {"chevron.left", 0xe5cb, Painted::none},                                  // chevron_left
    {"chevron.right", 0xe5cc, Painted::none},                                 // chevron_right
    {"chevron.left.forwardslash.chevron.right", 0xe86f, Painted::none},       // code
    {"checkmark.seal", 0xef76, Painted::none},                                // verified
    {"flask", 0xea4b, Painted::none},                                         // science
    {"iphone", 0xe325, Painted::none},                                        // phone_iphone
    {"globe", 0xe80b, Painted::none},                                         // public
    {"chart.line.uptrend.xyaxis", 0xe6e1, Painted::none},                     // show_chart
    {"arrow.up.forward", 0xf1e1, Painted::none},                              // north_east
    {"exclamationmark.triangle", 0xf083, Painted::none},                      // warning_amber
    {"exclamationmark.triangle.fill", 0xe002, Painted::none},                 // warning
    {"chart.bar.doc.horizontal", 0xf071, Painted::none},                      // summarize
    {"waveform.path.ecg", 0xeaa2, Painted::none},                             // monitor_heart
    {"slider.horizontal.3", 0xe429, Painted::none},                           // tune
    {"terminal", 0xeb8e, Painted::none},                                      // terminal
    {"terminal.fill", 0xeb8e, Painted::none},                                 // terminal
    {"macwindow", 0xe069, Painted::none},                                     // web_asset
    {"key", 0xe73c, Painted::none},                                           // key
    {"person", 0xe7fd, Painted::none},                                        // person
    {"person.crop.circle", 0xe853, Painted::none},                            // account_circle
    {"eye.slash", 0xe8f5, Painted::none},                                     // visibility_off
    {"eyes", 0xe8f4, Painted::none},                                          // visibility
    {"speaker.wave.2.fill", 0xe050, Painted::none},                           // volume_up
    {"cat.fill", 0, Painted::catFill},                                        // a cat's head
    {"pawprint.fill", 0xe91d, Painted::none},                                 // pets
    {"bolt.fill", 0xea0b, Painted::none},                                     // bolt
    {"checkmark.circle.fill", 0xe86c, Painted::none},                         // check_circle
    {"hourglass", 0xea5c, Painted::none},                                     // hourglass_bottom
    {"clock.arrow.circlepath", 0xe889, Painted::none},                        // history
    {"xmark", 0xe5cd, Painted::none},                                         // close
    {"heart.fill", 0xe87d, Painted::none},                                    // favorite
    {"star.fill", 0xe838, Painted::none},                                     // star
    {"curlybraces", 0xead3, Painted::none},                                   // data_object
    {"atom", 0, Painted::atom},                                               // nucleus and orbits
    {"cursorarrow", 0, Painted::pointerArrow},                                 // a pointer arrow
    {"cpu", 0xe322, Painted::none},                                           // memory
    {"fish", 0, Painted::fish},                                               // a fish
    {"point.3.filled.connected.trianglepath.dotted", 0xe9f4, Painted::none},  // hub
    {"server.rack", 0xe875, Painted::none},                                   // dns
    {"wind", 0xefd8, Painted::none},                                          // air
    {"moon.stars.fill", 0xef44, Painted::none},                               // bedtime
    {"waveform", 0xe1b8, Painted::none},                                      // graphic_eq
    {"water.waves", 0xe176, Painted::none},                                   // waves
};

const SymbolEntry* find(const QString& name) {
    for (const SymbolEntry& e : kSymbols)
        if (name == QLatin1StringView(e.name)) return &e;
    return nullptr;
}

constexpr qreal kGrid = 24.0;
constexpr qreal kRawPixelSize = 96.0; // glyph outlines are taken at this size and scaled

const char* kFontFile = "fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf";

// The outline of a glyph in a 1 x 1 box, taken from the font at kRawPixelSize.
QPainterPath glyphUnitOutline(const QRawFont& raw, char32_t codePoint) {
    if (!raw.supportsCharacter(static_cast<uint>(codePoint))) return {};
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromUcs4(&codePoint, 1));
    if (glyphs.isEmpty() || glyphs.constFirst() == 0) return {};
    // The glyph sits on the baseline with its em box above it: move the box to the origin.
    const QPainterPath glyph = raw.pathForGlyph(glyphs.constFirst());
    QTransform t;
    t.scale(1.0 / kRawPixelSize, 1.0 / kRawPixelSize);
    t.translate(0, raw.ascent());
    return t.map(glyph);
}

struct IconFont {
    QHash<char32_t, QPainterPath> glyphOutlines;  // in a 1 x 1 box, each code point the table names
    QHash<QString, QPainterPath> paintedOutlines; // in a 1 x 1 box, made on first use

    IconFont() {
        QString path =
            QStandardPaths::locate(QStandardPaths::GenericDataLocation, QString::fromLatin1(kFontFile));
        if (path.isEmpty() && QFile::exists(QStringLiteral("/usr/share/") + QString::fromLatin1(kFontFile)))
            path = QStringLiteral("/usr/share/") + QString::fromLatin1(kFontFile);
        if (path.isEmpty()) return;
        // Symbols are drawn from the glyph outlines alone; registering the file
        // with the font database as well would load it a second time. The raw
        // font holds the whole file in memory, so the few outlines the table
        // names are taken at once and the file's bytes let go.
        const QRawFont raw(path, kRawPixelSize);
        if (!raw.isValid()) return;
        for (const SymbolEntry& e : kSymbols) {
            if (e.painted != Painted::none || glyphOutlines.contains(e.codePoint)) continue;
            const QPainterPath outline = glyphUnitOutline(raw, e.codePoint);
            if (!outline.isEmpty()) glyphOutlines.insert(e.codePoint, outline);
        }
        glyphOutlines.squeeze();
    }
};

IconFont& iconFont() {
    static IconFont* font = new IconFont(); // kept for the life of the process
    return *font;
}

QPainterPath strokedOutline(const QPainterPath& centreLine, qreal width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(centreLine);
}

// Painted shapes on the 24-unit grid.
QPainterPath paintedOnGrid(Painted shape) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    switch (shape) {
    case Painted::none:
        break;
    case Painted::atom: {
        for (int angle : {0, 60, 120}) {
            QPainterPath orbit;
            orbit.addEllipse(QPointF(0, 0), 9.6, 3.7);
            QTransform t;
            t.translate(12, 12);
            t.rotate(angle);
            path.addPath(strokedOutline(t.map(orbit), 1.6));
        }
        path.addEllipse(QPointF(12, 12), 2.1, 2.1);
        break;
    }
    case Painted::sparkle:
        path.moveTo(12, 2);
        path.quadTo(13.4, 10.6, 22, 12);
        path.quadTo(13.4, 13.4, 12, 22);
        path.quadTo(10.6, 13.4, 2, 12);
        path.quadTo(10.6, 10.6, 12, 2);
        path.closeSubpath();
        break;
    case Painted::catFill: {
        QPainterPath head;
        head.setFillRule(Qt::WindingFill);
        head.addEllipse(QPointF(12, 13.8), 8.4, 7.0);
        head.moveTo(4.4, 11.0);
        head.lineTo(5.6, 2.8);
        head.lineTo(11.0, 7.4);
        head.closeSubpath();
        head.moveTo(19.6, 11.0);
        head.lineTo(18.4, 2.8);
        head.lineTo(13.0, 7.4);
        head.closeSubpath();
        QPainterPath eyes;
        eyes.addEllipse(QPointF(9.0, 13.4), 1.3, 1.6);
        eyes.addEllipse(QPointF(15.0, 13.4), 1.3, 1.6);
        path = head.simplified().subtracted(eyes);
        break;
    }
    case Painted::fish: {
        QPainterPath body;
        body.setFillRule(Qt::WindingFill);
        body.addEllipse(QPointF(10.0, 12.0), 7.6, 5.2);
        body.moveTo(15.5, 12.0);
        body.lineTo(22.0, 6.6);
        body.lineTo(21.0, 12.0);
        body.lineTo(22.0, 17.4);
        body.closeSubpath();
        QPainterPath eye;
        eye.addEllipse(QPointF(6.4, 10.9), 1.1, 1.1);
        path = body.simplified().subtracted(eye);
        break;
    }
    case Painted::pointerArrow:
        path.moveTo(6.0, 2.6);
        path.lineTo(6.0, 19.6);
        path.lineTo(10.1, 15.8);
        path.lineTo(12.9, 21.6);
        path.lineTo(15.5, 20.4);
        path.lineTo(12.8, 14.8);
        path.lineTo(18.2, 14.6);
        path.closeSubpath();
        break;
    }
    return path;
}

QPainterPath unitOutline(const SymbolEntry& entry) {
    IconFont& font = iconFont();
    if (entry.painted == Painted::none) return font.glyphOutlines.value(entry.codePoint);
    const QString key = QString::fromLatin1(entry.name);
    const auto cached = font.paintedOutlines.constFind(key);
    if (cached != font.paintedOutlines.constEnd()) return *cached;
    const QPainterPath unit =
        QTransform::fromScale(1.0 / kGrid, 1.0 / kGrid).map(paintedOnGrid(entry.painted));
    font.paintedOutlines.insert(key, unit);
    return unit;
}

qreal strokeFraction(SymbolWeight weight) {
    switch (weight) {
    case SymbolWeight::regular:
        return 0.0;
    case SymbolWeight::medium:
        return 0.012;
    case SymbolWeight::semibold:
        return 0.022;
    case SymbolWeight::bold:
        return 0.032;
    case SymbolWeight::heavy:
        return 0.042;
    case SymbolWeight::black:
        return 0.052;
    }
    return 0.0;
}

} // namespace

std::optional<char32_t> SymbolImage::codePoint(const QString& name) {
    const SymbolEntry* e = find(name);
    if (!e || e->painted != Painted::none) return std::nullopt;
    return e->codePoint;
}

QPainterPath SymbolImage::outline(const QString& name, qreal side) {
    const SymbolEntry* e = find(name);
    if (!e) return {};
    return QTransform::fromScale(side, side).map(unitOutline(*e));
}

qreal SymbolImage::boxSide(qreal pointSize) {
    return pointSize * 1.2;
}

bool SymbolImage::paint(QPainter& painter, const QPointF& center, qreal pointSize, const QString& name,
                        const QColor& color, SymbolWeight weight) {
    const qreal side = boxSide(pointSize);
    QPainterPath path = outline(name, side);
    if (path.isEmpty()) return false;
    path.translate(center.x() - side / 2, center.y() - side / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const qreal strokeWidth = strokeFraction(weight) * side;
    painter.setPen(strokeWidth > 0 ? QPen(color, strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
                                   : QPen(Qt::NoPen));
    painter.setBrush(color);
    painter.drawPath(path);
    painter.restore();
    return true;
}

QImage SymbolImage::image(const QString& name, qreal pointSize, const QColor& color, qreal devicePixelRatio,
                          SymbolWeight weight) {
    const qreal side = boxSide(pointSize);
    const int px = qMax(1, qCeil(side * devicePixelRatio));
    QImage img(px, px, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(devicePixelRatio);
    img.fill(Qt::transparent);
    QPainter p(&img);
    paint(p, QPointF(side / 2, side / 2), pointSize, name, color, weight);
    return img;
}

} // namespace meterix
